#include "trend/trendchart.h"

#include "gradedata/formats.h"
#include "stats/canvas.h"
#include "stats/gradecolours.h"
#include "stats/numberformat.h"
#include "stats/statistics.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QColor Background(Qt::white);
const QColor YearBand(0xF0, 0xF0, 0xF0);
const QColor YearBoundary(0xA0, 0xA0, 0xA0);
const QColor GridLine(0xDD, 0xDD, 0xDD);
const QColor Frame(0x80, 0x80, 0x80);
const QColor Text(Qt::black);
const QColor ClassLine(0x50, 0x50, 0x50);
const QColor OwnLine(0x1C, 0x4F, 0xD8);
const QColor ClassTrack(0xB4, 0xB4, 0xB4);
const QColor OwnTrack(0x9C, 0xB2, 0xEC);
const QColor PointOutline(Qt::black);
const QColor LegendPoint(0xD8, 0xD8, 0xD8);

// The grade whose colour a value takes: the nearest one, within 1 .. 6.
int nearestGrade(long double value) {
    return int(std::clamp<long long>(std::llround(value), 1, 6));
}

bool hasOwnGrade(const ClassTest& test) {
    return test.ownGrade >= 1 && test.ownGrade <= 6;
}

SubjectSummary summaryOf(const QList<ClassTest>& tests) {
    QStringList items;
    items.reserve(tests.size());
    for (const ClassTest& test : tests)
        items.append(TestListItem(test));
    return computeSubjectSummary(items).value_or(SubjectSummary{});
}

void circle(QPainter& p, int x, int y, const QColor& colour) {
    const int r = TrendLayout::PointRadius;
    canvas::ellipse(p, x - r, y - r, x + r + 1, y + r + 1, colour, PointOutline);
}

void square(QPainter& p, int x, int y, const QColor& colour) {
    const int r = TrendLayout::PointRadius;
    canvas::fill(p, x - r, y - r, x + r + 1, y + r + 1, colour);
    canvas::outline(p, x - r, y - r, x + r + 1, y + r + 1, PointOutline);
}

// A straight line between two points, without antialiasing (the tracks between points).
void track(QPainter& p, const QPoint& from, const QPoint& to, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colour, 1));
    p.drawLine(from, to);
    p.restore();
}

void paintCentredText(QPainter& p, const QSize& size, const QString& text) {
    const QRect box(20, 20, size.width() - 40, size.height() - 40);
    p.save();
    p.setPen(Text);
    p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);
    p.restore();
}

void paintTitleAndLegend(QPainter& p, const QSize& size, const TrendData& data, const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    canvas::text(p, TrendLayout::LeftMargin, 12, QStringLiteral("Verlauf im Fach ") + data.subject,
                 Text);
    p.setFont(font);
    if (!data.plottable())
        return;
    // The legend, right-aligned above the plot.
    const QString classText = QStringLiteral("Klassendurchschnitt");
    const QString ownText = QStringLiteral("Eigene Note");
    const int h = canvas::textHeight(p);
    const int cy = 12 + h / 2;
    int x = size.width() - TrendLayout::RightMargin - canvas::textWidth(p, ownText);
    canvas::text(p, x, cy - h / 2, ownText, Text);
    square(p, x - 12, cy, LegendPoint);
    x -= 40 + canvas::textWidth(p, classText);
    canvas::text(p, x, cy - h / 2, classText, Text);
    circle(p, x - 12, cy, LegendPoint);
}

void paintYears(QPainter& p, const TrendLayout& layout, const QFont& font) {
    p.setFont(font);
    const int h = canvas::textHeight(p);
    const QDate first = layout.firstDay(), last = layout.lastDay();
    bool shaded = false;
    for (int year = academicYearStart(first); year <= academicYearStart(last); ++year) {
        const QDate start = std::max(first, QDate(year, 8, 1));
        const QDate end = std::min(last, QDate(year + 1, 7, 31));
        const int l = layout.columnOf(start);
        const int r = end == last ? layout.right() : layout.columnOf(end.addDays(1));
        if (shaded)
            canvas::fill(p, l, layout.gradeOneRow(), r, layout.gradeSixRow() + 1, YearBand);
        shaded = !shaded;
        if (start == QDate(year, 8, 1))
            canvas::line(p, l, layout.gradeOneRow(), l, layout.gradeSixRow() + 34, YearBoundary);
        const QString label = QString::number(year) + u'/' + QString::number(year + 1);
        const int w = canvas::textWidth(p, label);
        if (w + 6 < r - l)
            canvas::text(p, (l + r) / 2 - w / 2, layout.gradeSixRow() + 28 - h / 2, label, Text);
    }
    // A tick at the first day of every month.
    for (QDate month(first.year(), first.month(), 1); month <= last; month = month.addMonths(1)) {
        if (month >= first) {
            const int x = layout.columnOf(month);
            canvas::line(p, x, layout.gradeSixRow() + 1, x, layout.gradeSixRow() + 6, Frame);
        }
    }
}

void paintGradeAxis(QPainter& p, const TrendLayout& layout) {
    const int h = canvas::textHeight(p);
    for (int grade = 1; grade <= 6; ++grade) {
        const int y = layout.rowOf(grade);
        canvas::line(p, layout.left(), y, layout.right(), y, GridLine);
        const QString label = QString::number(grade);
        canvas::text(p, layout.left() - 8 - canvas::textWidth(p, label), y - h / 2, label, Text);
    }
    canvas::outline(p, layout.left() - 1, layout.gradeOneRow() - 1, layout.right() + 1,
                    layout.gradeSixRow() + 2, Frame);
}

// The two average lines with their figures beside them; the figures move apart when the lines
// lie too close for both.
void paintAverageLines(QPainter& p, const TrendLayout& layout, const TrendData& data,
                       const QFont& font) {
    const std::optional<long double> classAverage = data.classAverage();
    const std::optional<long double> ownAverage = data.ownAverage();
    p.setFont(font);
    const int h = canvas::textHeight(p);
    int classLabelTop = 0;
    if (classAverage) {
        const int y = layout.rowOf(*classAverage);
        for (int x = layout.left(); x < layout.right(); x += 8)
            canvas::line(p, x, y, std::min(x + 5, layout.right()), y, ClassLine);
        classLabelTop = y - h / 2;
        canvas::text(p, layout.right() + 8, classLabelTop, classAverageLabel(*classAverage),
                     ClassLine);
    }
    if (ownAverage) {
        const int y = layout.rowOf(*ownAverage);
        canvas::line(p, layout.left(), y, layout.right(), y, OwnLine);
        int top = y - h / 2;
        if (classAverage && std::abs(top - classLabelTop) < h)
            top = *ownAverage < *classAverage ? classLabelTop - h : classLabelTop + h;
        QFont bold = font;
        bold.setBold(true);
        p.setFont(bold);
        canvas::text(p, layout.right() + 8, top, ownAverageLabel(*ownAverage), OwnLine);
        p.setFont(font);
    }
}

void paintPoints(QPainter& p, const TrendLayout& layout, const TrendData& data) {
    // Tracks first, so that the points lie on top of them.
    std::optional<QPoint> lastClass, lastOwn;
    for (const ClassTest& test : data.tests) {
        const int x = layout.columnOf(test.date);
        if (const std::optional<long double> average = TestAverage(test.counts)) {
            const QPoint point(x, layout.rowOf(*average));
            if (lastClass)
                track(p, *lastClass, point, ClassTrack);
            lastClass = point;
        }
        if (hasOwnGrade(test)) {
            const QPoint point(x, layout.rowOf(test.ownGrade));
            if (lastOwn)
                track(p, *lastOwn, point, OwnTrack);
            lastOwn = point;
        }
    }
    for (const ClassTest& test : data.tests) {
        if (const std::optional<long double> average = TestAverage(test.counts))
            circle(p, layout.columnOf(test.date), layout.rowOf(*average),
                   gradeBarColour(nearestGrade(*average)));
    }
    // Own grades last: a pupil looks for them first.
    for (const ClassTest& test : data.tests) {
        if (hasOwnGrade(test))
            square(p, layout.columnOf(test.date), layout.rowOf(test.ownGrade),
                   gradeBarColour(test.ownGrade));
    }
}

} // namespace

std::optional<long double> TrendData::classAverage() const {
    if (tests.isEmpty())
        return std::nullopt;
    return summaryOf(tests).MeanAverage;
}

std::optional<long double> TrendData::ownAverage() const {
    if (std::none_of(tests.begin(), tests.end(), hasOwnGrade))
        return std::nullopt;
    return summaryOf(tests).OwnAverage;
}

TrendLayout::TrendLayout(const TrendData& data, const QSize& size)
    : left_(LeftMargin), top_(TopMargin),
      right_(std::max(LeftMargin + 2, size.width() - RightMargin)),
      bottom_(std::max(TopMargin + 5, size.height() - BottomMargin)) {
    if (data.tests.isEmpty()) {
        firstDay_ = lastDay_ = QDate(2000, 1, 1);
        return;
    }
    QDate first = data.tests.front().date, last = first;
    for (const ClassTest& test : data.tests) {
        first = std::min(first, test.date);
        last = std::max(last, test.date);
    }
    // Some room before the first and after the last test, so their points are not cut.
    const qint64 pad = std::max<qint64>(7, first.daysTo(last) / 20);
    firstDay_ = first.addDays(-pad);
    lastDay_ = last.addDays(pad);
}

int TrendLayout::rowOf(long double grade) const {
    const long double g = std::clamp<long double>(grade, 1, 6);
    return top_ + int(std::llround((g - 1) * (bottom_ - top_) / 5.0L));
}

int TrendLayout::columnOf(const QDate& date) const {
    const qint64 span = firstDay_.daysTo(lastDay_);
    if (span <= 0)
        return (left_ + right_ - 1) / 2;
    return left_ +
           int(std::llround(double(firstDay_.daysTo(date)) * (right_ - 1 - left_) / double(span)));
}

std::optional<int> TrendLayout::testAt(const TrendData& data, const QPoint& position) const {
    std::optional<int> best;
    int bestDistance = 0;
    for (int i = 0; i < data.tests.size(); ++i) {
        const ClassTest& test = data.tests[i];
        const int dx = std::abs(columnOf(test.date) - position.x());
        if (dx > HoverReach)
            continue;
        int dy = std::numeric_limits<int>::max();
        if (const std::optional<long double> average = TestAverage(test.counts))
            dy = std::abs(rowOf(*average) - position.y());
        if (hasOwnGrade(test))
            dy = std::min(dy, std::abs(rowOf(test.ownGrade) - position.y()));
        const int distance = dx + (dy == std::numeric_limits<int>::max() ? 100000 : dy);
        if (!best || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void paintTrend(QPainter& p, const QSize& size, const TrendData& data, const QFont& font) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    canvas::fill(p, 0, 0, size.width(), size.height(), Background);
    paintTitleAndLegend(p, size, data, font);
    p.setFont(font);
    if (!data.plottable()) {
        paintCentredText(p, size, trendPlaceholderText(data));
        p.restore();
        return;
    }
    const TrendLayout layout(data, size);
    paintYears(p, layout, font);
    paintGradeAxis(p, layout);
    paintAverageLines(p, layout, data, font);
    paintPoints(p, layout, data);
    p.restore();
}

QImage trendImage(const QSize& size, const TrendData& data, const QFont& font) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Background);
    QPainter p(&image);
    paintTrend(p, image.size(), data, font);
    return image;
}

QString trendHoverText(const ClassTest& test) {
    QString text = QStringLiteral("%1. Klasse, %2. Arbeit vom %3 – Durchschnitt %4, ")
                       .arg(test.gradeLevel)
                       .arg(test.number)
                       .arg(ShortDateText(test.date), TestAverageText(test.counts));
    text += test.ownGrade == 0 ? QStringLiteral("nicht teilgenommen")
                               : QStringLiteral("eigene Note %1").arg(test.ownGrade);
    if (!test.remark.isEmpty())
        text += QStringLiteral(" – ") + test.remark;
    return text;
}

QString trendPlaceholderText(const TrendData& data) {
    if (data.tests.isEmpty())
        return QStringLiteral("In diesem Fach ist noch keine Arbeit eingetragen.");
    if (data.tests.size() == 1)
        return QStringLiteral("Für einen Verlauf sind mindestens zwei Arbeiten nötig; in "
                              "diesem Fach ist bisher eine eingetragen.");
    return QString();
}

QString trendSpokenText(const TrendData& data) {
    if (!data.plottable())
        return trendPlaceholderText(data);
    QStringList sentences;
    QStringList averages;
    if (const std::optional<long double> average = data.classAverage())
        averages << classAverageLabel(*average);
    if (const std::optional<long double> average = data.ownAverage())
        averages << ownAverageLabel(*average);
    if (!averages.isEmpty())
        sentences << averages.join(QStringLiteral(", ")) + u'.';
    for (const ClassTest& test : data.tests)
        sentences << trendHoverText(test) + u'.';
    return sentences.join(u' ');
}

QString classAverageLabel(long double value) {
    return QStringLiteral("Ø Klasse ") + formatDecimal(value, 2);
}

QString ownAverageLabel(long double value) {
    return QStringLiteral("Ø eigene Noten ") + formatDecimal(value, 2);
}
