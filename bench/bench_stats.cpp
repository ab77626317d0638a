// Measures the statistics views on a generated data file, each against the baseline of
// reading the file and splitting it into lines:
// (a) building the subject ranking with a fresh store, which must parse the file once and not
//     once per subject or key;
// (b) drawing every row of one subject into an image, as the test list does on a full repaint,
//     together with the subject's summary and average bar.
// Usage: bench_stats [subjects] [tests per subject] [repetitions]

#include "bench/measure.h"
#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "stats/averagebarpainter.h"
#include "stats/ranking.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <vector>

namespace {

void report(const char* what, double measured, double baseline) {
    std::printf("%-32s %8.2f ms   baseline %8.2f ms   ratio %6.2f\n", what, measured, baseline,
                measured / baseline);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const BenchData data(app.arguments());
    if (!data.dir.isValid())
        return 2;
    const auto& [subjects, tests, repetitions, fileName, names] =
        std::tie(data.subjects, data.tests, data.repetitions, data.fileName, data.names);

    DrawStyle style;
    style.font = QFont(QStringLiteral("Liberation Sans"), 8);
    style.diagramLabels = true;
    constexpr int width = 753, rowHeight = 30;

    IniStore openStore(fileName);
    // The tests of one subject as the test list holds them: typed, in list order.
    QList<TestRow> rows;
    loadSubjectRows(openStore, names.at(names.size() / 2), rows);
    QStringList items;
    for (const TestRow& row : std::as_const(rows))
        items.append(row.item);
    QImage image(width, rowHeight * int(items.size()), QImage::Format_RGB32);

    // The values of every subject, read beforehand, for timing the ranking's arithmetic alone.
    QList<QList<QPair<QString, QString>>> sections;
    for (const QString& name : names)
        sections.append(openStore.ReadSectionValues(name));

    const SubjectList subjectList(names);
    std::vector<double> baseline, parse, arithmetic, ranking, warmRanking, drawing;
    QStringList entries;
    qsizetype lines = 0;
    for (int r = 0; r < repetitions; ++r) {
        baseline.push_back(milliseconds([&] { lines = readAndSplitLines(fileName); }));
        // One parse of the file: what the ranking may cost at most, apart from its arithmetic.
        parse.push_back(milliseconds([&] { IniStore(fileName).ReadSections(); }));
        arithmetic.push_back(milliseconds([&] {
            for (const auto& values : sections)
                entries.append(ClassAverageText(ClassAverage(values).value_or(0)));
        }));
        entries.clear();
        ranking.push_back(milliseconds([&] {
            const IniStore store(fileName);
            entries = BuildRankingEntries(store, subjectList);
        }));
        // The same on the open store, whose parsed copy of the file is still current.
        warmRanking.push_back(
            milliseconds([&] { entries = BuildRankingEntries(openStore, subjectList); }));
        drawing.push_back(milliseconds([&] {
            QPainter p(&image);
            for (int i = 0; i < rows.size(); ++i) {
                style.selected = i == 7;
                paintTestRow(p, QRect(0, i * rowHeight, width, rowHeight), rows.at(i).test, style);
            }
            style.selected = false;
            p.drawImage(0, 0, AverageBarImage(width, subjectSummaryOf(rows), style));
        }));
    }
    if (entries.size() != subjects || items.size() != tests ||
        lines < qsizetype(subjects) * tests) {
        std::printf("ranked %lld subjects and drew %lld rows, expected %d and %d\n",
                    qlonglong(entries.size()), qlonglong(items.size()), subjects, tests);
        return 2;
    }

    const double base = median(baseline);
    report("(a) ranking of all subjects", median(ranking), base);
    report("(b) drawing all rows + bar", median(drawing), base);

    // A fresh store parses the file on its first read; the open store has it parsed. The
    // difference is what the ranking spends on reading the file, counted in parses: about 1
    // when it reads the file once, `subjects` when once per subject. On the open store the
    // ranking may cost its arithmetic and the copying of the values, but no further parse.
    const double parses = (median(ranking) - median(warmRanking)) / median(parse);
    const bool once =
        parses < 1.5 && median(warmRanking) < median(arithmetic) + 1.5 * median(parse);
    std::printf("%-32s %8.2f ms\n", "one parse of the file", median(parse));
    std::printf("%-32s %8.2f ms\n", "ranking on the open store", median(warmRanking));
    std::printf("%-32s %8.2f ms\n", "ranking arithmetic alone", median(arithmetic));
    std::printf("file parsed %.2f times per ranking: %s\n", parses,
                once ? "once" : "MORE THAN ONCE");
    return once ? 0 : 1;
}
