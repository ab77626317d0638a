// Measures the main window on generated data files, each figure as a ratio in one run:
// (a) start-up of the program with the data file remembered, from starting the process to
//     the window's first full paint, against a process that shows a QMainWindow with a line
//     of text and a status-bar message the same way (all report the paint on their output);
//     second, against a bare QMainWindow;
// (b) switching to a subject with its tests (load, summary, average bar, painting the visible
//     rows) against reading and splitting the whole file;
// (c) drawing every row of a subject and the average bar into an image, against the same;
// (d) opening a file of 1,600 subjects with 10 tests each against one of 100 subjects with 160
//     tests each: the same number of tests, so a cost that grows with the subjects alone
//     shows as a ratio far above 16;
// (f) opening a file of 20,000 subjects with one test each against one of 2,000: a cost that
//     grows faster than the number of subjects shows as a ratio far above 10;
// (e) loading 20,000 tests of one subject stored in random date order against the same tests
//     stored in order.
// Usage: bench_mainwindow [subjects] [tests per subject] [repetitions]

#include "bench/generator.h"
#include "bench/measure.h"
#include "gradedata/gradebook.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "platform/atomicfile.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "stats/averagebarpainter.h"
#include "stats/canvas.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {

void report(const char* what, double measured, double baseline, double target) {
    const double ratio = measured / baseline;
    std::printf("%-44s %9.2f ms  against %9.2f ms  ratio %6.2f  (at most %g) %s\n", what, measured,
                baseline, ratio, target, ratio <= target ? "" : "OVER");
}

// A ratio shown for comparison, without a target.
void figure(const char* what, double measured, double baseline) {
    std::printf("%-44s %9.2f ms  against %9.2f ms  ratio %6.2f\n", what, measured, baseline,
                measured / baseline);
}

void remember(const QString& fileName) {
    QFile settings(ProgramFolder::filePath(QStringLiteral("Settings.ini")));
    settings.open(QIODevice::WriteOnly | QIODevice::Truncate);
    settings.write(("[Settings]\r\nStandardFile=" + fileName + "\r\n").toUtf8());
}

// A child process of this program: the window's way to the screen (shown, its events
// handled, then painted in full). It says so on its output; what follows, the window's
// shut-down (which stores Settings.ini) and the end of the process, is no part of the start.
int showAndPaint(int argc, char** argv) {
    QApplication app(argc, argv);
    ProgramFolder::setPath(QString::fromLocal8Bit(argv[2]));
    // The update reminder's registry values stay in the benchmark's folder.
    Registry::setStorageFolder(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/registry"));
    std::unique_ptr<QMainWindow> window;
    if (qstrcmp(argv[1], "--bare") == 0 || qstrcmp(argv[1], "--text") == 0) {
        window = std::make_unique<QMainWindow>();
        window->resize(792, 588);
        if (qstrcmp(argv[1], "--text") == 0) {
            window->setCentralWidget(new QLabel(QStringLiteral("Einstellungen")));
            window->statusBar()->showMessage(QStringLiteral("Bereit"));
        }
    } else {
        auto form = std::make_unique<TForm1>();
        if (form->otherInstanceRunning() || !form->document()) {
            std::fputs("no data file open\n", stdout);
            return 2;
        }
        window = std::move(form);
    }
    window->show();
    QCoreApplication::processEvents();
    window->repaint();
    std::fputs("painted\n", stdout);
    std::fflush(stdout);
    return 0;
}

// From starting the child to its report of the first full paint.
double startToFirstPaint(const char* mode, const QString& folder) {
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode), folder});
    QByteArray said;
    while (!said.contains('\n') && child.waitForReadyRead(-1))
        said += child.readAllStandardOutput();
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished(-1);
    if (said != "painted\n") {
        std::printf("the %s window did not paint: %s\n", mode, said.constData());
        std::exit(2);
    }
    return elapsed;
}

// The entries of the file's only section, in random order.
void shuffleEntries(const QString& from, const QString& to) {
    QFile source(from);
    source.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = source.readAll().split('\n');
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    const QByteArray header = lines.takeFirst();
    std::shuffle(lines.begin(), lines.end(), *QRandomGenerator::global());
    writeFileAtomically(to, header + '\n' + lines.join('\n') + '\n');
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && (qstrcmp(argv[1], "--bare") == 0 || qstrcmp(argv[1], "--text") == 0 ||
                      qstrcmp(argv[1], "--form") == 0))
        return showAndPaint(argc, argv);
    // The baseline reads a 1 MB file into buffers of 1 and 2 MB. Left to itself, glibc gives
    // such buffers back to the system after every read once this process has made its first
    // windows, and the page faults of taking them again cost ten times the reading on this
    // virtual machine. Kept in the heap, the baseline is what the other benchmarks measure.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    QApplication app(argc, argv);
    const BenchData data(app.arguments());
    if (!data.dir.isValid())
        return 2;
    ProgramFolder::setPath(data.dir.path());
    // The single-instance lock of every window here, also of the child processes, lies in the
    // benchmark's own folder: a program or test running elsewhere on the machine would
    // otherwise make each window a second instance that ends at once.
    const QString lockFolder = data.dir.filePath(QStringLiteral("tmp"));
    QDir(data.dir.path()).mkpath(QStringLiteral("tmp"));
    QFile::setPermissions(lockFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("TMPDIR", lockFolder.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", lockFolder.toLocal8Bit());
    Registry::setStorageFolder(data.dir.path() + QStringLiteral("/registry"));
    const int repetitions = data.repetitions;
    std::vector<double> baseline, bare, text, start, switching, drawing;

    // (a) to (c) on the file of the command line.
    remember(data.fileName);
    const QString subject = data.names.at(data.names.size() / 2);
    GradeBook book(data.fileName);
    book.openSubject(subject);
    DrawStyle style;
    style.font = QFont(QStringLiteral("Liberation Sans"), 8);
    // As the subjects page draws: with the page's cache of laid-out texts, kept from one
    // drawing to the next.
    canvas::TextCache texts;
    style.texts = &texts;
    constexpr int width = 753, rowHeight = 30;
    QImage image(width, rowHeight * book.tests().count(), QImage::Format_RGB32);
    // The start-ups first: the child processes leave the caches cold for what follows here.
    for (int r = 0; r < repetitions; ++r) {
        bare.push_back(startToFirstPaint("--bare", data.dir.path()));
        text.push_back(startToFirstPaint("--text", data.dir.path()));
        start.push_back(startToFirstPaint("--form", data.dir.path()));
    }
    for (int r = 0; r < repetitions; ++r) {
        baseline.push_back(milliseconds([&] { readAndSplitLines(data.fileName); }));
        drawing.push_back(milliseconds([&] {
            QPainter p(&image);
            const auto& rows = book.tests().rows();
            for (int i = 0; i < rows.size(); ++i) {
                style.selected = i == 7;
                paintTestRow(p, QRect(0, i * rowHeight, width, rowHeight), rows.at(i).test, style);
            }
            style.selected = false;
            p.drawImage(0, 0, AverageBarImage(width, subjectSummaryOf(rows), style));
        }));
    }
    {
        TForm1 form;
        form.show();
        QCoreApplication::processEvents();
        auto* tabs = form.findChild<TabControl*>(QStringLiteral("Subjects"));
        for (int r = 0; r < repetitions; ++r) {
            // From the settings page, as the user comes from the ranking.
            tabs->setCurrentIndex(tabs->count() - 1);
            form.SubjectsChange();
            QCoreApplication::processEvents();
            switching.push_back(milliseconds([&] {
                tabs->setCurrentIndex(tabs->indexOf(subject));
                form.SubjectsChange();
                form.repaint();
            }));
        }
        if (form.document()->tests().count() != data.tests) {
            std::printf("switched to %d tests, expected %d\n", form.document()->tests().count(),
                        data.tests);
            return 2;
        }
    }
    const double base = median(baseline);
    report("(a) start-up to the first full paint", median(start), median(text), 1.5);
    figure("    the same against a bare window", median(start), median(bare));
    report("(b) switching to a subject", median(switching), base, 3);
    report("(c) drawing all rows + bar", median(drawing), base, 8);

    // Opens two files by turns through the settings page, as a user does, and gives the median
    // times of each; an empty pair when the larger file did not show all its subjects.
    const auto openByTurns = [&](const QString& small, const QString& large,
                                 qsizetype largeSubjects) -> std::pair<double, double> {
        std::vector<double> smallTimes, largeTimes;
        remember(QString());
        TForm1 form;
        form.show();
        QCoreApplication::processEvents();
        auto* field = form.findChild<QLineEdit*>(QStringLiteral("StandardFile"));
        for (int r = 0; r < repetitions; ++r) {
            for (auto [fileName, times] :
                 {std::pair{small, &smallTimes}, std::pair{large, &largeTimes}}) {
                field->setText(fileName);
                times->push_back(milliseconds([&] {
                    form.FileOKClick();
                    form.repaint();
                }));
            }
        }
        if (form.document()->subjects().size() != largeSubjects)
            return {0, 0};
        return {median(smallTimes), median(largeTimes)};
    };

    // Generates two files and reports opening the second against opening the first; false when
    // the window did not show every subject of the second.
    const auto compareOpening = [&](const char* label, double target, const QString& smallName,
                                    int smallSubjects, int smallTests, const QString& largeName,
                                    int largeSubjects, int largeTests) {
        const QString small = data.dir.filePath(smallName);
        const QString large = data.dir.filePath(largeName);
        generateDataFile(small, smallSubjects, smallTests);
        generateDataFile(large, largeSubjects, largeTests);
        const auto [openSmall, openLarge] = openByTurns(small, large, largeSubjects);
        if (openLarge == 0)
            return false;
        report(label, openLarge, openSmall, target);
        return true;
    };
    // (d) many small subjects against few large ones.
    if (!compareOpening("(d) opening 1,600 x 10 against 100 x 160", 20,
                        QStringLiteral("wenige.plx"), 100, 160, QStringLiteral("viele.plx"), 1600,
                        10))
        return 2;
    // (f) ten times the subjects, one test each.
    if (!compareOpening("(f) opening 20,000 x 1 against 2,000 x 1", 12,
                        QStringLiteral("tausende.plx"), 2000, 1, QStringLiteral("zehntausende.plx"),
                        20000, 1))
        return 2;

    // (e) 20,000 tests out of order against in order.
    const QString ordered = data.dir.filePath(QStringLiteral("geordnet.plx"));
    const QString shuffled = data.dir.filePath(QStringLiteral("gemischt.plx"));
    const QString big = generateDataFile(ordered, 1, 20000).first();
    shuffleEntries(ordered, shuffled);
    std::vector<double> loadOrdered, loadShuffled;
    GradeBook orderedBook(ordered), shuffledBook(shuffled);
    for (int r = 0; r < repetitions; ++r) {
        loadOrdered.push_back(milliseconds([&] { orderedBook.openSubject(big); }));
        loadShuffled.push_back(milliseconds([&] { shuffledBook.openSubject(big); }));
    }
    if (orderedBook.tests().items() != shuffledBook.tests().items())
        return 2;
    report("(e) 20,000 tests in random order against in order", median(loadShuffled),
           median(loadOrdered), 1.5);
    return 0;
}
