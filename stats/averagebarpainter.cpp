#include "stats/averagebarpainter.h"

#include "stats/canvas.h"
#include "stats/gradecolours.h"
#include "stats/numberformat.h"

#include <QtMath>

#include <algorithm>

namespace {

const QColor Black(Qt::black);
const QColor White(Qt::white);
const QColor MarkColour(0xFF0000);
constexpr int Middle = 15;

// A circle crossed by a stroke from its lower left to its upper right, 3 pixels wide.
void drawAverageSign(QPainter& p) {
    p.save();
    QPen pen(Black, 3);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(77, 2, 103 - 77 - 1, 28 - 2 - 1));
    // The stroke leaves out its end point (103, 2).
    p.drawLine(QPoint(77, 28), QPoint(102, 3));
    p.restore();
}

void centredText(QPainter& p, int cx, const QString& text, const QColor& colour,
                 canvas::TextCache* texts) {
    const int w = canvas::textWidth(p, text, texts);
    const int h = canvas::textHeight(p, texts);
    canvas::text(p, cx - w / 2, Middle - h / 2, text, colour, texts);
}

} // namespace

void paintAverageBar(QPainter& p, int width, const std::optional<SubjectSummary>& summary,
                     const DrawStyle& style) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = style.font;
    font.setBold(false);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(font);
    const QColor textColour = style.windowText;

    canvas::fill(p, 0, 0, width, 30, style.window);
    for (int x = 0; x <= 195; ++x)
        canvas::line(p, x, 0, x, 30, BlendColour(QColor(0xFFFFD6), QColor(0xD6FFD6), x, 195));
    canvas::fill(p, 405, 0, 478, 30, QColor(0xD5D5FF));
    canvas::fill(p, 477, 0, 557, 30, QColor(0xFFD5D5));
    drawAverageSign(p);

    if (!summary) {
        p.restore();
        return;
    }
    const SubjectSummary& s = *summary;

    const QString lesson = formatDecimal(s.MeanLesson, 1) + QStringLiteral(". Schulstunde");
    canvas::text(p, 192 - canvas::textWidth(p, lesson, style.texts),
                 Middle - canvas::textHeight(p, style.texts) / 2, lesson, textColour, style.texts);

    for (int i = 0; i < 6; ++i) {
        const int cx = 211 + 35 * i;
        const QString mean = formatDecimal(s.meanCount(i + 1), 1);
        QColor colour = textColour;
        if (s.OwnGrade == i + 1) {
            p.setFont(bold);
            const int w = canvas::textWidth(p, mean, style.texts);
            const int h = canvas::textHeight(p, style.texts);
            canvas::ellipse(p, cx - w / 2 - 5, Middle - h / 2 - 3, cx + w / 2 + 5,
                            Middle + h / 2 + 4, MarkColour, Black, style.texts);
            colour = White;
        } else {
            p.setFont(font);
        }
        centredText(p, cx, mean, colour, style.texts);
    }

    p.setFont(font);
    centredText(p, 440, formatDecimal(s.MeanParticipants, 1), textColour, style.texts);
    p.setFont(bold);
    centredText(p, 517, s.MeanAverage ? formatDecimal(*s.MeanAverage, 1) : NoAverageText,
                textColour, style.texts);

    canvas::outline(p, 562, 4, width - 9, 26, Black);
    int x = 562;
    for (int i = 0; i < 6; ++i) {
        canvas::line(p, x - 1, 4, x - 1, 26, Black);
        const int left = std::max(width - 9 - x, 0);
        const int bw =
            barWidth(left * s.meanCount(i + 1) / RemainingSum(s.MeanCounts, i + 1, 6), left);
        canvas::fill(p, x, 5, x + bw, 26, gradeBarColour(i + 1));
        if (style.diagramLabels) {
            const QString label = formatDecimal(s.meanCount(i + 1), 1);
            const int w = canvas::textWidth(p, label, style.texts);
            if (w < bw)
                canvas::text(p, x + bw / 2 - w / 2, Middle - canvas::textHeight(p, style.texts) / 2,
                             label, gradeLabelColour(i + 1), style.texts);
        }
        x += bw;
    }
    p.restore();
}

QImage AverageBarImage(int width, const std::optional<SubjectSummary>& summary,
                       const DrawStyle& style, qreal devicePixelRatio) {
    width = std::max(width, 1);
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage image(qCeil(width * ratio), qCeil(AverageBarHeight * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    paintAverageBar(p, width, summary, style);
    return image;
}
