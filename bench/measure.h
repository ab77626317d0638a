#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <ctime>
#include <vector>

// Timing helpers shared by the benchmarks.

double median(std::vector<double> values);

template <typename F> double milliseconds(F&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The processor time (user and system) that the calling thread spends on work, in
// milliseconds. Unlike the time on the clock, it does not grow while other programs on a shared
// machine take the processor, so ratios of it stay comparable from run to run.
template <typename F> double processorMilliseconds(F&& work) {
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
}

// Clock and processor times of repeated runs of one piece of work.
struct Timings {
    std::vector<double> clock, processor;
    template <typename F> void run(F&& work) {
        double cpu = 0;
        clock.push_back(milliseconds([&] { cpu = processorMilliseconds(work); }));
        processor.push_back(cpu);
    }
};

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
