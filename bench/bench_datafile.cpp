// Measures the data file store against plain file work on a generated data file:
// (a) reading every subject's tests through the store, against reading the file and
//     splitting it into lines;
// (b) storing one test, against writing a copy of the file the same atomic way.
// Usage: bench_datafile [subjects] [tests per subject] [repetitions]

#include "bench/generator.h"
#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "platform/atomicfile.h"
#include "platform/localeformats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename F> double milliseconds(F&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

int argument(const QStringList& arguments, int index, int fallback) {
    bool ok = false;
    const int value = index < arguments.size() ? arguments.at(index).toInt(&ok) : 0;
    return ok && value > 0 ? value : fallback;
}

bool report(const char* what, double store, double baseline, double target) {
    const double ratio = store / baseline;
    std::printf("%-28s store %8.2f ms   baseline %8.2f ms   ratio %6.2f (target <= %g)%s\n", what,
                store, baseline, ratio, target, ratio <= target ? "" : "   MISSED");
    return ratio <= target;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int subjects = argument(arguments, 1, 50);
    const int tests = argument(arguments, 2, 400);
    const int repetitions = argument(arguments, 3, 9);
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));

    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString fileName = dir.filePath("noten.plx");
    const QString copyName = dir.filePath("kopie.plx");
    const QStringList names = generateDataFile(fileName, subjects, tests);
    std::printf("data file: %d subjects x %d tests, %lld bytes, %d repetitions\n", subjects, tests,
                qlonglong(QFileInfo(fileName).size()), repetitions);

    // (a) Reading: a fresh store each time, so that every run reads and parses the file.
    std::vector<double> readStore, readBaseline;
    qsizetype items = 0, lines = 0;
    for (int r = 0; r < repetitions; ++r) {
        readBaseline.push_back(milliseconds([&] {
            QFile file(fileName);
            if (!file.open(QIODevice::ReadOnly))
                return;
            lines = QString::fromUtf8(file.readAll()).split(u'\n').size();
        }));
        readStore.push_back(milliseconds([&] {
            const IniStore store(fileName);
            items = 0;
            for (const QString& subject : store.ReadSections()) {
                QStringList list;
                LoadSubjectTests(store, subject, list);
                items += list.size();
            }
        }));
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

#if !defined(__OPTIMIZE__) || defined(__SANITIZE_ADDRESS__)
    // The baselines run mostly inside the optimised Qt library, the store in this build's own
    // code, so an unoptimised or sanitised build overstates the ratios.
    std::printf("note: unoptimised or sanitised build; build with -DCMAKE_BUILD_TYPE=Release "
                "for the figures that count\n");
#endif
    const bool readOk =
        report("(a) reading every subject", median(readStore), median(readBaseline), 15);
    const bool writeOk =
        report("(b) storing one test", median(writeStore), median(writeBaseline), 2);
    return readOk && writeOk ? 0 : 1;
}
