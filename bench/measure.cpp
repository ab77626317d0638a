#include "bench/measure.h"

#include "bench/generator.h"
#include "platform/localeformats.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

qsizetype readAndSplitLines(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return QString::fromUtf8(file.readAll()).split(u'\n').size();
}

namespace {
int argument(const QStringList& arguments, int index, int fallback) {
    bool ok = false;
    const int value = index < arguments.size() ? arguments.at(index).toInt(&ok) : 0;
    return ok && value > 0 ? value : fallback;
}
} // namespace

BenchData::BenchData(const QStringList& arguments)
    : subjects(argument(arguments, 1, 50)), tests(argument(arguments, 2, 400)),
      repetitions(argument(arguments, 3, 9)), fileName(dir.filePath("noten.plx")) {
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    names = generateDataFile(fileName, subjects, tests);
    std::printf("data file: %d subjects x %d tests, %lld bytes, %d repetitions\n", subjects, tests,
                qlonglong(QFileInfo(fileName).size()), repetitions);
    // The ratios count on a quiet machine: the load when the measuring starts goes with them.
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> averages = load.read(128).split(' ');
        if (averages.size() >= 3)
            std::printf("load average (1, 5, 15 minutes): %s %s %s\n", averages[0].constData(),
                        averages[1].constData(), averages[2].constData());
    }
#if !defined(__OPTIMIZE__) || defined(__SANITIZE_ADDRESS__)
    // The baselines run mostly inside the optimised Qt library, the measured code in this
    // build's own, so an unoptimised or sanitised build overstates the ratios.
    std::printf("note: unoptimised or sanitised build; build with -DCMAKE_BUILD_TYPE=Release "
                "for the figures that count\n");
#endif
}
