#include "gradedata/inistore.h"
#include "support/testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
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

// Stores one test after the other, continuing after what the file holds, until it is killed.
// Says on the pipe when the file is read and the writes begin.
[[noreturn]] void writer(const QString& fileName, int ready) {
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

// A writer killed with SIGKILL at random moments, again and again: after each kill the file is
// exactly one of the versions it wrote one after the other (never a mixture, never cut off),
// and the next write leaves nothing beside the file.
class TestKilledWrites : public QObject {
    Q_OBJECT

private slots:
    void killsLeaveALegalVersion() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fileName = dir.filePath("noten.plx");
        const QByteArray base = bigFile();
        QVERIFY(base.size() > 1'000'000);
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(base), base.size());
        }
        QRandomGenerator random(20021203);
        int kills = 0;
        int leftoversSeen = 0;
        int versions = 0;
        QElapsedTimer clock;
        clock.start();
        while (kills < 120) {
            int ready[2];
            QCOMPARE(pipe(ready), 0);
            const pid_t child = fork();
            if (child == 0)
                writer(fileName, ready[1]);
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
                QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
            if (beside.size() > 1)
                ++leftoversSeen;
            // The next write takes the file on and removes what the killed one left.
            if (kills % 4 == 0) {
                IniStore store(fileName);
                store.WriteString(lastSubject, key(n), value(n));
                QCOMPARE(readBytes(fileName), expected + line(n));
                QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                         QStringList{"noten.plx"});
            }
        }
        qInfo("%d kills survived in %lld ms; %d tests stored; a leftover stood beside the file "
              "after %d of them",
              kills, qlonglong(clock.elapsed()), versions, leftoversSeen);
        // The kills fell into the writes, not all before the first one.
        QVERIFY(versions > 0);
    }
};

QTEST_GUILESS_MAIN(TestKilledWrites)
#include "tst_killedwrites.moc"
