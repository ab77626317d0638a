// Memory and time of opening data files of hostile shapes, each as a ratio measured in one run:
// opening a file as the program does (the grade book reads the subjects, builds the ranking and
// loads the first subject) in a child process of its own, whose peak memory (VmHWM), less the
// peak of a child that does everything but open the file, is set against the file's size; and
// whose time is set against reading the file and splitting it into lines.
// Shapes: one huge line, millions of empty lines, millions of short comment lines, one subject
// with a million short tests, a million subjects with one test each.
// Usage: bench_fileshapes [megabytes, default 50] [seconds a shape may take, default 300]

#include "bench/measure.h"
#include "gradedata/gradebook.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "stats/ranking.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr double memoryTarget = 8;
constexpr double timeTarget = 20;

const QByteArray test = "=\"1,1,1,1,1,1,1,1,\"\n";

struct Shape {
    const char* name;
    std::function<QByteArray(qsizetype)> make;
};

QByteArray repeated(const QByteArray& head, const QByteArray& line, qsizetype size) {
    QByteArray bytes = head;
    bytes.reserve(size + line.size());
    while (bytes.size() < size)
        bytes += line;
    return bytes;
}

QByteArray numbered(const QByteArray& head, const std::function<QByteArray(int)>& line,
                    qsizetype size) {
    QByteArray bytes = head;
    bytes.reserve(size + 100);
    for (int i = 1; bytes.size() < size; ++i)
        bytes += line(i);
    return bytes;
}

const QByteArray oneTest = "[Mathe]\n5,1,01.10.2002" + test;

const Shape shapes[] = {
    {"one huge line",
     [](qsizetype size) {
         return "[Mathe]\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1," + QByteArray(size, 'x') + "\"\n";
     }},
    {"empty lines", [](qsizetype size) { return repeated(oneTest, "\n", size); }},
    {"short comment lines", [](qsizetype size) { return repeated(oneTest, ";\n", size); }},
    {"short tests, one subject",
     [](qsizetype size) {
         return numbered(
             "[Mathe]\n", [](int i) { return "5," + QByteArray::number(i) + ",01.10.2002" + test; },
             size);
     }},
    {"many sections",
     [](qsizetype size) {
         return numbered(
             QByteArray(),
             [](int i) { return "[F" + QByteArray::number(i) + "]\n5,1,01.10.2002" + test; }, size);
     }},
};

qint64 peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong();
    }
    return -1;
}

struct Result {
    qint64 peakKilobytes = -1;
    double milliseconds = -1;
};

// Runs work in a child process; its time and the child's peak memory, or nothing when it fails
// or takes longer than the limit.
Result inChild(const std::function<void()>& work, int limitSeconds) {
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Result result;
        result.milliseconds = milliseconds(work);
        result.peakKilobytes = peakKilobytes();
        const bool sent = write(channel[1], &result, sizeof result) == ssize_t(sizeof result);
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Result result;
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (clock.elapsed() > qint64(limitSeconds) * 1000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            close(channel[0]);
            return {};
        }
        usleep(20'000);
    }
    if (read(channel[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(channel[0]);
    return result;
}

// What the program does when it opens the file.
void openAsTheProgramDoes(const QString& fileName) {
    try {
        GradeBook book(fileName);
        book.readSubjects();
        SubjectRanking ranking;
        ranking.of(book);
        if (!book.subjects().isEmpty())
            book.openSubject(book.subjects().front());
    } catch (const AppError& error) {
        std::printf("    (%s)\n", qPrintable(error.message().left(80)));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    const QStringList arguments = app.arguments();
    const qsizetype megabytes = arguments.size() > 1 ? arguments.at(1).toInt() : 50;
    const int limit = arguments.size() > 2 ? arguments.at(2).toInt() : 300;
    QTemporaryDir dir;
    if (!dir.isValid() || megabytes <= 0)
        return 2;
    const QString fileName = dir.filePath(QStringLiteral("noten.plx"));

    const Result base = inChild([] {}, limit);
    std::printf("fixed base (the process without a file): peak %lld KB\n",
                qlonglong(base.peakKilobytes));
    bool allMet = true;
    for (const Shape& shape : shapes) {
        const QByteArray bytes = shape.make(megabytes * 1'000'000);
        {
            QFile file(fileName);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return 2;
        }
        const double size = double(bytes.size());
        const Result baseline = inChild([&] { readAndSplitLines(fileName); }, limit);
        const Result opened = inChild([&] { openAsTheProgramDoes(fileName); }, limit);
        if (opened.milliseconds < 0) {
            std::printf("%-26s %6.1f MB  not opened within %d s   MISSED\n", shape.name, size / 1e6,
                        limit);
            allMet = false;
            continue;
        }
        const double memory = double(opened.peakKilobytes - base.peakKilobytes) * 1024 / size;
        const double time = opened.milliseconds / baseline.milliseconds;
        const bool met = memory <= memoryTarget && time <= timeTarget;
        allMet = allMet && met;
        std::printf("%-26s %6.1f MB  peak %8.1f MB = %5.2f x file (<= %g)   "
                    "time %8.0f ms = %6.2f x read+split %6.0f ms (<= %g)%s\n",
                    shape.name, size / 1e6, double(opened.peakKilobytes) / 1024, memory,
                    memoryTarget, opened.milliseconds, time, baseline.milliseconds, timeTarget,
                    met ? "" : "   MISSED");
        std::fflush(stdout);
    }
    return allMet ? 0 : 1;
}
