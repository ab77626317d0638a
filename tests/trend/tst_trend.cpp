#include "platform/localeformats.h"
#include "stats/gradecolours.h"
#include "stats/statistics.h"
#include "support/scripteddialogs.h"
#include "trend/trendchart.h"
#include "trend/trenddialog.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// 800 x 500: grade 1 sits on row 44 and grade 6 on row 444, 80 rows per grade.
const QSize Size(800, 500);
constexpr int GradeOneRow = 44, RowsPerGrade = 80;

ClassTest test(QDate date, GradeCounts counts, int own, const QString& remark = QString()) {
    static int number = 0;
    return ClassTest{7, ++number, date, 2, counts, own, remark};
}

// Five tests of one school year with the averages 2.85, 3, 1.5, 5.5 and 3.5 and the own
// grades 3, not taken, 1, 6 and 4.
TrendData fiveTests() {
    return {QStringLiteral("Mathematik"),
            {test(QDate(2023, 9, 21), {2, 5, 8, 4, 1, 0}, 3, QStringLiteral("Bruchrechnung")),
             test(QDate(2023, 11, 9), {0, 0, 10, 0, 0, 0}, 0),
             test(QDate(2024, 1, 18), {5, 5, 0, 0, 0, 0}, 1),
             test(QDate(2024, 3, 14), {0, 0, 0, 0, 4, 4}, 6),
             test(QDate(2024, 6, 6), {1, 1, 1, 1, 1, 1}, 4)}};
}

QFont chartFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    return font;
}

// The rows first .. last of the run of `colour` in column x that holds row y; nothing when
// (x, y) is not that colour.
std::optional<std::pair<int, int>> runAt(const QImage& image, int x, int y, const QColor& colour) {
    if (image.pixelColor(x, y) != colour)
        return std::nullopt;
    int first = y, last = y;
    while (first > 0 && image.pixelColor(x, first - 1) == colour)
        --first;
    while (last + 1 < image.height() && image.pixelColor(x, last + 1) == colour)
        ++last;
    return std::make_pair(first, last);
}

// Whether a point of the colour is centred on row y of column x: its run of colour there lies
// evenly around y.
bool pointCentredAt(const QImage& image, int x, int y, const QColor& colour) {
    const auto run = runAt(image, x, y, colour);
    return run && run->first + run->second == 2 * y && run->second - run->first >= 4;
}

} // namespace

class TestTrend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void pointsSitOnTheRowsOfTheirGrades();
    void averageLines();
    void timeAxisAndAcademicYears();
    void emptyAndSingleTestSubjects();
    void pointerNamesTheTest();
    void dialogShowsTheHoverTextAndSavesPng();
};

void TestTrend::pointsSitOnTheRowsOfTheirGrades() {
    const TrendData data = fiveTests();
    const TrendLayout layout(data, Size);
    QCOMPARE(layout.gradeOneRow(), GradeOneRow);
    QCOMPARE(layout.gradeSixRow(), GradeOneRow + 5 * RowsPerGrade);
    const QImage image = trendImage(Size, data, chartFont());

    // Class averages: circles in the colour of the nearest grade (halves up).
    const struct {
        int row;
        int grade;
    } averages[] = {{192, 3}, {204, 3}, {84, 2}, {404, 6}, {244, 4}};
    // Own grades: squares; the second test was not taken.
    const int ownRows[] = {204, -1, 44, 444, 284};
    const int ownGrades[] = {3, 0, 1, 6, 4};
    for (int i = 0; i < 5; ++i) {
        const int x = layout.columnOf(data.tests[i].date);
        QCOMPARE(layout.rowOf(*TestAverage(data.tests[i].counts)), averages[i].row);
        QVERIFY2(pointCentredAt(image, x, averages[i].row, gradeBarColour(averages[i].grade)),
                 qPrintable(QStringLiteral("average of test %1").arg(i + 1)));
        if (ownRows[i] < 0)
            continue;
        QVERIFY2(pointCentredAt(image, x, ownRows[i], gradeBarColour(ownGrades[i])),
                 qPrintable(QStringLiteral("own grade of test %1").arg(i + 1)));
        // A square: as wide as it is high, the outline one pixel outside the fill.
        const int r = TrendLayout::PointRadius;
        QCOMPARE(image.pixelColor(x - r + 1, ownRows[i] - r + 1), gradeBarColour(ownGrades[i]));
        QCOMPARE(image.pixelColor(x - r, ownRows[i]), QColor(Qt::black));
        QCOMPARE(image.pixelColor(x + r, ownRows[i]), QColor(Qt::black));
    }
    // The test not taken has only the circle of its average 3.0, no square on the same row.
    const int x2 = layout.columnOf(data.tests[1].date);
    const auto circle = runAt(image, x2, 204, gradeBarColour(3));
    QVERIFY(circle);
    QVERIFY(circle->second - circle->first < 2 * TrendLayout::PointRadius);

    // Values outside 1 .. 6 stay on the edge rows.
    QCOMPARE(layout.rowOf(0.2L), GradeOneRow);
    QCOMPARE(layout.rowOf(7), GradeOneRow + 5 * RowsPerGrade);
}

void TestTrend::averageLines() {
    const TrendData data = fiveTests();
    // (2.85 + 3 + 1.5 + 5.5 + 3.5) / 5 and (3 + 1 + 6 + 4) / 4.
    QCOMPARE(double(*data.classAverage()), 3.27);
    QCOMPARE(double(*data.ownAverage()), 3.5);
    QCOMPARE(classAverageLabel(*data.classAverage()), QStringLiteral("Ø Klasse 3,27"));
    QCOMPARE(ownAverageLabel(*data.ownAverage()), QStringLiteral("Ø eigene Noten 3,5"));

    const TrendLayout layout(data, Size);
    const QImage image = trendImage(Size, data, chartFont());
    // The class average 3.27 lies on row 44 + 2.27 * 80 = 225.6 -> 226, dashed from the left.
    const QColor classLine = image.pixelColor(layout.left(), 226);
    QCOMPARE(classLine, QColor(0x50, 0x50, 0x50));
    QCOMPARE(image.pixelColor(layout.left() + 6, 226), QColor(Qt::white));
    // The own average 3.5 on row 244, solid across the plot.
    const QColor ownLine = image.pixelColor(layout.left() + 1, 244);
    QCOMPARE(image.pixelColor(layout.left() + 6, 244), ownLine);
    QCOMPARE(image.pixelColor(layout.right() - 1, 244), ownLine);
    QVERIFY(ownLine != classLine && ownLine != QColor(Qt::white));
    // Their figures stand beside the plot, at the height of their lines.
    bool ownFigure = false;
    for (int x = layout.right() + 8; x < Size.width() && !ownFigure; ++x)
        for (int y = 236; y <= 252 && !ownFigure; ++y)
            ownFigure = image.pixelColor(x, y) == ownLine;
    QVERIFY(ownFigure);

    // No own grade at all: no own line, no own figure.
    TrendData notTaken = data;
    for (ClassTest& t : notTaken.tests)
        t.ownGrade = 0;
    QVERIFY(!notTaken.ownAverage());
    const QImage without = trendImage(Size, notTaken, chartFont());
    for (int x = layout.left(); x < Size.width(); ++x)
        for (int y = 0; y < Size.height(); ++y)
            QVERIFY(without.pixelColor(x, y) != ownLine);
}

void TestTrend::timeAxisAndAcademicYears() {
    const TrendData data = fiveTests();
    const TrendLayout layout(data, Size);
    // 259 days from the first to the last test, 12 days (a twentieth) of room on both sides.
    QCOMPARE(layout.firstDay(), QDate(2023, 9, 9));
    QCOMPARE(layout.lastDay(), QDate(2024, 6, 18));
    QCOMPARE(layout.columnOf(layout.firstDay()), layout.left());
    QCOMPARE(layout.columnOf(layout.lastDay()), layout.right() - 1);
    // The plot runs from x = 40 to x = 629 (800 - 170 - 1).
    QCOMPARE(layout.columnOf(QDate(2023, 9, 21)), 40 + qRound(12 * 589 / 283.0));
    for (int i = 1; i < 5; ++i)
        QVERIFY(layout.columnOf(data.tests[i].date) > layout.columnOf(data.tests[i - 1].date));

    // Two school years: a boundary on the 1st of August, the second year's band shaded.
    TrendData twoYears = data;
    twoYears.tests.prepend(test(QDate(2023, 5, 4), {1, 2, 3, 4, 5, 6}, 2));
    const TrendLayout wide(twoYears, Size);
    const QImage image = trendImage(Size, twoYears, chartFont());
    const int boundary = wide.columnOf(QDate(2023, 8, 1));
    const int freeRow = 64; // between the rows of grade 1 and 2, off every point
    QCOMPARE(image.pixelColor(boundary, freeRow), QColor(0xA0, 0xA0, 0xA0));
    QCOMPARE(image.pixelColor(boundary, wide.gradeSixRow() + 12), QColor(0xA0, 0xA0, 0xA0));
    QCOMPARE(image.pixelColor(boundary - 3, freeRow), QColor(Qt::white));
    QCOMPARE(image.pixelColor(boundary + 3, freeRow), QColor(0xF0, 0xF0, 0xF0));
    // Within one school year there is no boundary.
    const QImage one = trendImage(Size, data, chartFont());
    for (int x = layout.left() + 1; x < layout.right() - 1; ++x)
        QVERIFY(one.pixelColor(x, layout.gradeSixRow() + 12) != QColor(0xA0, 0xA0, 0xA0));

    // All tests on one day: they stand in the middle.
    TrendData sameDay{QStringLiteral("Kunst"),
                      {test(QDate(2024, 1, 8), {1, 0, 0, 0, 0, 0}, 1),
                       test(QDate(2024, 1, 8), {0, 1, 0, 0, 0, 0}, 2)}};
    const TrendLayout centred(sameDay, Size);
    QVERIFY(centred.columnOf(QDate(2024, 1, 8)) > centred.left());
    QVERIFY(centred.columnOf(QDate(2024, 1, 8)) < centred.right());
}

void TestTrend::emptyAndSingleTestSubjects() {
    const TrendData empty{QStringLiteral("Chemie"), {}};
    const TrendData single{QStringLiteral("Chemie"),
                           {test(QDate(2024, 1, 8), {1, 2, 3, 0, 0, 0}, 2)}};
    QCOMPARE(trendPlaceholderText(empty),
             QStringLiteral("In diesem Fach ist noch keine Arbeit eingetragen."));
    QVERIFY(trendPlaceholderText(single).startsWith(
        QStringLiteral("Für einen Verlauf sind mindestens zwei Arbeiten nötig")));
    QVERIFY(trendPlaceholderText(fiveTests()).isEmpty());
    QCOMPARE(trendSpokenText(empty), trendPlaceholderText(empty));

    // No plot: no frame, no point; text in the middle.
    const TrendLayout layout(fiveTests(), Size);
    for (const TrendData& data : {empty, single}) {
        const QImage image = trendImage(Size, data, chartFont());
        QCOMPARE(image.pixelColor(layout.left() - 1, 150), QColor(Qt::white));
        int dark = 0, coloured = 0;
        for (int y = 200; y < 300; ++y)
            for (int x = 0; x < Size.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                dark += c.lightness() < 128;
                coloured += c.saturation() > 0;
            }
        QVERIFY(dark > 50);
        QCOMPARE(coloured, 0);
    }
}

void TestTrend::pointerNamesTheTest() {
    const TrendData data = fiveTests();
    const TrendLayout layout(data, Size);
    const int x1 = layout.columnOf(data.tests[0].date);
    QCOMPARE(layout.testAt(data, {x1, 192}), std::optional<int>(0));
    QCOMPARE(layout.testAt(data, {x1 + TrendLayout::HoverReach, 10}), std::optional<int>(0));
    QCOMPARE(layout.testAt(data, {x1 + TrendLayout::HoverReach + 1, 192}), std::nullopt);

    // Two tests of one day: the one whose point is nearer.
    TrendData sameDay = data;
    sameDay.tests.insert(1, test(QDate(2023, 9, 21), {0, 0, 0, 0, 0, 3}, 6));
    const TrendLayout sameLayout(sameDay, Size);
    const int x = sameLayout.columnOf(QDate(2023, 9, 21));
    QCOMPARE(sameLayout.testAt(sameDay, {x, 440}), std::optional<int>(1));
    QCOMPARE(sameLayout.testAt(sameDay, {x, 190}), std::optional<int>(0));

    QCOMPARE(trendHoverText(data.tests[0]),
             QStringLiteral("7. Klasse, %1. Arbeit vom 21.09.2023 – Durchschnitt 2,9, eigene "
                            "Note 3 – Bruchrechnung")
                 .arg(data.tests[0].number));
    QCOMPARE(trendHoverText(data.tests[1]),
             QStringLiteral("7. Klasse, %1. Arbeit vom 09.11.2023 – Durchschnitt 3, nicht "
                            "teilgenommen")
                 .arg(data.tests[1].number));
}

void TestTrend::dialogShowsTheHoverTextAndSavesPng() {
    const TrendData data = fiveTests();
    TrendDialog dialog(data);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* chart = dialog.findChild<TrendView*>(QStringLiteral("Chart"));
    auto* sb = dialog.findChild<QStatusBar*>(QStringLiteral("SB"));
    QVERIFY(chart && sb);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Verlauf – Mathematik"));
    // A screen reader hears the averages, then every test as the status bar names it.
    const QString spoken = chart->accessibleDescription();
    QVERIFY2(spoken.startsWith(classAverageLabel(*data.classAverage()) + QStringLiteral(", ") +
                               ownAverageLabel(*data.ownAverage()) + QStringLiteral(". ")),
             qPrintable(spoken));
    for (const ClassTest& test : data.tests)
        QVERIFY(spoken.contains(trendHoverText(test) + u'.'));
    QCOMPARE(chart->accessibleName(), QStringLiteral("Verlauf von Mathematik"));

    const TrendLayout layout(data, chart->size());
    const QPoint onThird(layout.columnOf(data.tests[2].date), layout.rowOf(1.5));
    QTest::mouseMove(chart, onThird);
    QTRY_COMPARE(sb->currentMessage(), trendHoverText(data.tests[2]));
    QTest::mouseMove(chart, QPoint(5, 5));
    QTRY_COMPARE(sb->currentMessage(), QString());

    QTemporaryDir dir;
    ScopedDialogs dialogs;
    const QString fileName = dir.filePath(QStringLiteral("Verlauf.png"));
    dialogs->answerFile(fileName);
    dialog.SavePngClick();
    QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
    const ShownDialog fileDialog = dialogs->shown(ShownDialog::Kind::File).value(0);
    QVERIFY(fileDialog.fileOptions.save);
    QCOMPARE(fileDialog.fileOptions.defaultSuffix, QStringLiteral("png"));
    const QImage saved(fileName, "PNG");
    QCOMPARE(saved.size(), chart->size());
    QCOMPARE(saved.pixelColor(onThird), gradeBarColour(2));

    // A folder that is not there: the error is shown, nothing thrown.
    dialogs->clear();
    dialogs->answerFile(dir.filePath(QStringLiteral("fehlt/Verlauf.png")));
    dialog.SavePngClick();
    QCOMPARE(dialogs->shown(ShownDialog::Kind::Message).size(), 1);
    QVERIFY(dialogs->texts().value(0).contains(QStringLiteral("kann nicht geschrieben werden")));

    // Cancelled: nothing happens.
    dialogs->clear();
    dialogs->answerFile(QString());
    dialog.SavePngClick();
    QCOMPARE(dialogs->shown().size(), 1);

    // Nothing to save without a plot.
    TrendDialog single(TrendData{QStringLiteral("Chemie"), {data.tests[0]}});
    QVERIFY(!single.findChild<QPushButton*>(QStringLiteral("SavePng"))->isEnabled());
}

QTEST_MAIN(TestTrend)
#include "tst_trend.moc"
