#pragma once

#include "overview/subjectoverview.h"

#include <QList>
#include <QRect>

class QFont;
class QPainter;

// The chart of the overview: per subject the own average beside the class average as two
// bars on a grade axis with 1 at the top and 6 at the bottom, each bar filled in the colour of
// its rounded grade (the own one in the full colour, the class one pale), the subject's name below,
// a legend above. Drawn in the painter's units into `area` with the given font; `lineWidth` is the
// width of the axis and the bars' outlines in those units.
void drawOverviewChart(QPainter& painter, const QRect& area, const QList<OverviewRow>& rows,
                       const QFont& font, int lineWidth);

// What a screen reader says of the chart: per subject in the chart's order "Deutsch: eigener
// Schnitt 2,4, Klassenschnitt 2,9.", the figures as the table shows them.
QString overviewChartSpokenText(const QList<OverviewRow>& rows);

// The vertical position of an average on the chart's axis: top at 1, bottom at 6.
int chartY(long double average, int top, int bottom);
