// Measures opening the "Übersicht" on a generated data file against the baseline of reading
// the file and splitting it into lines: every subject's tests are read from the store that the
// main window holds, the dialog computes its rows for the latest school year and paints once.
// Exits non-zero when opening takes more than 3 times the baseline.
// Usage: bench_overview [subjects] [tests per subject] [repetitions]

#include "bench/measure.h"
#include "gradedata/inistore.h"
#include "overview/overviewdialog.h"
#include "overview/subjectoverview.h"

#include <QApplication>
#include <QComboBox>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchData data(app.arguments());
    if (!data.dir.isValid())
        return 2;

    // The main window keeps the data file's store, parsed once; the overview opens on it. A
    // fresh store that first parses the file is measured too, for comparison.
    const IniStore windowStore(data.fileName);
    const QStringList subjects = windowStore.ReadSections();
    std::vector<double> opening, cold, reading, baseline;
    qsizetype rows = 0;
    const auto open = [&](const IniStore& store) {
        OverviewDialog dialog(SubjectOverview::read(store, subjects), data.names.first());
        dialog.grab();
        rows = dialog.findChild<QComboBox*>()->count();
    };
    for (int r = 0; r < data.repetitions; ++r) {
        baseline.push_back(milliseconds([&] { readAndSplitLines(data.fileName); }));
        opening.push_back(milliseconds([&] { open(windowStore); }));
        reading.push_back(milliseconds([&] { SubjectOverview::read(windowStore, subjects); }));
        cold.push_back(milliseconds([&] {
            const IniStore store(data.fileName);
            open(store);
        }));
    }
    if (rows < 2) {
        std::printf("the overview offers no school year\n");
        return 2;
    }
    std::printf("%-28s %8.2f ms   baseline %8.2f ms   ratio %6.2f\n", "of it reading the tests",
                median(reading), median(baseline), median(reading) / median(baseline));
    std::printf("%-28s %8.2f ms   baseline %8.2f ms   ratio %6.2f\n", "the same with a fresh store",
                median(cold), median(baseline), median(cold) / median(baseline));
    const double ratio = median(opening) / median(baseline);
    std::printf("%-28s %8.2f ms   baseline %8.2f ms   ratio %6.2f (target <= 3)%s\n",
                "opening the overview", median(opening), median(baseline), ratio,
                ratio <= 3 ? "" : "   MISSED");
    return ratio <= 3 ? 0 : 1;
}
