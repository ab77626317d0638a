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
// The tints of the columns with one of their own.
const QColor YearTint(0xFFFFD5);
const QColor DateTint(0xD5FFD5);
const QColor ParticipantsTint(0xD5D5FF);
const QColor AverageTint(0xFFD5D5);
// Names the rows' backgrounds among the pieces of a view's cache.
const char BackgroundTag = 0;

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

using Text = canvas::TextFont::Text;

// A row's texts as its test list item gives them: the fields as they stand, each looked up as
// a text.
class ItemTexts {
public:
    explicit ItemTexts(const QString& testListItem) {
        const QStringList fields = splitCommaList(testListItem);
        const QDate date = QDate::fromString(fields.value(ItemField::Date), Qt::ISODate);
        gradeLevel_ = gradeLevelText(fields.value(ItemField::GradeLevel), date);
        number_ = fields.value(ItemField::Number) + QStringLiteral(". Arbeit");
        date_ = shownDate(fields.value(ItemField::Date), date);
        lesson_ = fields.value(ItemField::Lesson) + QStringLiteral(". Schulstunde");
        for (int i = 0; i < 6; ++i) {
            countTexts_[i] = fields.value(ItemField::FirstCount + i);
            counts_[i] = lenientCount(countTexts_[i]);
        }
        participants_ = QString::number(Participants(counts_));
        average_ = TestAverageText(counts_);
        ownGrade_ = readLenientInteger(fields.value(ItemField::OwnGrade));
    }

    const GradeCounts& counts() const { return counts_; }
    const std::optional<int>& ownGrade() const { return ownGrade_; }
    Text gradeLevel(const canvas::TextFont& f) const { return f.text(gradeLevel_); }
    Text number(const canvas::TextFont& f) const { return f.text(number_); }
    Text date(const canvas::TextFont& f) const { return f.text(date_); }
    Text lesson(const canvas::TextFont& f) const { return f.text(lesson_); }
    Text count(const canvas::TextFont& f, int i) const { return f.text(countTexts_[i]); }
    Text participants(const canvas::TextFont& f) const { return f.text(participants_); }
    Text average(const canvas::TextFont& f) const { return f.text(average_); }

private:
    QString gradeLevel_; // "7. Klasse (2003/2004)"
    QString number_;     // "2. Arbeit"
    QString date_;
    QString lesson_; // "3. Schulstunde"
    std::array<QString, 6> countTexts_;
    GradeCounts counts_{};
    QString participants_;
    QString average_;
    std::optional<int> ownGrade_;
};

// A row's texts as a typed test gives them: made from its numbers through the view's cache,
// so that a row drawn again neither formats nor hashes its texts anew.
class TestTexts {
public:
    explicit TestTexts(const ClassTest& test) : test_(test) {}

    const GradeCounts& counts() const { return test_.counts; }
    std::optional<int> ownGrade() const { return test_.ownGrade; }
    Text gradeLevel(const canvas::TextFont& f) const {
        const QDate& date = test_.date;
        return made(
            f, key(GradeLevel, test_.gradeLevel, date.isValid() ? academicYearStart(date) + 1 : 0),
            [&] { return gradeLevelText(test_.gradeLevel, date); });
    }
    Text number(const canvas::TextFont& f) const {
        return made(f, key(Number, test_.number),
                    [&] { return QString::number(test_.number) + QStringLiteral(". Arbeit"); });
    }
    Text date(const canvas::TextFont& f) const {
        const QDate& date = test_.date;
        return made(f, key(Date, date.isValid() ? date.toJulianDay() + 1 : 0),
                    [&] { return date.isValid() ? ShortDateText(date) : QString(); });
    }
    Text lesson(const canvas::TextFont& f) const {
        return made(f, key(Lesson, test_.lesson), [&] {
            return QString::number(test_.lesson) + QStringLiteral(". Schulstunde");
        });
    }
    Text count(const canvas::TextFont& f, int i) const { return figure(f, test_.counts[i]); }
    Text participants(const canvas::TextFont& f) const {
        return figure(f, Participants(test_.counts));
    }
    Text average(const canvas::TextFont& f) const {
        // The average is the quotient of the weighted sum and the participants.
        qint64 weighted = 0;
        for (int i = 0; i < 6; ++i)
            weighted += qint64(i + 1) * test_.counts[i];
        return made(f, key(Average, weighted, Participants(test_.counts)),
                    [&] { return TestAverageText(test_.counts); });
    }

private:
    enum Kind : quint64 { GradeLevel = 1, Number, Date, Lesson, Figure, Average };

    // A text's key: its kind and up to two numbers below 2^28; none when a number does not fit
    // (the text is then made and looked up as a text).
    static std::optional<quint64> key(Kind kind, qint64 a, qint64 b = 0) {
        constexpr qint64 Limit = qint64(1) << 28;
        if (a < 0 || a >= Limit || b < 0 || b >= Limit)
            return std::nullopt;
        return quint64(kind) << 56 | quint64(a) << 28 | quint64(b);
    }
    template <typename Make>
    static Text made(const canvas::TextFont& f, std::optional<quint64> key, Make&& make) {
        return key ? f.made(*key, make) : f.text(make());
    }
    static Text figure(const canvas::TextFont& f, qint64 value) {
        return made(f, key(Figure, value), [&] { return QString::number(value); });
    }

    const ClassTest& test_;
};

// The row's background, borders and, when selected, sunken frame, on the pixels of the row and
// of its top border line.
void paintBackground(QPainter& p, int L, int T, int R, int B, const DrawStyle& style) {
    if (style.selected) {
        canvas::fill(p, L, T, R, B, style.background());
    } else {
        // The background only where no column has a tint of its own, so that every pixel of
        // the row is filled once.
        canvas::fill(p, L + 196, T, std::min(R, L + 404), B, style.background());
        canvas::fill(p, L + 556, T, R, B, style.background());
        canvas::fill(p, L, T, L + 116, B, YearTint);
        canvas::fill(p, L + 116, T, L + 196, B, DateTint);
        canvas::fill(p, L + 404, T, L + 477, B, ParticipantsTint);
        canvas::fill(p, L + 476, T, L + 556, B, AverageTint);
    }
    canvas::outline(p, L, T - 1, R, B, Black);
    if (style.selected) {
        // Sunken frame drawn with a 2-pixel pen, each line on the pixel of its coordinate and
        // the one before it: black along the top, white along the bottom and the right side.
        canvas::fill(p, L + 1, T + 1, R - 1, T + 3, Black);
        canvas::fill(p, L + 1, B - 2, R - 1, B, White);
        canvas::fill(p, R - 2, T + 2, R, B, White);
    }
}

// The part of a row's column between from and to that its background leaves in one colour:
// inside the row's border and, when selected, inside its sunken frame.
canvas::PlainArea columnArea(int L, int T, int R, int B, int from, int to, const QColor& tint,
                             const DrawStyle& style, canvas::DrawnSince& drawn) {
    if (style.selected)
        return {QRect(QPoint(std::max(L + 1, from), T + 3), QPoint(std::min(R - 2, to) - 1, B - 3)),
                style.background(), drawn};
    return {QRect(QPoint(std::max(L + 1, from), T), QPoint(std::min(R - 1, to) - 1, B - 2)), tint,
            drawn};
}

template <typename Texts>
void paintRow(QPainter& p, const QRect& rect, const Texts& row, const DrawStyle& style) {
    const int L = rect.left(), T = rect.top();
    const int R = rect.left() + rect.width(), B = rect.top() + rect.height();
    const int cy = T + (B - T) / 2;
    const GradeCounts& counts = row.counts();
    const QColor textColour = style.text();

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = style.font;
    font.setBold(false);
    p.setFont(font);

    // The background, borders and sunken frame depend only on the row's size and selection
    // and the window's colours: rows of the list's width are drawn from the view's image of
    // them.
    if (R - L >= 556 && B - T >= 1 && canvas::ofEightBits(style.background())) {
        canvas::piece(p, QPoint(L, T - 1), style.texts,
                      {qint64(reinterpret_cast<quintptr>(&BackgroundTag)), R - L, B - T,
                       style.selected, qint64(style.background().rgba()), 0},
                      QSize(R - L, B - T + 1), 1, [&](QPainter& q, QPoint at) {
                          paintBackground(q, at.x(), at.y() + 1, at.x() + R - L, at.y() + 1 + B - T,
                                          style);
                      });
    } else {
        paintBackground(p, L, T, R, B, style);
    }

    // Each font is looked up once, each text once for its width and its drawing; the pen
    // changes only where the colour does.
    const canvas::TextFont normal(p, style.texts);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    const canvas::TextFont strong(p, style.texts);
    p.setPen(textColour);

    // The texts lie on their columns' colours (the background just drawn), the figures of the
    // bars on the bars'. A text may reach into the next column.
    canvas::DrawnSince onColumns;
    const auto column = [&](int from, int to, const QColor& tint) {
        return columnArea(L, T, R, B, L + from, L + to, tint, style, onColumns);
    };
    int h = normal.height();
    canvas::PlainArea first = column(0, 116, YearTint);
    normal.draw(p, L + 2, cy - h, row.gradeLevel(normal), first);
    normal.draw(p, L + 2, cy, row.number(normal), first);
    canvas::PlainArea second = column(116, 196, DateTint);
    normal.draw(p, L + 120, cy - h, row.date(normal), second);
    normal.draw(p, L + 120, cy, row.lesson(normal), second);

    const std::optional<int> ownGrade = row.ownGrade();
    canvas::PlainArea grades = column(196, 404, style.background());
    for (int i = 0; i < 6; ++i) {
        const int cx = L + 210 + 35 * i;
        if (ownGrade == i + 1) {
            const Text count = row.count(strong, i);
            const int w = count.width;
            h = strong.height();
            grades.drawnOn(canvas::ellipse(
                p, cx - w / 2 - 5, cy - h / 2 - 3, cx + w / 2 + 5, cy + h / 2 + 4,
                style.selected ? SelectedMarkColour : MarkColour, Black, style.texts));
            p.setPen(style.selected ? Black : White);
            grades.drawnOn(strong.inkAt(p, cx - w / 2, cy - h / 2, count));
            strong.draw(p, cx - w / 2, cy - h / 2, count);
            p.setPen(textColour);
        } else {
            const Text count = row.count(normal, i);
            h = normal.height();
            normal.draw(p, cx - count.width / 2, cy - h / 2, count, grades);
        }
    }

    const Text participants = row.participants(normal);
    h = normal.height();
    canvas::PlainArea fourth = column(404, 476, ParticipantsTint);
    normal.draw(p, L + 439 - participants.width / 2, cy - h / 2, participants, fourth);

    const Text average = row.average(strong);
    h = strong.height();
    canvas::PlainArea fifth = column(476, 556, AverageTint);
    strong.draw(p, L + 516 - average.width / 2, cy - h / 2, average, fifth);

    canvas::outline(p, L + 560, T + 4, R - 6, B - 4, Black);
    int x = L + 561;
    for (int i = 0; i < 6; ++i) {
        canvas::line(p, x - 1, T + 4, x - 1, B - 4, Black);
        const int left = std::max(R - 6 - x, 0);
        const int bw = barWidth(
            static_cast<long double>(counts[i]) / RemainingSum(counts, i + 1, 6) * left, left);
        canvas::fill(p, x, T + 5, x + bw, B - 4, gradeBarColour(i + 1));
        if (style.diagramLabels) {
            const Text label = row.count(strong, i);
            if (label.width < bw) {
                p.setPen(gradeLabelColour(i + 1));
                canvas::DrawnSince onBar;
                canvas::PlainArea bar(QRect(QPoint(x, T + 5), QPoint(x + bw - 1, B - 5)),
                                      gradeBarColour(i + 1), onBar);
                strong.draw(p, x + bw / 2 - label.width / 2, T + 5 + (B - T - 9) / 2 - h / 2, label,
                            bar);
            }
        }
        x += bw;
    }
    p.restore();
}

} // namespace

void paintTestRow(QPainter& p, const QRect& rect, const QString& testListItem,
                  const DrawStyle& style) {
    paintRow(p, rect, ItemTexts(testListItem), style);
}

void paintTestRow(QPainter& p, const QRect& rect, const ClassTest& test, const DrawStyle& style) {
    paintRow(p, rect, TestTexts(test), style);
}
