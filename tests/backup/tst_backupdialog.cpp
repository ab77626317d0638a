#include "backup/backupdialog.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "support/scripteddialogs.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList row(const QTreeWidget* list, int index) {
    const QTreeWidgetItem* item = list->topLevelItem(index);
    return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList();
}

const QByteArray TwoTests("[Mathe]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"
                          "7,2,02.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n");

} // namespace

class TestBackupDialog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTheCopies();
    void restoreAsksThenBacksUpAndReplaces();
    void refusedRestoreIsShown();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString dataFile_;
    QString copies_;
};

void TestBackupDialog::init() {
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    BackupStore::setDataFolder(dir_->path());
    dataFile_ = dir_->filePath(QStringLiteral("Noten.plx"));
    copies_ = BackupStore(dataFile_).folder();
    QVERIFY(QDir().mkpath(copies_));
    QVERIFY(writeBytes(copies_ + "/2026-12-05.plx", TwoTests));
    QVERIFY(writeBytes(copies_ + "/2026-12-07.plx",
                       "[Mathe]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"));
    QVERIFY(writeBytes(dataFile_, "current"));
    Clock::setToday(QDate(2026, 12, 7));
}

void TestBackupDialog::cleanup() {
    BackupStore::setDataFolder(QString());
    Clock::setToday(QDate());
    dir_.reset();
}

void TestBackupDialog::listsTheCopies() {
    BackupDialog dialog(dataFile_);
    auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("Copies"));
    QVERIFY(list);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(row(list, 0), (QStringList{"07.12.2026", "1", "44 Bytes"}));
    QCOMPARE(row(list, 1), (QStringList{"05.12.2026", "2", "79 Bytes"}));
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("Gesichert am"));
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("Restore"))->isEnabled());
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("FolderLabel"))
                ->text()
                .endsWith(QDir::toNativeSeparators(copies_)));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("FileLabel"))->text(),
             "Datei: " + QDir::toNativeSeparators(dataFile_));
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("SharedLabel"))->isHidden());

    // A file without copies: nothing to restore, and it says when the first copy comes. A
    // copy of the folder that all files of the name shared is listed after the own ones.
    const QString fresh = dir_->filePath(QStringLiteral("Neu.plx"));
    for (const bool due : {true, false}) {
        BackupDialog none(fresh, due);
        QCOMPARE(none.findChild<QTreeWidget*>(QStringLiteral("Copies"))->topLevelItemCount(), 0);
        QVERIFY(!none.findChild<QPushButton*>(QStringLiteral("Restore"))->isEnabled());
        QCOMPARE(
            none.findChild<QLabel*>(QStringLiteral("InfoLabel"))->text(),
            QStringLiteral("Von dieser Datei gibt es noch keine Sicherung. Die erste wird "
                           "vor der %1 angelegt. Jede Sicherung enthält die Datei, wie sie "
                           "vor der ersten Änderung des Tages war; die letzten 30 "
                           "Sicherungen bleiben.")
                .arg(due ? "nächsten Änderung" : "ersten Änderung an einem der nächsten Tage"));
    }
    const QString shared = dir_->filePath(QStringLiteral("zensoria/Sicherungen/Noten.plx"));
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(writeBytes(shared + "/2026-12-06.plx", TwoTests));
    dialog.refresh();
    QCOMPARE(row(list, 2), (QStringList{"06.12.2026 (gemeinsamer Ordner)", "2", "79 Bytes"}));
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("SharedLabel"))->isHidden());
}

void TestBackupDialog::restoreAsksThenBacksUpAndReplaces() {
    BackupDialog dialog(dataFile_);
    QSignalSpy restored(&dialog, &BackupDialog::restored);
    auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("Copies"));
    list->setCurrentItem(list->topLevelItem(1));

    // No: nothing happens.
    ScopedDialogs dialogs;
    dialogs->answerYesNo(false);
    dialog.RestoreClick();
    QCOMPARE(dialogs->texts(),
             QStringList{"Soll die Datei Noten.plx durch die Sicherung vom 05.12.2026 ersetzt "
                         "werden?\r\n\r\nDer jetzige Stand wird vorher gesichert."});
    QCOMPARE(dialogs->shown()[0].caption, QStringLiteral("Sicherung wiederherstellen"));
    QCOMPARE(readBytes(dataFile_), QByteArray("current"));
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(restored.count(), 0);

    // Yes: the current state becomes a further copy of today, then the file is replaced.
    dialogs->clear();
    dialogs->answerYesNo(true);
    dialog.RestoreClick();
    QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
    QCOMPARE(readBytes(dataFile_), TwoTests);
    QCOMPARE(readBytes(copies_ + "/2026-12-07_2.plx"), QByteArray("current"));
    QCOMPARE(restored.count(), 1);
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(row(list, 0), (QStringList{"07.12.2026 (2)", "0", "7 Bytes"}));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("InfoLabel"))->text(),
             QStringLiteral("Die Sicherung vom 05.12.2026 wurde wiederhergestellt. Der vorige "
                            "Stand ist als Sicherung vom 07.12.2026 (2) erhalten."));
}

void TestBackupDialog::refusedRestoreIsShown() {
    BackupDialog dialog(dataFile_);
    QSignalSpy restored(&dialog, &BackupDialog::restored);
    // The chosen copy has gone since the list was read.
    QVERIFY(QFile::remove(copies_ + "/2026-12-07.plx"));
    ScopedDialogs dialogs;
    dialogs->answerYesNo(true);
    dialog.RestoreClick();
    QCOMPARE(dialogs->shown(ShownDialog::Kind::Message).size(), 1);
    QCOMPARE(dialogs->shown(ShownDialog::Kind::Message)[0].icon, MessageIcon::Error);
    QVERIFY(dialogs->texts().last().contains(QStringLiteral("kann nicht gelesen werden")));
    QCOMPARE(readBytes(dataFile_), QByteArray("current"));
    QCOMPARE(restored.count(), 0);
    // The list shows what is there now.
    QCOMPARE(dialog.findChild<QTreeWidget*>(QStringLiteral("Copies"))->topLevelItemCount(), 1);
}

QTEST_MAIN(TestBackupDialog)
#include "tst_backupdialog.moc"
