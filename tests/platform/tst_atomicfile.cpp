#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/localeformats.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList entries(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QString refusedMessage(const QString& fileName) {
    return QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName);
}

constexpr uid_t nobody = 65534;

// Runs the step in a child process that has given up root rights (root may write anything);
// the child's exit code: 0 written, 1 refused with the right message, 2 anything else.
int asNobody(const std::function<void()>& step, const QString& fileName) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(3);
        try {
            step();
            _exit(0);
        } catch (const AppError& error) {
            _exit(error.message() == refusedMessage(fileName) ? 1 : 2);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void own(const QString& path, uid_t user, mode_t mode) {
    QCOMPARE(chown(QFile::encodeName(path).constData(), user, user), 0);
    QCOMPARE(chmod(QFile::encodeName(path).constData(), mode), 0);
}

} // namespace

class TestAtomicFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString folder(const QString& name) {
        const QString path = dir_.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(dir_.isValid());
        // Child processes that give up root rights must reach the test folders.
        QVERIFY(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther));
    }

    // Also when the program runs as root, who may write any file.
    void readOnlyFileIsRefusedAndKept() {
        const QString fileName = folder("schreibgeschuetzt") + "/noten.plx";
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Mathe]\r\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        try {
            writeFileAtomically(fileName, "[Deutsch]\r\n");
            QFAIL("a read-only file was replaced");
        } catch (const AppError& error) {
            QCOMPARE(error.message(),
                     QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Mathe]\r\n"));
    }

    // The usual write replaces the file (a new inode) and leaves nothing beside it; the file
    // keeps its permissions.
    void replacesAndKeepsPermissions() {
        const QString path = folder("ersetzen");
        const QString fileName = path + "/noten.plx";
        QVERIFY(writeBytes(fileName, "alt"));
        QVERIFY(chmod(QFile::encodeName(fileName).constData(), 0640) == 0);
        const FileStamp before = fileStamp(fileName);
        const FileStamp written = writeFileAtomically(fileName, "neu");
        QCOMPARE(readBytes(fileName), "neu");
        QVERIFY(written.inode != before.inode);
        QCOMPARE(written, fileStamp(fileName));
        QCOMPARE(QFileInfo(fileName).permissions() & 0x7777,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                     QFile::ReadGroup);
        QCOMPARE(entries(path), QStringList{"noten.plx"});
    }

    // Temporary files of killed writes of this file are removed at its next write; files of
    // running processes, of other files and everything else beside it stay.
    void leftoversRemovedAtTheNextWrite() {
        const QString path = folder("reste");
        const pid_t gone = fork();
        if (gone == 0)
            _exit(0);
        QCOMPARE(waitpid(gone, nullptr, 0), gone);
        const QString dead = QString::number(gone);
        const QString self = QString::number(getpid());
        const QStringList removed{".noten.plx.zensoria-" + dead + ".tmp",
                                  ".noten.plx.zensoria-" + self + ".tmp"};
        const QStringList kept{"noten.plx",
                               "noten.plx.bak",
                               ".noten.plx.zensoria-1.tmp",
                               ".noten.plx.zensoria-x" + dead + ".tmp",
                               ".noten.plx.zensoria-" + dead + ".tmp~",
                               ".andere.plx.zensoria-" + dead + ".tmp",
                               "noten.plx.zensoria-" + dead + ".tmp"};
        for (const QString& name : removed + kept)
            QVERIFY(writeBytes(path + '/' + name, "[Mathe]\r\n"));
        writeFileAtomically(path + "/noten.plx", "[Deutsch]\r\n");
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(entries(path), expected);
        QCOMPARE(readBytes(path + "/noten.plx"), "[Deutsch]\r\n");
    }

    // A symbolic link stays a link; its target gets the contents.
    void symbolicLinkKept() {
        const QString path = folder("verweis");
        QVERIFY(QDir().mkpath(path + "/echt"));
        QVERIFY(writeBytes(path + "/echt/noten.plx", "alt"));
        QVERIFY(QFile::link(path + "/echt/noten.plx", path + "/noten.plx"));
        writeFileAtomically(path + "/noten.plx", "neu");
        QVERIFY(QFileInfo(path + "/noten.plx").isSymLink());
        QCOMPARE(readBytes(path + "/echt/noten.plx"), "neu");
        QCOMPARE(entries(path + "/echt"), QStringList{"noten.plx"});
    }

    // A folder or a pipe is never replaced by a file.
    void specialTargetsRefused() {
        const QString path = folder("besonders");
        QVERIFY(QDir().mkpath(path + "/ordner.plx"));
        QCOMPARE(mkfifo(QFile::encodeName(path + "/pipe.plx").constData(), 0644), 0);
        for (const QString& name : {path + "/ordner.plx", path + "/pipe.plx"}) {
            QVERIFY_THROWS_EXCEPTION(AppError, writeFileAtomically(name, "x"));
        }
        QVERIFY(QFileInfo(path + "/ordner.plx").isDir());
        QVERIFY(!QFileInfo(path + "/pipe.plx").isFile());
        QCOMPARE(entries(path), (QStringList{"ordner.plx", "pipe.plx"}));
    }

    // A writable file in a folder that refuses new files is written in place.
    void writableFileInReadOnlyFolder() {
        const QString path = folder("nurlesen");
        const QString fileName = path + "/Settings.ini";
        QVERIFY(writeBytes(fileName, "[Settings]\r\nWidth=800\r\nHeight=600\r\n"));
        const bool root = geteuid() == 0;
        if (root)
            own(fileName, nobody, 0644);
        own(path, root ? 0 : geteuid(), 0555);
        const FileStamp before = fileStamp(fileName);

        // Longer, then shorter than before.
        for (const QByteArray& data : {QByteArray("[Settings]\r\nWidth=1024\r\nHeight=768\r\n"
                                                  "StandardFile=/home/anna/noten.plx\r\n"),
                                       QByteArray("[Settings]\r\n")}) {
            const int result = asNobody([&] { writeFileAtomically(fileName, data); }, fileName);
            QCOMPARE(result, 0);
            QCOMPARE(readBytes(fileName), data);
        }
        QCOMPARE(fileStamp(fileName).inode, before.inode);
        QCOMPARE(entries(path), QStringList{"Settings.ini"});
        own(path, root ? 0 : geteuid(), 0755);
    }

    // The last step, the rename, refused: the old file stays, the error is reported and the
    // temporary file goes. A folder with the sticky bit lets others create files but not replace
    // a file they do not own.
    void refusedRenameKeepsTheOldFile() {
        if (geteuid() != 0)
            QSKIP("needs root to hand the file to another user");
        const QString path = folder("klebrig");
        const QString fileName = path + "/noten.plx";
        QVERIFY(writeBytes(fileName, "[Mathe]\r\n"));
        own(fileName, 0, 0666);
        own(path, 0, 01777);
        const int result =
            asNobody([&] { writeFileAtomically(fileName, "[Deutsch]\r\n"); }, fileName);
        QCOMPARE(result, 1);
        QCOMPARE(readBytes(fileName), "[Mathe]\r\n");
        QCOMPARE(entries(path), QStringList{"noten.plx"});
        own(path, 0, 0755);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
