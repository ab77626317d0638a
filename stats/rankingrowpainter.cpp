#include "stats/rankingrowpainter.h"

#include "platform/localeformats.h"
#include "stats/canvas.h"
#include "stats/numberformat.h"
#include "stats/ranking.h"

namespace {

const QColor Black(Qt::black);
const QColor AverageBoxColour(0xBBFFBB);
const QColor RankBoxColour(0xFFBBBB);

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
    const int L = rect.left(), T = rect.top();
    const int R = rect.left() + rect.width(), B = rect.top() + rect.height();
    const int cy = T + (B - T) / 2;
    const RankingFields fields = splitRankingEntry(rankingEntry);
    const QColor textColour = style.text();
    const QColor background = style.background();

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = style.font;
    font.setBold(false);
    p.setFont(font);

    // Every text is drawn on the colour of the box it stands in.
    canvas::fill(p, L, T, R, B, background);
    const int h = canvas::textHeight(p);
    canvas::opaqueText(p, L + 35, cy - h, fields.subject, textColour, background);
    canvas::opaqueText(p, L + 35, cy, testCountText(fields.testCount), textColour, background);

    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    const QString average = shownClassAverage(fields.average);
    const int w0 =
        canvas::textWidth(p, QStringLiteral("0") + LocaleFormats::current().decimalSeparator() +
                                 QStringLiteral("00"));
    canvas::fill(p, R - w0 - 7, T, R, B, AverageBoxColour);
    canvas::opaqueText(p, R - w0 - 2, cy - canvas::textHeight(p) / 2, average, textColour,
                       AverageBoxColour);

    QFont rankFont = font;
    rankFont.setPointSize(18);
    p.setFont(rankFont);
    canvas::fill(p, L, T, L + 35, B, RankBoxColour);
    const QString rank = QString::number(index + 1);
    canvas::opaqueText(p, L + 30 - canvas::textWidth(p, rank), cy - canvas::textHeight(p) / 2, rank,
                       textColour, RankBoxColour);

    canvas::line(p, L, B - 1, R, B - 1, Black);
    p.restore();
}
