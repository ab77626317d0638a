// Memory and time of opening data files of hostile shapes, each as a ratio measured in one run:
// opening a file as the program does (the grade book reads the subjects, builds the ranking and
// loads the first subject) in a child process of its own, whose peak memory (VmHWM), less the
// peak of a child that does everything but open the file, is set against the file's size; and
// whose time is set against reading the file and splitting it into lines. Times are the
// processor time of the child (user and system), so that other work on a shared machine does not
// stretch one side of a ratio and not the other; the wall-clock time is shown beside it.
// Shapes: one huge line, millions of empty lines, millions of short comment lines, one subject
// with millions of keys of one letter (the same key), one subject with millions of numbers as
// keys, one subject with a million short tests, a million subjects with one test each, millions
// of subjects of a short name without entries or with one short entry.
// Each line also shows the shares of reading the subjects (parsing the file), building the ranking
// and loading the first subject.
// With "window", each shape is also opened by the whole program: a process of its own starts the
// main window with the file remembered, as the program starts, and paints it once; its peak
// memory, less that of the same start with a file of one test, is set against the file's size in
// the same way, and its processor time against reading and splitting the file. Then it opens the
// last subject, as a click on its tab does, and its peak memory is judged again.
// Usage: bench_fileshapes [megabytes, default 50] [seconds a shape may take, default 300]
//                         [part of a shape's name: only the shapes whose name holds it]
//                         [window]

#include "bench/measure.h"
#include "gradedata/gradebook.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "stats/ranking.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
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
    {"short keys, one subject", [](qsizetype size) { return repeated("[Mathe]\n", "k\n", size); }},
    {"numbered keys, one subject",
     [](qsizetype size) {
         return numbered(
             "[Mathe]\n", [](int i) { return QByteArray::number(i) + "\n"; }, size);
     }},
    {"short tests, one subject",
     [](qsizetype size) {
         return numbered(
             "[Mathe]\n", [](int i) { return "5," + QByteArray::number(i) + ",01.10.2002" + test; },
             size);
     }},
    {"bare sections",
     [](qsizetype size) {
         return numbered(
             QByteArray(), [](int i) { return "[F" + QByteArray::number(i) + "]\n"; }, size);
     }},
    {"short sections",
     [](qsizetype size) {
         return numbered(
             QByteArray(), [](int i) { return "[" + QByteArray::number(i, 36) + "]\nk=1\n"; },
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

// The steps of opening a file, timed one by one.
enum Step { Subjects, Ranking, FirstSubject, StepCount };

// The processor time of this process so far, in milliseconds.
double processorMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The processor time of work.
template <typename F> double processorMilliseconds(F&& work) {
    const double before = processorMilliseconds();
    work();
    return processorMilliseconds() - before;
}

struct Result {
    qint64 peakKilobytes = -1;
    double milliseconds = -1; // processor time
    double wallMilliseconds = -1;
    double steps[StepCount] = {};
    qint64 subjectPeakKilobytes = -1; // the window's, once the last subject is open as well
};

// The times of the steps of the work running in this process.
double stepMilliseconds[StepCount] = {};

// Waits for the child to end, its status into status; false, with the child killed, when it
// has not ended limitSeconds after the clock started.
bool awaitChild(pid_t child, const QElapsedTimer& clock, int limitSeconds, int& status) {
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (clock.elapsed() > qint64(limitSeconds) * 1000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        usleep(20'000);
    }
    return true;
}

// Runs work in a child process; its time and the child's peak memory, or nothing when it fails
// or takes longer than the limit.
Result inChild(const std::function<void()>& work, int limitSeconds) {
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    // What waits in this process's buffer is written once, not again by the child.
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Result result;
        const double before = processorMilliseconds();
        result.wallMilliseconds = milliseconds(work);
        result.milliseconds = processorMilliseconds() - before;
        result.peakKilobytes = peakKilobytes();
        std::copy(std::begin(stepMilliseconds), std::end(stepMilliseconds), result.steps);
        const bool sent = write(channel[1], &result, sizeof result) == ssize_t(sizeof result);
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Result result;
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    if (!awaitChild(child, clock, limitSeconds, status)) {
        close(channel[0]);
        return {};
    }
    if (read(channel[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(channel[0]);
    return result;
}

// Answers every dialog of the window at once (the offscreen window has nobody to answer): a
// message is written to the error output, a question answered No, an input cancelled.
class NoDialogs : public DialogService {
public:
    void showMessage(QWidget*, MessageIcon, const QString&, const QString& text) override {
        std::fprintf(stderr, "    (%s)\n", qPrintable(text.left(80)));
    }
    bool askYesNo(QWidget*, MessageIcon, const QString&, const QString&) override { return false; }
    QString inputText(QWidget*, const QString&, const QString&, const QString& text) override {
        return text;
    }
    QString chooseFile(QWidget*, const FileDialogOptions&) override { return QString(); }
    bool setUpPrinter(QWidget*, QPrinter&) override { return false; }
    void beep() override {}
};

// The whole program's start with the data file remembered in the folder's Settings.ini, up to the
// first full paint of its window; says on its output its peak memory and processor time.
int showWindow(int argc, char** argv) {
    const double before = processorMilliseconds();
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    ProgramFolder::setPath(folder);
    Registry::setStorageFolder(folder + QStringLiteral("/registry"));
    DialogService::setInstance(std::make_unique<NoDialogs>());
    auto form = std::make_unique<TForm1>();
    if (form->otherInstanceRunning() || !form->document())
        return 2;
    form->show();
    QCoreApplication::processEvents();
    form->repaint();
    const qint64 startPeak = peakKilobytes();
    const double startMilliseconds = processorMilliseconds() - before;
    // Then the last subject (the tab beside the settings tab) is opened, as a click on its tab
    // does; a faulty entry is reported as the window reports it.
    auto* tabs = form->findChild<TabControl*>(QStringLiteral("Subjects"));
    if (!tabs || tabs->count() < 2)
        return 2;
    tabs->setCurrentIndex(tabs->count() - 2);
    try {
        form->SubjectsChange();
    } catch (const AppError& error) {
        std::fprintf(stderr, "    (%s)\n", qPrintable(error.message().left(80)));
    }
    form->repaint();
    std::printf("%lld %f %lld\n", qlonglong(startPeak), startMilliseconds,
                qlonglong(peakKilobytes()));
    std::fflush(stdout);
    // The window's shut-down is no part of the start.
    _exit(0);
}

// Starts the whole program on fileName in a process of its own (see showWindow); its peak memory
// and processor time, or nothing when it fails or takes longer than the limit.
Result windowOn(const QString& fileName, const QString& folder, int limitSeconds) {
    QFile settings(folder + QStringLiteral("/Settings.ini"));
    if (!settings.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    settings.write("[Settings]\r\nStandardFile=" + fileName.toUtf8() + "\r\n");
    settings.close();
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    std::fflush(stdout);
    const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
    const QByteArray where = folder.toLocal8Bit();
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        dup2(channel[1], STDOUT_FILENO);
        execl(self.constData(), self.constData(), "--window", where.constData(), nullptr);
        _exit(127);
    }
    close(channel[1]);
    Result result;
    int status = 0;
    if (!awaitChild(child, clock, limitSeconds, status)) {
        close(channel[0]);
        return {};
    }
    result.wallMilliseconds = double(clock.nsecsElapsed()) / 1e6;
    QByteArray said;
    char buffer[256];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, got);
    close(channel[0]);
    const QList<QByteArray> fields = said.trimmed().split(' ');
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || fields.size() != 3)
        return {};
    result.peakKilobytes = fields.at(0).toLongLong();
    result.milliseconds = fields.at(1).toDouble();
    result.subjectPeakKilobytes = fields.at(2).toLongLong();
    return result;
}

// What the program does when it opens the file.
void openAsTheProgramDoes(const QString& fileName) {
    try {
        GradeBook book(fileName);
        stepMilliseconds[Subjects] = processorMilliseconds([&] { book.readSubjects(); });
        SubjectRanking ranking;
        stepMilliseconds[Ranking] = processorMilliseconds([&] { ranking.of(book); });
        stepMilliseconds[FirstSubject] = processorMilliseconds([&] {
            if (!book.subjects().isEmpty())
                book.openSubject(book.subjects().front());
        });
    } catch (const AppError& error) {
        // The child ends with _exit, which writes out nothing that waits in a buffer.
        std::printf("    (%s)\n", qPrintable(error.message().left(80)));
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--window") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return showWindow(argc, argv);
    }
    QCoreApplication app(argc, argv);
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    const QStringList arguments = app.arguments();
    const qsizetype megabytes = arguments.size() > 1 ? arguments.at(1).toInt() : 50;
    const int limit = arguments.size() > 2 ? arguments.at(2).toInt() : 300;
    const QString only = arguments.value(3);
    const bool window = arguments.value(4) == QStringLiteral("window");
    QTemporaryDir dir;
    if (!dir.isValid() || megabytes <= 0)
        return 2;
    const QString fileName = dir.filePath(QStringLiteral("noten.plx"));

    const Result base = inChild([] {}, limit);
    std::printf("fixed base (the process without a file): peak %lld KB\n",
                qlonglong(base.peakKilobytes));
    // The window's processes keep their settings, registry and single-instance lock in the
    // benchmark's folder, so that nothing running elsewhere on the machine counts.
    const QString folder = dir.filePath(QStringLiteral("program"));
    Result windowBase;
    if (window) {
        QDir(dir.path()).mkpath(QStringLiteral("program/tmp"));
        QFile::setPermissions(folder + QStringLiteral("/tmp"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TMPDIR", (folder + QStringLiteral("/tmp")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (folder + QStringLiteral("/tmp")).toLocal8Bit());
        const QString small = dir.filePath(QStringLiteral("klein.plx"));
        QFile file(small);
        if (!file.open(QIODevice::WriteOnly) || file.write(oneTest) != oneTest.size())
            return 2;
        file.close();
        windowBase = windowOn(small, folder, limit);
        std::printf("fixed base of the window (a file of one test): peak %lld KB, %.0f ms\n",
                    qlonglong(windowBase.peakKilobytes), windowBase.milliseconds);
        if (windowBase.peakKilobytes < 0)
            return 2;
    }
    bool allMet = true;
    for (const Shape& shape : shapes) {
        if (!QString::fromUtf8(shape.name).contains(only))
            continue;
        double size = 0;
        {
            // The made bytes are gone before the children start: what a child inherits of this
            // process's memory would count as its own.
            const QByteArray bytes = shape.make(megabytes * 1'000'000);
            QFile file(fileName);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return 2;
            size = double(bytes.size());
        }
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
                    "time %8.0f ms = %6.2f x read+split %6.0f ms (<= %g)%s\n"
                    "%-26s subjects %6.0f ms, ranking %6.0f ms, first subject %6.0f ms; "
                    "wall-clock %6.0f ms against %6.0f ms\n",
                    shape.name, size / 1e6, double(opened.peakKilobytes) / 1024, memory,
                    memoryTarget, opened.milliseconds, time, baseline.milliseconds, timeTarget,
                    met ? "" : "   MISSED", "", opened.steps[Subjects], opened.steps[Ranking],
                    opened.steps[FirstSubject], opened.wallMilliseconds, baseline.wallMilliseconds);
        std::fflush(stdout);
        if (!window)
            continue;
        const Result shown = windowOn(fileName, folder, limit);
        if (shown.milliseconds < 0) {
            std::printf("%-26s the window was not shown within %d s   MISSED\n", "", limit);
            allMet = false;
            continue;
        }
        const double windowMemory =
            double(shown.peakKilobytes - windowBase.peakKilobytes) * 1024 / size;
        const double windowTime = shown.milliseconds / baseline.milliseconds;
        const double subjectMemory =
            double(shown.subjectPeakKilobytes - windowBase.subjectPeakKilobytes) * 1024 / size;
        const bool windowMet = windowMemory <= memoryTarget && windowTime <= timeTarget &&
                               subjectMemory <= memoryTarget;
        allMet = allMet && windowMet;
        std::printf("%-26s window: peak %8.1f MB = %5.2f x file (<= %g)   time %8.0f ms = %6.2f x "
                    "read+split (<= %g); wall-clock %6.0f ms\n"
                    "%-26s with the last subject open: peak %8.1f MB = %5.2f x file (<= %g)%s\n",
                    "", double(shown.peakKilobytes) / 1024, windowMemory, memoryTarget,
                    shown.milliseconds, windowTime, timeTarget, shown.wallMilliseconds, "",
                    double(shown.subjectPeakKilobytes) / 1024, subjectMemory, memoryTarget,
                    windowMet ? "" : "   MISSED");
        std::fflush(stdout);
    }
    return allMet ? 0 : 1;
}
