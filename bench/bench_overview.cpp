// Measures opening the "Übersicht" on a generated data file against the baseline of reading
// the file and splitting it into lines: every subject's tests are read from the store that the
// main window holds, the dialog computes its rows for the latest school year and paints once.
// Opened again on the unchanged file, the tests read the first time are used. Exits non-zero
// when opening, the first time or again, takes more than 3 times the baseline in processor time
// (times on the clock are shown beside it; on a shared machine they say little).
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

    // The main window keeps the data file's store, parsed once; the overview opens on it. The
    // first opening reads every subject's tests; opened again on the unchanged file, it finds
    // them read. A fresh store that first parses the file is measured too, for comparison.
    const IniStore windowStore(data.fileName);
    const QStringList subjects = windowStore.ReadSections();
    // Reading another (empty) file in between makes the next opening a first one again.
    const QString emptyName = data.dir.filePath(QStringLiteral("leer.plx"));
    const IniStore emptyStore(emptyName);
    const auto forget = [&] { SubjectOverview::read(emptyStore, {}); };
    Timings first, again, cold, reading, baseline;
    qsizetype rows = 0;
    const auto open = [&](const IniStore& store) {
        OverviewDialog dialog(SubjectOverview::read(store, subjects), data.names.first());
        dialog.grab();
        rows = dialog.findChild<QComboBox*>()->count();
    };
    for (int r = 0; r < data.repetitions; ++r) {
        baseline.run([&] { readAndSplitLines(data.fileName); });
        forget();
        reading.run([&] { SubjectOverview::read(windowStore, subjects); });
        forget();
        first.run([&] { open(windowStore); });
        again.run([&] { open(windowStore); });
        cold.run([&] {
            const IniStore store(data.fileName);
            open(store);
        });
    }
    if (rows < 2) {
        std::printf("the overview offers no school year\n");
        return 2;
    }
    // Times on the clock, and in brackets the processor times that the target is judged by (the
    // machine may be shared).
    const auto report = [&](const char* what, const Timings& times, bool target) {
        const double ratio = median(times.processor) / median(baseline.processor);
        std::printf(
            "%-34s %7.2f (%6.2f) ms   baseline %6.2f (%5.2f) ms   ratio %5.2f (%5.2f)%s%s\n", what,
            median(times.clock), median(times.processor), median(baseline.clock),
            median(baseline.processor), median(times.clock) / median(baseline.clock), ratio,
            target ? " (target <= 3)" : "", target && ratio > 3 ? "   MISSED" : "");
        return ratio <= 3;
    };
    report("of it reading the tests", reading, false);
    report("the same with a fresh store", cold, false);
    const bool firstOk = report("opening the overview", first, true);
    const bool againOk = report("opening it again, file unchanged", again, true);
    return firstOk && againOk ? 0 : 1;
}
