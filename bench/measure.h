#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

// Timing helpers shared by the benchmarks.

double median(std::vector<double> values);

template <typename F> double milliseconds(F&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The baseline every ratio is measured against: reading the file and splitting it into
// lines. Returns the number of lines.
qsizetype readAndSplitLines(const QString& fileName);

// A generated data file in a temporary folder, sized by the command line
// "[subjects] [tests per subject] [repetitions]" (defaults 50, 400, 9), with German formats.
struct BenchData {
    explicit BenchData(const QStringList& arguments);

    QTemporaryDir dir;
    int subjects = 50;
    int tests = 400;
    int repetitions = 9;
    QString fileName;
    QStringList names; // subject names in file order
};
