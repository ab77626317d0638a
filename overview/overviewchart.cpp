#include "overview/overviewchart.h"

#include "stats/gradecolours.h"
#include "stats/statistics.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

int gradeOf(long double average) {
    return int(std::clamp<long long>(roundHalfToEven(average), 1, 6));
}

// The class's bars in the grade colour half blended with white, so that they print apart
// from the own bars in colour and in grey alike.
QColor classColour(const QColor& colour) {
    return BlendColour(colour, Qt::white, 1, 2);
}

void bar(QPainter& p, int left, int width, int bottom, int top, const QColor& colour,
         int lineWidth) {
    const QRect rect(left, top, width, std::max(bottom - top, 0));
    p.fillRect(rect, colour);
    p.setPen(QPen(Qt::black, lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect);
}

} // namespace

int chartY(long double average, int top, int bottom) {
    const long double clamped = std::clamp<long double>(average, 1, 6);
    return top + int(std::lround((clamped - 1) / 5 * (bottom - top)));
}

void drawOverviewChart(QPainter& p, const QRect& area, const QList<OverviewRow>& rows,
                       const QFont& font, int lineWidth) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(font);
    const QFontMetrics metrics(font, p.device());
    const int line = metrics.height();
    const int axisLeft = area.left() + metrics.horizontalAdvance(QStringLiteral("6")) + line / 2;
    const int top = area.top() + 2 * line;
    const int bottom = area.bottom() - line - line / 2;
    const int right = area.right();
    if (bottom <= top || right <= axisLeft) {
        p.restore();
        return;
    }

    // Legend: a box in the full colour for the own average, a pale one for the class's.
    const int box = line * 2 / 3;
    int x = axisLeft;
    const QColor legendColour = gradeBarColour(2);
    for (const auto& [colour, caption] :
         {std::pair{legendColour, QStringLiteral("Eigener Schnitt")},
          std::pair{classColour(legendColour), QStringLiteral("Klassenschnitt")}}) {
        bar(p, x, box, area.top() + (line + box) / 2, area.top() + (line - box) / 2, colour,
            lineWidth);
        x += box + line / 3;
        p.setPen(Qt::black);
        p.drawText(QPoint(x, area.top() + metrics.ascent()), caption);
        x += metrics.horizontalAdvance(caption) + line;
    }

    // The grade axis with a grid line per grade, 1 at the top.
    p.setPen(QPen(QColor(0xC0C0C0), lineWidth));
    for (int grade = 1; grade <= 6; ++grade) {
        const int y = chartY(grade, top, bottom);
        p.setPen(QPen(QColor(0xC0C0C0), lineWidth));
        p.drawLine(axisLeft, y, right, y);
        p.setPen(Qt::black);
        const QString label = QString::number(grade);
        p.drawText(QPoint(axisLeft - line / 4 - metrics.horizontalAdvance(label),
                          y - metrics.height() / 2 + metrics.ascent()),
                   label);
    }
    p.setPen(QPen(Qt::black, lineWidth));
    p.drawLine(axisLeft, top, axisLeft, bottom);

    if (rows.isEmpty()) {
        p.restore();
        return;
    }
    // Each subject gets an equal slot; its two bars share the slot's middle.
    const int slot = (right - axisLeft) / int(rows.size());
    const int barWidth = std::max(1, slot * 3 / 10);
    for (int i = 0; i < rows.size(); ++i) {
        const OverviewRow& row = rows.at(i);
        const int slotLeft = axisLeft + i * slot;
        const int centre = slotLeft + slot / 2;
        if (row.ownAverage)
            bar(p, centre - barWidth, barWidth, bottom, chartY(*row.ownAverage, top, bottom),
                gradeBarColour(gradeOf(*row.ownAverage)), lineWidth);
        if (row.classAverage)
            bar(p, centre, barWidth, bottom, chartY(*row.classAverage, top, bottom),
                classColour(gradeBarColour(gradeOf(*row.classAverage))), lineWidth);
        const QString name = metrics.elidedText(row.subject, Qt::ElideRight, slot - line / 4);
        p.setPen(Qt::black);
        p.drawText(QPoint(centre - metrics.horizontalAdvance(name) / 2,
                          bottom + line / 4 + metrics.ascent()),
                   name);
    }
    p.restore();
}

QString overviewChartSpokenText(const QList<OverviewRow>& rows) {
    QStringList sentences;
    sentences.reserve(rows.size());
    for (const OverviewRow& row : rows)
        sentences << QStringLiteral("%1: eigener Schnitt %2, Klassenschnitt %3.")
                         .arg(row.subject, overviewAverageText(row.ownAverage),
                              overviewAverageText(row.classAverage));
    return sentences.join(u' ');
}
