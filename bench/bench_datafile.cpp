// Measures the data file store against plain file work on a generated data file:
// (a) reading every subject's tests through the store, against reading the file and
//     splitting it into lines;
// (b) storing one test, against writing a copy of the file the same atomic way.
// Usage: bench_datafile [subjects] [tests per subject] [repetitions]

#include "bench/measure.h"
#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "platform/atomicfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <vector>

namespace {

bool report(const char* what, double store, double baseline, double target) {
    const double ratio = store / baseline;
    std::printf("%-28s store %8.2f ms   baseline %8.2f ms   ratio %6.2f (target <= %g)%s\n", what,
                store, baseline, ratio, target, ratio <= target ? "" : "   MISSED");
    return ratio <= target;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchData data(app.arguments());
    if (!data.dir.isValid())
        return 2;
    const auto& [subjects, tests, repetitions, fileName, names] =
        std::tie(data.subjects, data.tests, data.repetitions, data.fileName, data.names);
    const QString copyName = data.dir.filePath("kopie.plx");

    // (a) Reading: a fresh store each time, so that every run reads and parses the file.
    Timings readStore, readBaseline;
    qsizetype items = 0, lines = 0;
    for (int r = 0; r < repetitions; ++r) {
        readBaseline.run([&] { lines = readAndSplitLines(fileName); });
        readStore.run([&] {
            const IniStore store(fileName);
            items = 0;
            for (const QString& subject : store.ReadSections()) {
                QStringList list;
                LoadSubjectTests(store, subject, list);
                items += list.size();
            }
        });
    }
    if (items != qsizetype(subjects) * tests || lines < items) {
        std::printf("read %lld tests and %lld lines, expected %d tests\n", qlonglong(items),
                    qlonglong(lines), subjects * tests);
        return 2;
    }

    // (b) Storing one test: the program's store stays open, as the main window keeps it.
    QByteArray bytes;
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        bytes = file.readAll();
    }
    IniStore store(fileName);
    const QString subject = names.at(names.size() / 2);
    const QStringList keys = store.ReadSection(subject);
    std::vector<double> writeStore, writeBaseline;
    for (int r = 0; r < repetitions; ++r) {
        writeBaseline.push_back(milliseconds([&] { writeFileAtomically(copyName, bytes); }));
        // Alternately change an existing test and add a new one.
        const QString key =
            r % 2 ? keys.at((r * 37) % keys.size()) : QStringLiteral("5,%1,01.08.2031").arg(r + 1);
        const QString value =
            QStringLiteral("\"%1,2,5,8,6,3,1,3,\"Lauf %2\"\"").arg(r % 10 + 1).arg(r);
        writeStore.push_back(milliseconds([&] { store.WriteString(subject, key, value); }));
    }

    // Reading is judged by processor times (the machine may be shared); storing waits for the
    // disk, and only the clock sees that.
    std::printf("%-28s clock %8.2f ms   baseline %8.2f ms   ratio %6.2f\n", "(a) on the clock",
                median(readStore.clock), median(readBaseline.clock),
                median(readStore.clock) / median(readBaseline.clock));
    const bool readOk = report("(a) reading every subject", median(readStore.processor),
                               median(readBaseline.processor), 15);
    const bool writeOk =
        report("(b) storing one test", median(writeStore), median(writeBaseline), 2);
    return readOk && writeOk ? 0 : 1;
}
