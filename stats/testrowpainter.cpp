#include "stats/testrowpainter.h"

#include "gradedata/classtest.h"
#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "stats/canvas.h"
#include "stats/gradecolours.h"
#include "stats/statistics.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

const QColor Black(Qt::black);
const QColor White(Qt::white);
const QColor MarkColour(0xFF0000);
const QColor SelectedMarkColour(0xFFBBBB);

// A field as a number; 0 when it is none (a row never fails on a faulty item).
int lenientCount(const QString& field) {
    return readLenientInteger(field).value_or(0);
}

QString shownDate(const QString& isoField, const QDate& date) {
    return date.isValid() ? ShortDateText(date) : isoField;
}

} // namespace

QString gradeLevelText(int gradeLevel, const QDate& date) {
    QString text = QString::number(gradeLevel) + QStringLiteral(". Klasse");
    if (date.isValid())
        text += QStringLiteral(" (%1)").arg(academicYearText(date));
    return text;
}

QString gradeLevelText(const QString& gradeLevelField, const QDate& date) {
    const auto level = readLenientInteger(gradeLevelField);
    QString text = (level ? QString::number(*level) : gradeLevelField) + QStringLiteral(". Klasse");
    if (date.isValid())
        text += QStringLiteral(" (%1)").arg(academicYearText(date));
    return text;
}

namespace {

// What a row shows: the texts of its fields and the numbers the diagram is drawn from.
struct RowContent {
    QString gradeLevel; // "7. Klasse (2003/2004)"
    QString number;
    QString date;
    QString lesson;
    std::array<QString, 6> countTexts;
    GradeCounts counts{};
    std::optional<int> ownGrade;
};

void paintRow(QPainter& p, const QRect& rect, const RowContent& row, const DrawStyle& style) {
    const int L = rect.left(), T = rect.top();
    const int R = rect.left() + rect.width(), B = rect.top() + rect.height();
    const int cy = T + (B - T) / 2;
    const GradeCounts& counts = row.counts;
    const QColor textColour = style.text();

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = style.font;
    font.setBold(false);
    p.setFont(font);

    if (style.selected) {
        canvas::fill(p, L, T, R, B, style.background());
    } else {
        // The background only where no column has a tint of its own, so that every pixel of
        // the row is filled once.
        canvas::fill(p, L + 196, T, std::min(R, L + 404), B, style.background());
        canvas::fill(p, L + 556, T, R, B, style.background());
        canvas::fill(p, L, T, L + 116, B, QColor(0xFFFFD5));
        canvas::fill(p, L + 116, T, L + 196, B, QColor(0xD5FFD5));
        canvas::fill(p, L + 404, T, L + 477, B, QColor(0xD5D5FF));
        canvas::fill(p, L + 476, T, L + 556, B, QColor(0xFFD5D5));
    }
    canvas::outline(p, L, T - 1, R, B, Black);
    if (style.selected) {
        // Sunken frame drawn with a 2-pixel pen, each line on the pixel of its coordinate and
        // the one before it: black along the top, white along the bottom and the right side.
        canvas::fill(p, L + 1, T + 1, R - 1, T + 3, Black);
        canvas::fill(p, L + 1, B - 2, R - 1, B, White);
        canvas::fill(p, R - 2, T + 2, R, B, White);
    }

    // Each font is looked up once, each text once for its width and its drawing; the pen
    // changes only where the colour does.
    const canvas::TextFont normal(p, style.texts);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    const canvas::TextFont strong(p, style.texts);
    const auto put = [&p](const canvas::TextFont& f, int x, int y, const QString& text) {
        f.draw(p, x, y, f.text(text));
    };
    p.setPen(textColour);

    int h = normal.height();
    put(normal, L + 2, cy - h, row.gradeLevel);
    put(normal, L + 2, cy, row.number + QStringLiteral(". Arbeit"));
    put(normal, L + 120, cy - h, row.date);
    put(normal, L + 120, cy, row.lesson + QStringLiteral(". Schulstunde"));

    const std::optional<int>& ownGrade = row.ownGrade;
    for (int i = 0; i < 6; ++i) {
        const int cx = L + 210 + 35 * i;
        if (ownGrade == i + 1) {
            const canvas::TextFont::Text count = strong.text(row.countTexts[i]);
            const int w = count.width;
            h = strong.height();
            canvas::ellipse(p, cx - w / 2 - 5, cy - h / 2 - 3, cx + w / 2 + 5, cy + h / 2 + 4,
                            style.selected ? SelectedMarkColour : MarkColour, Black);
            p.setPen(style.selected ? Black : White);
            strong.draw(p, cx - w / 2, cy - h / 2, count);
            p.setPen(textColour);
        } else {
            const canvas::TextFont::Text count = normal.text(row.countTexts[i]);
            h = normal.height();
            normal.draw(p, cx - count.width / 2, cy - h / 2, count);
        }
    }

    const canvas::TextFont::Text participants = normal.text(QString::number(Participants(counts)));
    h = normal.height();
    normal.draw(p, L + 439 - participants.width / 2, cy - h / 2, participants);

    const QString averageText = TestAverageText(counts);
    const canvas::TextFont::Text average = strong.text(averageText);
    h = strong.height();
    strong.draw(p, L + 516 - average.width / 2, cy - h / 2, average);

    canvas::outline(p, L + 560, T + 4, R - 6, B - 4, Black);
    int x = L + 561;
    for (int i = 0; i < 6; ++i) {
        canvas::line(p, x - 1, T + 4, x - 1, B - 4, Black);
        const int left = std::max(R - 6 - x, 0);
        const int bw = barWidth(
            static_cast<long double>(counts[i]) / RemainingSum(counts, i + 1, 6) * left, left);
        canvas::fill(p, x, T + 5, x + bw, B - 4, gradeBarColour(i + 1));
        if (style.diagramLabels) {
            const canvas::TextFont::Text label = strong.text(row.countTexts[i]);
            if (label.width < bw) {
                p.setPen(gradeLabelColour(i + 1));
                strong.draw(p, x + bw / 2 - label.width / 2, T + 5 + (B - T - 9) / 2 - h / 2,
                            label);
            }
        }
        x += bw;
    }
    p.restore();
}

} // namespace

void paintTestRow(QPainter& p, const QRect& rect, const QString& testListItem,
                  const DrawStyle& style) {
    const QStringList fields = splitCommaList(testListItem);
    const QDate date = QDate::fromString(fields.value(ItemField::Date), Qt::ISODate);
    RowContent row;
    row.gradeLevel = gradeLevelText(fields.value(ItemField::GradeLevel), date);
    row.number = fields.value(ItemField::Number);
    row.date = shownDate(fields.value(ItemField::Date), date);
    row.lesson = fields.value(ItemField::Lesson);
    for (int i = 0; i < 6; ++i) {
        row.countTexts[i] = fields.value(ItemField::FirstCount + i);
        row.counts[i] = lenientCount(row.countTexts[i]);
    }
    row.ownGrade = readLenientInteger(fields.value(ItemField::OwnGrade));
    paintRow(p, rect, row, style);
}

void paintTestRow(QPainter& p, const QRect& rect, const ClassTest& test, const DrawStyle& style) {
    RowContent row;
    row.gradeLevel = gradeLevelText(test.gradeLevel, test.date);
    row.number = QString::number(test.number);
    row.date = test.date.isValid() ? ShortDateText(test.date) : QString();
    row.lesson = QString::number(test.lesson);
    for (int i = 0; i < 6; ++i)
        row.countTexts[i] = QString::number(test.counts[i]);
    row.counts = test.counts;
    row.ownGrade = test.ownGrade;
    paintRow(p, rect, row, style);
}
