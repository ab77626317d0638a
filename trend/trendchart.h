#pragma once

#include "gradedata/classtest.h"

#include <QFont>
#include <QList>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

// The trend of one subject: over time, one point per test for the class average (a circle)
// and one for the pupil's own grade (a square; tests not taken have none), both in the grade
// colour of the nearest grade; a dashed line at the subject's class average and a line at the
// pupil's own average, each with its figure beside it; the academic years as bands along the
// time axis. The grade axis runs from 1 at the top to 6 at the bottom.

// What the chart shows: the subject's tests in date order.
struct TrendData {
    QString subject;
    QList<ClassTest> tests;

    // The mean of the test averages (tests without participants left out).
    std::optional<long double> classAverage() const;
    // The mean of the own grades 1 .. 6; empty when no test carries one.
    std::optional<long double> ownAverage() const;
    // A plot needs two tests; with fewer the chart shows a sentence instead.
    bool plottable() const { return tests.size() >= 2; }
};

// Where everything sits on a canvas of the given size. Rectangles are left, top, right,
// bottom with right and bottom exclusive, as in the program's other views.
class TrendLayout {
public:
    // Distances of the plot area from the canvas edges: room for the title and legend above,
    // the grade figures to the left, the average figures to the right and the academic years
    // below.
    static constexpr int LeftMargin = 40, TopMargin = 44, RightMargin = 170, BottomMargin = 56;
    // Circle of a class average and square of an own grade: 2 * radius + 1 pixels across.
    static constexpr int PointRadius = 5;
    // How far (in pixels, along the time axis) the pointer may be from a test to name it.
    static constexpr int HoverReach = 8;

    TrendLayout(const TrendData& data, const QSize& size);

    // Row of grade 1 and row of grade 6; the plot's pixels run from left() to right() - 1.
    int gradeOneRow() const { return top_; }
    int gradeSixRow() const { return bottom_; }
    int left() const { return left_; }
    int right() const { return right_; }

    // The pixel row of a grade value (1 at the top, 6 at the bottom, linear between; values
    // outside 1 .. 6 stay at the edge rows).
    int rowOf(long double grade) const;
    // The pixel column of a day.
    int columnOf(const QDate& date) const;
    // First and last day of the time axis.
    QDate firstDay() const { return firstDay_; }
    QDate lastDay() const { return lastDay_; }

    // The test named by the pointer: of the tests within HoverReach of its column, the one
    // with a point nearest to it. Index into data.tests.
    std::optional<int> testAt(const TrendData& data, const QPoint& position) const;

private:
    int left_, top_, right_, bottom_;
    QDate firstDay_, lastDay_;
};

// Draws the chart into (0, 0, size) of the painter. The font is used for all texts.
void paintTrend(QPainter& p, const QSize& size, const TrendData& data, const QFont& font);

// The chart as an image (for saving it as PNG).
QImage trendImage(const QSize& size, const TrendData& data, const QFont& font);

// The status bar text of a test: "7. Klasse, 2. Arbeit vom 09.11.2023 – Durchschnitt 2,9,
// eigene Note 2 – Negative Zahlen".
QString trendHoverText(const ClassTest& test);

// What a screen reader says of the chart: the placeholder sentence, or the two averages
// ("Ø Klasse 2,85, Ø eigene Noten 2,4.") followed by each test's status bar text in date order,
// one sentence each.
QString trendSpokenText(const TrendData& data);

// The sentence shown instead of a plot for an empty or one-test subject; empty when the data
// can be plotted.
QString trendPlaceholderText(const TrendData& data);

// The texts beside the two average lines: "Ø Klasse 2,85", "Ø eigene Noten 2,4".
QString classAverageLabel(long double value);
QString ownAverageLabel(long double value);
