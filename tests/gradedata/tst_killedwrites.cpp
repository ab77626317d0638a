#include "gradedata/inistore.h"
#include "platform/writejournal.h"
#include "support/testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString lastSubject = QStringLiteral("Zuletzt");

QString key(int i) {
    return QStringLiteral("9,%1,01.08.2030").arg(i + 1);
}
QString value(int i) {
    return QStringLiteral("\"3,2,5,8,6,3,1,3,\"Lauf %1\"\"").arg(i);
}
QByteArray line(int i) {
    return (key(i) + u'=' + value(i) + QStringLiteral("\r\n")).toUtf8();
}

// A data file of about 1 MB; its last subject is the one the writer adds to. Long remarks keep
// the number of lines, and so the time to read the file at each start of the writer, small.
QByteArray bigFile() {
    QByteArray bytes;
    const QString remark(480, u'x');
    for (int s = 0; s < 40; ++s) {
        bytes += QStringLiteral("[Fach %1 Öl]\r\n").arg(s).toUtf8();
        for (int t = 0; t < 50; ++t)
            bytes += QStringLiteral("%1,%2,12.03.2002=\"3,2,5,8,6,3,1,3,\"%3 Übung\"\"\r\n")
                         .arg(t % 13 + 1)
                         .arg(t)
                         .arg(remark)
                         .toUtf8();
    }
    bytes += "[" + lastSubject.toUtf8() + "]\r\n";
    return bytes;
}

constexpr uid_t nobody = 65534;

// Root may make files in any folder: a writer for a folder that refuses new files gives up root
// rights first.
void becomeWriter(bool inPlace) {
    if (inPlace && geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
        _exit(5);
}

// Runs step as the writer in a child process; true when it ran through.
bool asWriter(bool inPlace, const std::function<void()>& step) {
    const pid_t child = fork();
    if (child == 0) {
        becomeWriter(inPlace);
        try {
            step();
            _exit(0);
        } catch (...) {
            _exit(3);
        }
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Stores one test after the other, continuing after what the file holds, until it is killed.
// Says on the pipe when the file is read and the writes begin.
[[noreturn]] void writer(const QString& fileName, int ready, bool inPlace) {
    becomeWriter(inPlace);
    try {
        IniStore store(fileName);
        const int first = int(store.ReadSection(lastSubject).size());
        if (write(ready, "w", 1) != 1)
            _exit(4);
        for (int i = first;; ++i)
            store.WriteString(lastSubject, key(i), value(i));
    } catch (...) {
        _exit(3);
    }
}

} // namespace

// A writer killed with SIGKILL at random moments, again and again: after each kill the file,
// once opened, is exactly one of the versions it wrote one after the other (never a mixture,
// never cut off), and the next write leaves nothing beside the file. Both ways of writing: the
// atomic replacement, and the write in place for a folder that takes no new files (its
// journal puts a cut-off write right when the file is opened).
class TestKilledWrites : public QObject {
    Q_OBJECT

private slots:
    void killsLeaveALegalVersion_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("atomic replacement") << false;
        QTest::newRow("in place, folder takes no new files") << true;
    }
    void killsLeaveALegalVersion() {
        QFETCH(bool, inPlace);
        // In memory where the system has such a file system: no waits for the disk, so that the
        // kills fall into the writes themselves.
        const QString shared = QStringLiteral("/dev/shm");
        QTemporaryDir dir(QFileInfo(shared).isDir() && QFileInfo(shared).isWritable()
                              ? shared + "/zensoria-XXXXXX"
                              : QDir::tempPath() + "/zensoria-XXXXXX");
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath("daten");
        const QString journal = dir.filePath("journal");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(journal));
        const QString fileName = folder + "/noten.plx";
        const QByteArray base = bigFile();
        QVERIFY(base.size() > 1'000'000);
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(base), base.size());
        }
        if (inPlace) {
            const uid_t writer = geteuid() == 0 ? nobody : geteuid();
            QCOMPARE(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
            QCOMPARE(chown(QFile::encodeName(fileName).constData(), writer, writer), 0);
            QCOMPARE(chown(QFile::encodeName(journal).constData(), writer, writer), 0);
            QCOMPARE(chmod(QFile::encodeName(journal).constData(), 0700), 0);
            QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0555), 0);
        }
        WriteJournal::setFolder(journal);
        QRandomGenerator random(20021203);
        int kills = 0;
        int leftoversSeen = 0;
        int repaired = 0;
        int versions = 0;
        QElapsedTimer clock;
        clock.start();
        while (kills < 120) {
            int ready[2];
            QCOMPARE(pipe(ready), 0);
            const pid_t child = fork();
            if (child == 0)
                writer(fileName, ready[1], inPlace);
            QVERIFY(child > 0);
            close(ready[1]);
            char started = 0;
            QCOMPARE(read(ready[0], &started, 1), ssize_t(1));
            close(ready[0]);
            // Somewhere in the first writes: a write of the file takes some ten milliseconds.
            usleep(useconds_t(random.bounded(0, 60000)));
            QCOMPARE(kill(child, SIGKILL), 0);
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY2(WIFSIGNALED(status), "the writer ended by itself");
            ++kills;
            // The next start opens the file; a write cut off in place is put right then.
            const QByteArray killed = readBytes(fileName);
            QVERIFY(asWriter(inPlace, [&] { IniStore opened(fileName); }));
            if (readBytes(fileName) != killed)
                ++repaired;

            // Exactly one of the versions: the base and the first n tests, whole.
            const QByteArray bytes = readBytes(fileName);
            QVERIFY2(bytes.startsWith(base), qPrintable(QStringLiteral("kill %1").arg(kills)));
            const int n = int(bytes.mid(base.size()).count("\r\n"));
            QByteArray expected = base;
            for (int i = 0; i < n; ++i)
                expected += line(i);
            QVERIFY2(bytes == expected,
                     qPrintable(QStringLiteral("kill %1: not a version").arg(kills)));
            versions = n;

            const QStringList beside =
                QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
            if (beside.size() > 1)
                ++leftoversSeen;
            // The next write takes the file on and removes what the killed one left.
            if (kills % 4 == 0) {
                QVERIFY(asWriter(inPlace, [&] {
                    IniStore store(fileName);
                    store.WriteString(lastSubject, key(n), value(n));
                }));
                QCOMPARE(readBytes(fileName), expected + line(n));
                QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
                         QStringList{"noten.plx"});
                QCOMPARE(QDir(journal).entryList(QDir::Files | QDir::Hidden | QDir::System),
                         QStringList());
            }
        }
        qInfo("%d kills survived in %lld ms; %d tests stored; a leftover stood beside the file "
              "after %d of them; %d cut-off files were put right when opened",
              kills, qlonglong(clock.elapsed()), versions, leftoversSeen, repaired);
        // The kills fell into the writes, not all before the first one.
        QVERIFY(versions > 0);
        QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0755), 0);
    }
};

QTEST_GUILESS_MAIN(TestKilledWrites)
#include "tst_killedwrites.moc"
