#include "stats/rankingrowpainter.h"

#include "platform/localeformats.h"
#include "stats/canvas.h"
#include "stats/numberformat.h"
#include "stats/ranking.h"

namespace {

const QColor Black(Qt::black);
const QColor AverageBoxColour(0xBBFFBB);
const QColor RankBoxColour(0xFFBBBB);

// The row of entry with countText under the subject name.
void paintRow(QPainter& p, const QRect& rect, const RankedSubject& entry, const QString& countText,
              int index, const DrawStyle& style);

} // namespace

QString testCountText(const QString& count) {
    return count + (count == u"1" ? QStringLiteral(" Arbeit") : QStringLiteral(" Arbeiten"));
}

QString shownClassAverage(const QString& averageText) {
    const auto value = parseLocaleReal(averageText);
    return value ? formatDecimal(*value, 2) : averageText;
}

void paintRankingRow(QPainter& p, const QRect& rect, const QString& rankingEntry, int index,
                     const DrawStyle& style) {
    const RankingFields fields = splitRankingEntry(rankingEntry);
    RankedSubject entry;
    entry.averageText = fields.average;
    entry.shownAverage = shownClassAverage(fields.average);
    entry.subject = fields.subject;
    paintRow(p, rect, entry, testCountText(fields.testCount), index, style);
}

void paintRankingRow(QPainter& p, const QRect& rect, const RankedSubject& entry, int index,
                     const DrawStyle& style) {
    paintRow(p, rect, entry, testCountText(QString::number(entry.testCount)), index, style);
}

namespace {

void paintRow(QPainter& p, const QRect& rect, const RankedSubject& entry, const QString& countText,
              int index, const DrawStyle& style) {
    const int L = rect.left(), T = rect.top();
    const int R = rect.left() + rect.width(), B = rect.top() + rect.height();
    const int cy = T + (B - T) / 2;
    const QColor textColour = style.text();
    const QColor background = style.background();

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = style.font;
    font.setBold(false);
    p.setFont(font);

    // Every text is drawn on the colour of the box it stands in.
    canvas::fill(p, L, T, R, B, background);
    const int h = canvas::textHeight(p, style.texts);
    canvas::opaqueText(p, L + 35, cy - h, entry.subject, textColour, background, style.texts);
    canvas::opaqueText(p, L + 35, cy, countText, textColour, background, style.texts);

    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    const QString& average = entry.shownAverage;
    const int w0 = canvas::textWidth(
        p, QStringLiteral("0") + LocaleFormats::current().decimalSeparator() + QStringLiteral("00"),
        style.texts);
    canvas::fill(p, R - w0 - 7, T, R, B, AverageBoxColour);
    canvas::opaqueText(p, R - w0 - 2, cy - canvas::textHeight(p, style.texts) / 2, average,
                       textColour, AverageBoxColour, style.texts);

    QFont rankFont = font;
    rankFont.setPointSize(18);
    p.setFont(rankFont);
    canvas::fill(p, L, T, L + 35, B, RankBoxColour);
    const QString rank = QString::number(index + 1);
    canvas::opaqueText(p, L + 30 - canvas::textWidth(p, rank, style.texts),
                       cy - canvas::textHeight(p, style.texts) / 2, rank, textColour, RankBoxColour,
                       style.texts);

    canvas::line(p, L, B - 1, R, B - 1, Black);
    p.restore();
}

} // namespace
