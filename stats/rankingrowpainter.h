#pragma once

#include "stats/drawstyle.h"
#include "stats/ranking.h"

#include <QPainter>
#include <QRect>
#include <QString>

// One row of the subject ranking: the rank (index + 1) large in a red box on the left, the
// subject name over the number of its tests, and the class average ("0.##") in a green box
// on the right, with a separator line along the bottom. A selected row keeps its red and
// green boxes; its texts take the selected-text colour.
void paintRankingRow(QPainter& p, const QRect& rect, const QString& rankingEntry, int index,
                     const DrawStyle& style);
// The same row for a typed entry.
void paintRankingRow(QPainter& p, const QRect& rect, const RankedSubject& entry, int index,
                     const DrawStyle& style);

// "1 Arbeit", "4 Arbeiten".
QString testCountText(const QString& count);
// The class average text of an entry shown with at most two decimals ("2,3333333333" ->
// "2,33"); a text that is not a number is shown as it stands.
QString shownClassAverage(const QString& averageText);
