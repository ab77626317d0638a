#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/fileio.h"
#include "platform/localeformats.h"
#include "platform/regularfile.h"
#include "platform/writejournal.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
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
        // The journal of writes in place, in a folder of the user that writes.
        const QString journal = folder("journal");
        own(journal, geteuid() == 0 ? nobody : geteuid(), 0700);
        WriteJournal::setFolder(journal);
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
        QCOMPARE(entries(WriteJournal::folder()), QStringList());
        own(path, root ? 0 : geteuid(), 0755);
    }

    // A link or a pipe put at the name of the temporary file is neither followed nor opened;
    // the write goes on under another name and leaves the planted entry as it was.
    void plantedTemporaryNamesLeftAlone_data() {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("link to a file of the victim") << false;
        QTest::newRow("pipe") << true;
    }
    void plantedTemporaryNamesLeftAlone() {
        QFETCH(bool, fifo);
        const QString path = folder(fifo ? "gepflanzt-pipe" : "gepflanzt-link");
        const QString fileName = path + "/noten.plx";
        const QString victim = path + "/bashrc";
        QVERIFY(writeBytes(fileName, "alt"));
        QVERIFY(writeBytes(victim, "eigenes"));
        const QString planted = path + "/.noten.plx.zensoria-" + QString::number(getpid()) + ".tmp";
        if (fifo)
            QCOMPARE(mkfifo(QFile::encodeName(planted).constData(), 0666), 0);
        else
            QVERIFY(QFile::link(victim, planted));
        writeFileAtomically(fileName, "neu");
        QCOMPARE(readBytes(fileName), "neu");
        QCOMPARE(readBytes(victim), "eigenes");
        struct stat info {};
        QCOMPARE(lstat(QFile::encodeName(planted).constData(), &info), 0);
        QVERIFY(fifo ? S_ISFIFO(info.st_mode) : S_ISLNK(info.st_mode));
        QCOMPARE(entries(path).size(), 3);
    }

    // The program's own files are read whole and bounded; a link, pipe, folder, device or
    // another user's file at the name is never followed or read.
    void boundedReadOfOwnFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("outcome");
        QTest::newRow("own file") << "file" << int(BoundedRead::Outcome::Read);
        QTest::newRow("larger than the bound") << "large" << int(BoundedRead::Outcome::TooLarge);
        QTest::newRow("link to an own file") << "link" << int(BoundedRead::Outcome::Failed);
        QTest::newRow("pipe") << "fifo" << int(BoundedRead::Outcome::NotOwnRegularFile);
        QTest::newRow("folder") << "folder" << int(BoundedRead::Outcome::NotOwnRegularFile);
        QTest::newRow("missing") << "missing" << int(BoundedRead::Outcome::Failed);
        QTest::newRow("device without end") << "device" << int(BoundedRead::Outcome::TooLarge);
        if (geteuid() == 0)
            QTest::newRow("another user's file")
                << "foreign" << int(BoundedRead::Outcome::NotOwnRegularFile);
    }
    void boundedReadOfOwnFiles() {
        QFETCH(QString, kind);
        QFETCH(int, outcome);
        const QString path = folder("begrenzt-" + kind);
        const QString target = path + "/eigen";
        const QString name = path + "/name";
        QVERIFY(writeBytes(target, "0123456789"));
        if (kind == "file" || kind == "large" || kind == "foreign")
            QVERIFY(writeBytes(name, "0123456789"));
        if (kind == "foreign")
            QCOMPARE(chown(QFile::encodeName(name).constData(), nobody, nobody), 0);
        if (kind == "link")
            QVERIFY(QFile::link(target, name));
        if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        if (kind == "folder")
            QVERIFY(QDir().mkdir(name));

        const Descriptor zero(open("/dev/zero", O_RDONLY | O_CLOEXEC));
        const BoundedRead read = kind == "device" ? readToEnd(zero.get(), 100000)
                                                  : readOwnFile(name, kind == "large" ? 9 : 10);
        QCOMPARE(int(read.outcome), outcome);
        QCOMPARE(read.bytes,
                 QByteArray(outcome == int(BoundedRead::Outcome::Read) ? "0123456789" : ""));
        if (kind == "link")
            QCOMPARE(read.error, ELOOP);
    }

    // A save keeps the file's owner, group and mode. Where the writer may not give them to a new
    // file (another user's shared file, a group the writer is not in) the file is written in
    // place, under its inode, instead of being taken over.
    void ownerGroupAndModeKept_data() {
        QTest::addColumn<uint>("owner");
        QTest::addColumn<uint>("group");
        QTest::addColumn<bool>("writerIsNobody");
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("folderMode");
        QTest::newRow("root saves another user's file")
            << uint(nobody) << uint(nobody) << false << false << 0777;
        QTest::newRow("another user saves a shared file")
            << 0u << uint(nobody) << true << true << 0777;
        QTest::newRow("owner not in the file's group")
            << uint(nobody) << 0u << true << true << 0777;
        // A folder with the sticky bit lets others make files but not replace one they do not own.
        QTest::newRow("another user's file in a sticky folder")
            << 0u << 0u << true << true << 01777;
    }
    void ownerGroupAndModeKept() {
        if (geteuid() != 0)
            QSKIP("needs root to hand the file to another user");
        QFETCH(uint, owner);
        QFETCH(uint, group);
        QFETCH(bool, writerIsNobody);
        QFETCH(bool, inPlace);
        QFETCH(int, folderMode);
        const QString path = folder(QStringLiteral("besitzer-%1").arg(QTest::currentDataTag()));
        const QString fileName = path + "/noten.plx";
        QVERIFY(writeBytes(fileName, "[Mathe]\r\n"));
        QCOMPARE(chown(QFile::encodeName(fileName).constData(), owner, group), 0);
        QCOMPARE(chmod(QFile::encodeName(fileName).constData(), 0666), 0);
        own(path, 0, mode_t(folderMode));
        const FileStamp before = fileStamp(fileName);
        const auto save = [&] { writeFileAtomically(fileName, "[Deutsch]\r\n"); };
        if (writerIsNobody)
            QCOMPARE(asNobody(save, fileName), 0);
        else
            save();
        QCOMPARE(readBytes(fileName), "[Deutsch]\r\n");
        const QFileInfo after(fileName);
        QCOMPARE(after.ownerId(), owner);
        QCOMPARE(after.groupId(), group);
        QCOMPARE(after.permissions() & 0x7777, QFile::Permissions(0x6666));
        QCOMPARE(fileStamp(fileName).inode == before.inode, inPlace);
        QCOMPARE(entries(path), QStringList{"noten.plx"});
        QCOMPARE(entries(WriteJournal::folder()), QStringList());
        own(path, 0, 0755);
    }

    // A write in place cut off at any point is put right at the next look at the file: a mixture
    // of old and new contents becomes the new contents; a whole version, or a file someone else
    // changed since, stays as it is; the journal is gone afterwards.
    void cutInPlaceWriteRecovered_data() {
        QTest::addColumn<QByteArray>("found");
        QTest::addColumn<bool>("journalWhole");
        QTest::addColumn<QByteArray>("recovered");
        const QByteArray old = "[Mathe]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n";
        const QByteArray neu = QByteArray(old).replace("1,1,1,1,1,1,1,1,", "2,3,4,5,6,7,8,9,") +
                               "6,1,02.10.2002=\"2,1,1,1,1,1,1,1,Neu\"\r\n";
        QTest::newRow("new bytes over old ones") << neu.first(30) + old.sliced(30) << true << neu;
        QTest::newRow("old contents, then zeros of the reserved size")
            << old + QByteArray(neu.size() - old.size(), '\0') << true << neu;
        QTest::newRow("new bytes, then zeros")
            << neu.first(50) + QByteArray(neu.size() - 50, '\0') << true << neu;
        QTest::newRow("old contents whole") << old << true << old;
        QTest::newRow("new contents whole") << neu << true << neu;
        QTest::newRow("changed by someone else since")
            << QByteArray("[Physik]\r\n") << true << QByteArray("[Physik]\r\n");
        QTest::newRow("journal cut off")
            << neu.first(30) + old.sliced(30) << false << neu.first(30) + old.sliced(30);
    }
    void cutInPlaceWriteRecovered() {
        QFETCH(QByteArray, found);
        QFETCH(bool, journalWhole);
        QFETCH(QByteArray, recovered);
        const QByteArray old = "[Mathe]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n";
        const QByteArray neu = QByteArray(old).replace("1,1,1,1,1,1,1,1,", "2,3,4,5,6,7,8,9,") +
                               "6,1,02.10.2002=\"2,1,1,1,1,1,1,1,Neu\"\r\n";
        const QString fileName = folder("abgebrochen") + "/noten.plx";
        QVERIFY(writeBytes(fileName, found));
        const QString ownJournal = folder("journal-eigen");
        WriteJournal::setFolder(ownJournal);
        QVERIFY(WriteJournal(fileName).begin(old, neu));
        const QStringList journals = entries(ownJournal);
        QCOMPARE(journals.size(), 1);
        if (!journalWhole) {
            QFile journal(ownJournal + '/' + journals.front());
            QVERIFY(journal.resize(journal.size() - 1));
        }
        recoverInterruptedWrite(fileName);
        QCOMPARE(readBytes(fileName), recovered);
        QCOMPARE(entries(ownJournal), QStringList());
        WriteJournal::setFolder(folder("journal"));
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
