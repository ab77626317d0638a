#include "backup/backupstore.h"
#include "backup/copyfiles.h"
#include "backup/dailybackup.h"
#include "gradedata/gradebook.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDate Monday(2026, 12, 7);

QStringList names(const QList<BackupCopy>& copies) {
    QStringList result;
    for (const BackupCopy& copy : copies)
        result.append(QFileInfo(copy.filePath).fileName());
    return result;
}

} // namespace

class TestBackupStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstChangeOfTheDayMakesOneCopy();
    void copyKeepsTheBytes();
    void newestThirtyAreKept();
    void failedCopyIsReportedOnceAndTriedAgain();
    void noFileNoCopy();
    void everyChangeOfTheGradeBookComesAfterTheCopy();
    void restoreBacksUpTheCurrentStateFirst();
    void restoringTheOldestOfAFullFolderKeepsIt();
    void refusedRestoreLeavesTheFile();
    void listAndCount();
    void equallyNamedFilesKeepTheirOwnCopies();
    void hostileEntriesInTheFolder();

private:
    // A change as the program makes it: the day's copy first, then the write.
    void change(DailyBackup& backup, const QByteArray& newBytes) {
        backup.beforeChange(dataFile_);
        QVERIFY(writeBytes(dataFile_, newBytes));
    }

    DailyBackup::Report report() {
        return [this](const QString& fileName, const QString& reason) {
            QCOMPARE(fileName, dataFile_);
            reports_.append(reason);
        };
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString dataFile_;
    QString copies_;
    QStringList reports_;
};

void TestBackupStore::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("data")));
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("share")));
    BackupStore::setDataFolder(dir_->filePath(QStringLiteral("share")));
    dataFile_ = dir_->filePath(QStringLiteral("data/Noten.plx"));
    copies_ = BackupStore(dataFile_).folder();
    reports_.clear();
    Clock::setToday(Monday);
}

void TestBackupStore::cleanup() {
    BackupStore::setDataFolder(QString());
    Clock::setToday(QDate());
    dir_.reset();
}

void TestBackupStore::firstChangeOfTheDayMakesOneCopy() {
    QVERIFY(writeBytes(dataFile_, "[Mathe]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"));
    DailyBackup backup(report());

    change(backup, "state 2");
    change(backup, "state 3");
    QCOMPARE(QDir(copies_).entryList(QDir::Files), QStringList{"2026-12-07.plx"});
    QCOMPARE(readBytes(copies_ + "/2026-12-07.plx"),
             QByteArray("[Mathe]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"));

    // The program started again the same day: the morning's copy stays as it is.
    DailyBackup again(report());
    change(again, "state 4");
    QCOMPARE(QDir(copies_).entryList(QDir::Files), QStringList{"2026-12-07.plx"});
    QCOMPARE(readBytes(copies_ + "/2026-12-07.plx").left(7), QByteArray("[Mathe]"));

    // The next day, in the same run, the first change copies the state it finds.
    Clock::setToday(Monday.addDays(1));
    change(backup, "state 5");
    change(backup, "state 6");
    QCOMPARE(QDir(copies_).entryList(QDir::Files, QDir::Name),
             (QStringList{"2026-12-07.plx", "2026-12-08.plx"}));
    QCOMPARE(readBytes(copies_ + "/2026-12-08.plx"), QByteArray("state 4"));
    QCOMPARE(reports_, QStringList());
}

void TestBackupStore::copyKeepsTheBytes() {
    // Windows-1252 umlauts, mixed line ends, no line end at the end, a NUL byte.
    const QByteArray bytes("[Deutsch]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\xC4rger\"\n\x00x\r", 48);
    QVERIFY(writeBytes(dataFile_, bytes));
    BackupStore store(dataFile_);
    const std::optional<BackupCopy> copy = store.backUpNow();
    QVERIFY(copy);
    QCOMPARE(readBytes(copy->filePath), bytes);
    QCOMPARE(copy->size, qint64(bytes.size()));
    QCOMPARE(readBytes(dataFile_), bytes);
    // No temporary file is left beside the copy.
    QCOMPARE(QDir(copies_).entryList(QDir::Files | QDir::Hidden), QStringList{"2026-12-07.plx"});
}

void TestBackupStore::newestThirtyAreKept() {
    QVERIFY(QDir().mkpath(copies_));
    QVERIFY(writeBytes(copies_ + "/Notizen.txt", "keep me"));
    DailyBackup backup(report());
    for (int day = 0; day < 30; ++day) {
        Clock::setToday(Monday.addDays(day));
        change(backup, "day " + QByteArray::number(day));
    }
    // The first change found no file: 29 copies of the days 1 .. 29.
    BackupStore store(dataFile_);
    QCOMPARE(store.copies().size(), 29);
    Clock::setToday(Monday.addDays(30));
    change(backup, "day 30");
    QCOMPARE(store.copies().size(), 30);
    QCOMPARE(store.copies().last().date, Monday.addDays(1));

    // The 31st copy removes the oldest, and only that one.
    Clock::setToday(Monday.addDays(31));
    change(backup, "day 31");
    const QList<BackupCopy> kept = store.copies();
    QCOMPARE(kept.size(), 30);
    QCOMPARE(kept.first().date, Monday.addDays(31));
    QCOMPARE(readBytes(kept.first().filePath), QByteArray("day 30"));
    QCOMPARE(kept.last().date, Monday.addDays(2));
    QCOMPARE(readBytes(kept.last().filePath), QByteArray("day 1"));
    QVERIFY(!QFileInfo::exists(copies_ + "/2026-12-08.plx"));
    QCOMPARE(readBytes(copies_ + "/Notizen.txt"), QByteArray("keep me"));
}

void TestBackupStore::failedCopyIsReportedOnceAndTriedAgain() {
    QVERIFY(writeBytes(dataFile_, "original"));
    // A file where the folder of the copies belongs: no copy can be written, not even by root.
    QVERIFY(QDir().mkpath(dir_->filePath(QStringLiteral("share/zensoria"))));
    const QString blocker = dir_->filePath(QStringLiteral("share/zensoria/Sicherungen"));
    QVERIFY(writeBytes(blocker, "not a folder"));

    DailyBackup backup(report());
    change(backup, "changed once");
    change(backup, "changed twice");
    QCOMPARE(readBytes(dataFile_), QByteArray("changed twice"));
    QCOMPARE(reports_.size(), 1);
    // What could not be made, and why.
    QCOMPARE(reports_[0], "Der Ordner " + copies_ +
                              " kann nicht angelegt werden: Ein Teil des Pfades ist kein Ordner.");

    // The folder can be written again: the next change still gets the day's copy.
    QVERIFY(QFile::remove(blocker));
    change(backup, "changed thrice");
    QCOMPARE(readBytes(copies_ + "/2026-12-07.plx"), QByteArray("changed twice"));
    QCOMPARE(reports_.size(), 1);
}

void TestBackupStore::noFileNoCopy() {
    QVERIFY(!BackupStore(dataFile_).backUpNow());
    DailyBackup backup(report());
    change(backup, "first test");
    change(backup, "second test");
    QVERIFY(!QFileInfo::exists(copies_));
    QCOMPARE(reports_, QStringList());
}

void TestBackupStore::everyChangeOfTheGradeBookComesAfterTheCopy() {
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray original("[Mathe]\r\n7,1,01.12.2026=\"3,1,1,1,1,1,1,1,\"\r\n");
    QVERIFY(writeBytes(dataFile_, original));
    DailyBackup backup(report());
    GradeBook book(dataFile_);
    QStringList written;
    book.setBeforeWrite([&](const QString& fileName) {
        written.append(fileName);
        backup.beforeChange(fileName);
    });
    book.readSubjects();
    book.openSubject(QStringLiteral("Mathe"));
    QVERIFY(written.isEmpty());

    ClassTest test{7, 2, QDate(2026, 12, 3), 2, {1, 2, 3, 0, 0, 0}, 2, QString()};
    book.addTest(test);
    test.lesson = 4;
    book.changeTest(book.tests().count() - 1, test);
    book.removeTest(0);
    QCOMPARE(written, QStringList(3, dataFile_));
    // One copy, of the file as it was before the first of the changes.
    QCOMPARE(QDir(copies_).entryList(QDir::Files), QStringList{"2026-12-07.plx"});
    QCOMPARE(readBytes(copies_ + "/2026-12-07.plx"), original);
    QVERIFY(readBytes(dataFile_).contains("7,2,03.12.2026=\"4,1,2,3,0,0,0,2,\""));

    // The next day removing the subject is the first change.
    Clock::setToday(Monday.addDays(1));
    const QByteArray before = readBytes(dataFile_);
    book.removeSubject(QStringLiteral("Mathe"));
    QCOMPARE(readBytes(copies_ + "/2026-12-08.plx"), before);
    QCOMPARE(reports_, QStringList());
}

void TestBackupStore::restoreBacksUpTheCurrentStateFirst() {
    BackupStore store(dataFile_);
    QVERIFY(writeBytes(dataFile_, "monday"));
    QVERIFY(store.backUpBeforeChange());
    Clock::setToday(Monday.addDays(1));
    QVERIFY(writeBytes(dataFile_, "tuesday"));
    QVERIFY(store.backUpBeforeChange());
    QVERIFY(writeBytes(dataFile_, "tuesday, later"));

    // Back to today's own copy: the current state goes under a new name of the same day,
    // so the chosen copy is not overwritten by what it replaces.
    const BackupCopy todays = store.copies().first();
    QCOMPARE(todays.date, Monday.addDays(1));
    store.restore(todays);
    QCOMPARE(readBytes(dataFile_), QByteArray("tuesday"));
    QCOMPARE(names(store.copies()),
             (QStringList{"2026-12-08_2.plx", "2026-12-08.plx", "2026-12-07.plx"}));
    QCOMPARE(readBytes(copies_ + "/2026-12-08_2.plx"), QByteArray("tuesday, later"));
    QCOMPARE(readBytes(copies_ + "/2026-12-08.plx"), QByteArray("tuesday"));

    // And back to Monday.
    store.restore(store.copies().last());
    QCOMPARE(readBytes(dataFile_), QByteArray("monday"));
    QCOMPARE(store.copies().first().sequence, 3);
    QCOMPARE(readBytes(store.copies().first().filePath), QByteArray("tuesday"));
}

void TestBackupStore::restoringTheOldestOfAFullFolderKeepsIt() {
    QVERIFY(QDir().mkpath(copies_));
    for (int day = 1; day <= BackupStore::KeptCopies; ++day)
        QVERIFY(writeBytes(copies_ + QStringLiteral("/2026-11-%1.plx").arg(day, 2, 10, QChar(u'0')),
                           "november " + QByteArray::number(day)));
    QVERIFY(writeBytes(dataFile_, "current"));
    BackupStore store(dataFile_);
    store.restore(store.copies().last());
    QCOMPARE(readBytes(dataFile_), QByteArray("november 1"));
    // The copy of the state replaced is there, and so is the copy just restored; the next
    // oldest made room.
    QCOMPARE(readBytes(copies_ + "/2026-12-07.plx"), QByteArray("current"));
    QCOMPARE(readBytes(copies_ + "/2026-11-01.plx"), QByteArray("november 1"));
    QVERIFY(!QFileInfo::exists(copies_ + "/2026-11-02.plx"));
    QCOMPARE(store.copies().size(), BackupStore::KeptCopies);
}

void TestBackupStore::refusedRestoreLeavesTheFile() {
    BackupStore store(dataFile_);
    QVERIFY(writeBytes(dataFile_, "monday"));
    const BackupCopy monday = *store.backUpNow();
    QVERIFY(writeBytes(dataFile_, "current"));

    // A copy that has gone: nothing is backed up, nothing replaced.
    BackupCopy gone = monday;
    gone.filePath = copies_ + "/2026-01-01.plx";
    QVERIFY_THROWS_EXCEPTION(AppError, store.restore(gone));
    QCOMPARE(readBytes(dataFile_), QByteArray("current"));
    QCOMPARE(store.copies().size(), 1);

    // The current state cannot be backed up: the file stays as it is.
    const QByteArray mondayBytes = readBytes(monday.filePath);
    QVERIFY(QDir(copies_).removeRecursively());
    QVERIFY(writeBytes(copies_, "not a folder"));
    BackupCopy elsewhere = monday;
    elsewhere.filePath = dir_->filePath(QStringLiteral("monday.plx"));
    QVERIFY(writeBytes(elsewhere.filePath, mondayBytes));
    QVERIFY_THROWS_EXCEPTION(AppError, store.restore(elsewhere));
    QCOMPARE(readBytes(dataFile_), QByteArray("current"));
}

void TestBackupStore::listAndCount() {
    QVERIFY(QDir().mkpath(copies_));
    QVERIFY(
        writeBytes(copies_ + "/2026-11-30.plx", "[A]\r\n1,1,01.11.2026=\"1,1,0,0,0,0,0,1,\"\r\n"));
    QVERIFY(writeBytes(copies_ + "/2026-12-01.plx",
                       "[A]\r\n1,1,01.11.2026=\"1,1,0,0,0,0,0,1,\"\r\n1,2,02.11.2026=x\r\n"
                       "[settings]\r\nStandardFile=x\r\n[B]\r\n1,1,01.11.2026=\"1\"\r\n"));
    QVERIFY(writeBytes(copies_ + "/2026-12-01_2.plx", ""));
    QVERIFY(writeBytes(copies_ + "/2026-12-01_x.plx", "not a copy"));
    QVERIFY(writeBytes(copies_ + "/2026-12-01_1.plx", "not a copy"));
    QVERIFY(writeBytes(copies_ + "/2026-13-01.plx", "no such day"));
    QVERIFY(writeBytes(copies_ + "/Noten.plx", "not a copy"));

    const QList<BackupCopy> copies = BackupStore(dataFile_).copies();
    QCOMPARE(names(copies), (QStringList{"2026-12-01_2.plx", "2026-12-01.plx", "2026-11-30.plx"}));
    QCOMPARE(copies[0].sequence, 2);
    QCOMPARE(copies[1].date, QDate(2026, 12, 1));
    QCOMPARE(copies[2].size, qint64(40));
    QCOMPARE(countTestsInFile(copies[0].filePath), 0);
    QCOMPARE(countTestsInFile(copies[1].filePath), 3);
    QCOMPARE(countTestsInFile(QFINDTESTDATA("../../examples/Beispiel.plx")), 12);
}

void TestBackupStore::equallyNamedFilesKeepTheirOwnCopies() {
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("klasse8")));
    const QString other = dir_->filePath(QStringLiteral("klasse8/Noten.plx"));
    QVERIFY(writeBytes(dataFile_, "klasse 7"));
    QVERIFY(writeBytes(other, "klasse 8"));
    // A copy of the former folder that every file of the name shared.
    const QString shared = dir_->filePath(QStringLiteral("share/zensoria/Sicherungen/Noten.plx"));
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(writeBytes(shared + "/2026-12-01.plx", "from before"));

    DailyBackup backup(report());
    change(backup, "klasse 7, changed");
    QVERIFY(BackupStore(other).backUpBeforeChange());
    QCOMPARE(readBytes(BackupStore(other).copies().first().filePath), QByteArray("klasse 8"));
    QCOMPARE(readBytes(copies_ + "/2026-12-07.plx"), QByteArray("klasse 7"));
    QVERIFY(BackupStore(other).folder() != copies_);
    // The same file under another spelling of its path keeps its folder.
    QCOMPARE(BackupStore(dir_->filePath(QStringLiteral("klasse8/../data/./Noten.plx"))).folder(),
             copies_);
    QVERIFY(QFileInfo(copies_).fileName().startsWith(QStringLiteral("Noten.plx-")));

    const QList<BackupCopy> copies = BackupStore(dataFile_).copies();
    QCOMPARE(copies.size(), 2);
    QVERIFY(!copies[0].shared);
    QVERIFY(copies[1].shared);
    QCOMPARE(copies[1].filePath, shared + "/2026-12-01.plx");
    BackupStore(dataFile_).restore(copies[1]);
    QCOMPARE(readBytes(dataFile_), QByteArray("from before"));
    QCOMPARE(readBytes(shared + "/2026-12-01.plx"), QByteArray("from before"));
}

void TestBackupStore::hostileEntriesInTheFolder() {
    QVERIFY(writeBytes(dataFile_, "current"));
    QVERIFY(QDir().mkpath(copies_));
    const QString outside = dir_->filePath(QStringLiteral("outside.plx"));
    const QString secret = dir_->filePath(QStringLiteral("secret.plx"));
    QVERIFY(writeBytes(secret, "not mine to list"));
    // A dangling link named as today's copy, links to a device and to a file, a folder named
    // as a copy, a copy dated in the future and one larger than a data file may be.
    QVERIFY(QFile::link(outside, copies_ + "/2026-12-07.plx"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), copies_ + "/2026-12-01.plx"));
    QVERIFY(QFile::link(secret, copies_ + "/2026-12-02.plx"));
    QVERIFY(QDir().mkpath(copies_ + "/2026-12-07_2.plx"));
    QVERIFY(writeBytes(copies_ + "/9999-12-31.plx", "future"));
    QVERIFY(writeBytes(copies_ + "/2026-12-03.plx", "old"));
    // What a copy killed half-way left: an old one goes, a fresh one may still be written.
    QVERIFY(writeBytes(copies_ + "/.zensoria-copy-Ab12Cd", "killed"));
    QFile stale(copies_ + "/.zensoria-copy-Ab12Cd");
    QVERIFY(stale.open(QIODevice::ReadWrite));
    QVERIFY(stale.setFileTime(QDateTime::currentDateTime().addDays(-1),
                              QFileDevice::FileModificationTime));
    stale.close();
    QVERIFY(writeBytes(copies_ + "/.zensoria-copy-Ef34Gh", "being written"));
    const QString huge = copies_ + "/2026-12-04.plx";
    QVERIFY(writeBytes(huge, ""));
    QCOMPARE(truncate(QFile::encodeName(huge).constData(), MaximumCopySize + 1), 0);

    BackupStore store(dataFile_);
    QCOMPARE(names(store.copies()), (QStringList{"2026-12-03.plx", "9999-12-31.plx"}));
    QVERIFY(!store.hasCopyOf(Monday));
    DailyBackup backup(report());
    change(backup, "changed");
    QCOMPARE(reports_, QStringList());
    QVERIFY(!QFileInfo::exists(outside));
    QCOMPARE(readBytes(copies_ + "/2026-12-07_3.plx"), QByteArray("current"));
    QVERIFY(!QFileInfo::exists(copies_ + "/.zensoria-copy-Ab12Cd"));
    QVERIFY(QFileInfo::exists(copies_ + "/.zensoria-copy-Ef34Gh"));
    QCOMPARE(names(store.copies()),
             (QStringList{"2026-12-07_3.plx", "2026-12-03.plx", "9999-12-31.plx"}));

    BackupCopy device = store.copies().first();
    for (const QString& name : {QStringLiteral("2026-12-01.plx"), QStringLiteral("2026-12-02.plx"),
                                QStringLiteral("2026-12-04.plx")}) {
        device.filePath = copies_ + u'/' + name;
        QVERIFY_THROWS_EXCEPTION(AppError, store.restore(device));
    }
    QCOMPARE(readBytes(dataFile_), QByteArray("changed"));

    // A full folder drops the copy from the future first.
    for (int day = 1; day <= BackupStore::KeptCopies - 3; ++day)
        QVERIFY(writeBytes(copies_ + QStringLiteral("/2026-10-%1.plx").arg(day, 2, 10, QChar(u'0')),
                           "october"));
    QVERIFY(store.backUpNow());
    QVERIFY(!QFileInfo::exists(copies_ + "/9999-12-31.plx"));
    QVERIFY(QFileInfo::exists(copies_ + "/2026-10-01.plx"));
    QVERIFY(QFileInfo(copies_ + "/2026-12-01.plx").isSymLink());
}

QTEST_GUILESS_MAIN(TestBackupStore)
#include "tst_backupstore.moc"
