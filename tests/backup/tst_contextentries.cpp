#include "backup/backupdialog.h"
#include "backup/backupstore.h"
#include "gradedata/gradebook.h"
#include "gradedata/subjectname.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "overview/overviewdialog.h"
#include "platform/helpviewer.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"
#include "trend/trenddialog.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

namespace {

// Runs check on the modal dialog of type D as soon as it is open, then closes it.
template <typename D> void whenOpen(std::function<void(D*)> check) {
    QTimer::singleShot(0, [check] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog) {
            QFAIL("the dialog did not open");
            return;
        }
        check(dialog);
        dialog->reject();
    });
}

} // namespace

// The three entries the main window's context menu has beside "&Info", driven through the
// window: the day's copy before the first change, restoring a copy, the trend and the CSV.
class TestContextEntries : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> fixture_;
    QString dataFile_;
    QString copies_;

    std::unique_ptr<TForm1> openForm() { return fixture_->openForm(); }

    void showSubject(TForm1& form, const QString& subject) {
        form.ShowSettingsExecute();
        clickTab(form, subject);
        QCOMPARE(form.currentSubject(), subject);
    }

    // The texts of the context menu, as it opens over the window.
    QStringList menuTexts(TForm1& form) {
        QStringList texts;
        QTimer::singleShot(0, [&texts] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            // Each entry with the shortcut the menu shows beside it.
            for (QAction* action : menu->actions())
                texts.append(action->isSeparator()
                                 ? QStringLiteral("-")
                                 : action->text() + (action->isEnabled() ? "" : " (aus)") +
                                       (action->shortcut().isEmpty()
                                            ? QString()
                                            : u' ' + action->shortcut().toString()));
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                form.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&form, &event);
        return texts;
    }

    QAction* action(TForm1& form, const char* name) {
        return form.findChild<QAction*>(QString::fromLatin1(name));
    }

private slots:
    void init() {
        fixture_ =
            std::make_unique<MainWindowFixture>(QStringLiteral("Beispiel.plx"), QDate(2026, 12, 8));
        QVERIFY(fixture_->isValid());
        BackupStore::setDataFolder(fixture_->folders().file(QStringLiteral("share")));
        dataFile_ = fixture_->dataFile();
        QVERIFY(QFile::copy(QFINDTESTDATA("../../examples/Beispiel.plx"), dataFile_));
        QVERIFY(QFile::setPermissions(dataFile_, QFile::ReadOwner | QFile::WriteOwner));
        copies_ = BackupStore(dataFile_).folder();
    }

    void cleanup() {
        const QString problems = fixture_->dialogs().problems();
        BackupStore::setDataFolder(QString());
        fixture_.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void menuHoldsTheEntries() {
        const QStringList updateAndHelp = {
            "-", "Rückgängig (aus) Ctrl+Z",     "Wiederholen (aus) Ctrl+Y",
            "-", "Nach Updates suchen… Ctrl+U", "Hilfe F1"};
        {
            TForm1 empty;
            QCOMPARE(menuTexts(empty),
                     (QStringList{"&Info", "-", "Sicherungen anzeigen… (aus) Ctrl+Shift+S",
                                  "Als CSV exportieren… (aus) Ctrl+Shift+C",
                                  "Als Excel-Arbeitsmappe exportieren… (aus)",
                                  "Übersicht… (aus) Ctrl+Ü"} +
                      updateAndHelp));
        }
        auto form = openForm();
        form->ShowSettingsExecute();
        QCOMPARE(menuTexts(*form),
                 (QStringList{"&Info", "-", "Sicherungen anzeigen… Ctrl+Shift+S",
                              "Als CSV exportieren… Ctrl+Shift+C",
                              "Als Excel-Arbeitsmappe exportieren…", "Übersicht… Ctrl+Ü"} +
                  updateAndHelp));
        showSubject(*form, QStringLiteral("Deutsch"));
        const QStringList subjectMenu = menuTexts(*form);
        QCOMPARE(subjectMenu,
                 (QStringList{"&Info", "-", "Sicherungen anzeigen… Ctrl+Shift+S",
                              "Verlauf anzeigen… Ctrl+Shift+V", "Als CSV exportieren… Ctrl+Shift+C",
                              "Als Excel-Arbeitsmappe exportieren…", "Übersicht… Ctrl+Ü"} +
                  updateAndHelp));

        // The help's overview names every entry and its shortcut as the menu shows it.
        QString help = QString::fromUtf8(readBytes(QFINDTESTDATA("../../resources/Pultex.hlp")));
        help = help.mid(help.indexOf(QStringLiteral("name=\"Features\"")));
        help = help.left(help.indexOf(QStringLiteral("<h2>")));
        for (QAction* entry : form->findChildren<QAction*>()) {
            if (entry->text().isEmpty() || !subjectMenu.join(u'|').contains(entry->text()))
                continue;
            QVERIFY2(help.contains(QString(entry->text()).remove(u'&')), qPrintable(entry->text()));
            QVERIFY2(
                help.contains(entry->shortcut()
                                  .toString(QKeySequence::PortableText)
                                  .replace(QStringLiteral("Ctrl"), QStringLiteral("Strg"))
                                  .replace(QStringLiteral("Shift"), QStringLiteral("Umschalt"))),
                qPrintable(entry->text()));
        }
    }

    // F1 in the dialogs of the entries shows their help topic.
    void helpKeyOfTheDialogs_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("topic");
        QTest::newRow("Sicherungen") << "BackupsAction"
                                     << "Backups";
        QTest::newRow("Verlauf") << "TrendAction"
                                 << "Trend";
    }
    void helpKeyOfTheDialogs() {
        QFETCH(QString, entry);
        QFETCH(QString, topic);
        QVERIFY(QFile::copy(QFINDTESTDATA("../../resources/Pultex.hlp"),
                            fixture_->folders().programFile(QStringLiteral("Pultex.hlp"))));
        auto form = openForm();
        showSubject(*form, QStringLiteral("Englisch"));
        QString shown;
        whenOpen<QDialog>([&shown](QDialog* dialog) {
            auto* help = dialog->findChild<QAction*>(QStringLiteral("HelpKey"));
            QVERIFY(help);
            QCOMPARE(help->shortcut(), QKeySequence(Qt::Key_F1));
            help->trigger();
            auto* viewer = dialog->findChild<HelpViewer*>();
            QVERIFY(viewer);
            shown = viewer->topic();
            QVERIFY(viewer->browser()->toPlainText().contains(QStringLiteral("Kontextmenü")));
        });
        action(*form, entry.toLatin1().constData())->trigger();
        QCOMPARE(shown, topic);
    }

    void firstChangeOfTheDayIsBackedUp() {
        const QByteArray original = readBytes(dataFile_);
        auto form = openForm();
        showSubject(*form, QStringLiteral("Mathematik"));
        QCOMPARE(form->document()->tests().count(), 5);
        QVERIFY(!QFileInfo::exists(copies_));

        form->document()->removeTest(0);
        form->document()->removeTest(0);
        QCOMPARE(QDir(copies_).entryList(QDir::Files), QStringList{"2026-12-08.plx"});
        QCOMPARE(readBytes(copies_ + "/2026-12-08.plx"), original);

        // A data file opened again the same day gets no further copy.
        form.reset();
        auto again = openForm();
        showSubject(*again, QStringLiteral("Deutsch"));
        again->document()->removeTest(0);
        QCOMPARE(QDir(copies_).entryList(QDir::Files), QStringList{"2026-12-08.plx"});
    }

    void failedCopyLeavesTheChangeAndSaysSoOnce() {
        // Where the folder of the copies belongs there is a file: no copy can be made.
        QVERIFY(QDir().mkpath(fixture_->folders().file(QStringLiteral("share/zensoria"))));
        QVERIFY(writeBytes(fixture_->folders().file(QStringLiteral("share/zensoria/Sicherungen")),
                           "x"));
        auto form = openForm();
        showSubject(*form, QStringLiteral("Mathematik"));
        form->document()->removeTest(0);
        QCOMPARE(form->document()->tests().count(), 4);
        QCoreApplication::processEvents();
        const QList<ShownDialog> said = fixture_->dialogs().shown();
        QCOMPARE(said.size(), 1);
        QCOMPARE(said[0].icon, MessageIcon::Warning);
        QCOMPARE(said[0].caption, QStringLiteral("Keine Sicherung"));
        QCOMPARE(said[0].text,
                 QStringLiteral("Es konnte keine Sicherung der Datei %1 angelegt werden.\r\n\r\n"
                                "Der Ordner %2 kann nicht angelegt werden: Ein Teil des Pfades "
                                "ist kein Ordner.\r\n\r\nIhre Änderungen werden trotzdem "
                                "gespeichert. Vor jeder weiteren Änderung wird die Sicherung "
                                "erneut versucht; diese Meldung erscheint für diese Datei aber "
                                "nur einmal.")
                     .arg(dataFile_, copies_));
        // Once per file and run, also when the file is opened again.
        form->document()->removeTest(0);
        openFile(*form, dataFile_);
        showSubject(*form, QStringLiteral("Mathematik"));
        form->document()->removeTest(0);
        QCoreApplication::processEvents();
        QCOMPARE(form->document()->tests().count(), 2);
        QCOMPARE(fixture_->dialogs().shown().size(), 1);
        QVERIFY(!readBytes(dataFile_).contains("Bruchrechnung"));
        QVERIFY(!readBytes(dataFile_).contains("Negative Zahlen"));
    }

    // Two files of the same name in two folders: each gets its own copies, and the dialog
    // lists only the copies of the file open, under its path.
    void equallyNamedFilesHaveTheirOwnCopies() {
        const QString other = fixture_->folders().file(QStringLiteral("klasse8/Beispiel.plx"));
        QVERIFY(QDir().mkpath(QFileInfo(other).absolutePath()));
        QVERIFY(writeBytes(other, "[Physik]\r\n8,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"));
        const QByteArray otherBefore = readBytes(other);
        auto form = openForm();
        showSubject(*form, QStringLiteral("Mathematik"));
        form->document()->removeTest(0);
        openFile(*form, other);
        showSubject(*form, QStringLiteral("Physik"));
        form->document()->removeTest(0);
        const QString otherCopies = BackupStore(other).folder();
        QVERIFY(otherCopies != copies_);
        QCOMPARE(readBytes(otherCopies + "/2026-12-08.plx"), otherBefore);

        fixture_->dialogs().answerYesNo(true);
        whenOpen<BackupDialog>([&other](BackupDialog* dialog) {
            QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("FileLabel"))->text(),
                     "Datei: " + other);
            auto* copies = dialog->findChild<QTreeWidget*>(QStringLiteral("Copies"));
            QCOMPARE(copies->topLevelItemCount(), 1);
            QCOMPARE(copies->topLevelItem(0)->text(1), QStringLiteral("1"));
            dialog->RestoreClick();
        });
        action(*form, "BackupsAction")->trigger();
        QCOMPARE(readBytes(other), otherBefore);
        QCOMPARE(form->currentSubject(), QStringLiteral("Physik"));
    }

    // A restore in which the subject shown is gone: the settings tab and page show.
    void restoreWithoutTheSubjectShown() {
        QVERIFY(QDir().mkpath(copies_));
        QVERIFY(writeBytes(copies_ + "/2026-12-01.plx",
                           "[Mathe]\r\n8,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"));
        auto form = openForm();
        showSubject(*form, QStringLiteral("Deutsch"));
        fixture_->dialogs().answerYesNo(true);
        whenOpen<BackupDialog>([](BackupDialog* dialog) { dialog->RestoreClick(); });
        action(*form, "BackupsAction")->trigger();
        auto* tabs = form->findChild<TabControl*>(QStringLiteral("Subjects"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->currentText(), SettingsTabName);
        QCOMPARE(form->findChild<QStackedWidget*>(QStringLiteral("Sites"))->currentIndex(), 0);
        QCOMPARE(form->currentSubject(), QString());
    }

    void restoreKeepsTheCurrentStateAndReloadsThePages() {
        const QByteArray original = readBytes(dataFile_);
        auto form = openForm();
        showSubject(*form, QStringLiteral("Mathematik"));
        form->document()->removeTest(0);
        const QByteArray afterRemoval = readBytes(dataFile_);
        auto* list = form->findChild<QListView*>(QStringLiteral("Tests"));
        QCOMPARE(list->model()->rowCount(), 4);

        fixture_->dialogs().answerYesNo(true);
        whenOpen<BackupDialog>([](BackupDialog* dialog) {
            auto* copies = dialog->findChild<QTreeWidget*>(QStringLiteral("Copies"));
            QCOMPARE(copies->topLevelItemCount(), 1);
            QCOMPARE(copies->topLevelItem(0)->text(1), QStringLiteral("12"));
            dialog->RestoreClick();
            QCOMPARE(copies->topLevelItemCount(), 2);
        });
        action(*form, "BackupsAction")->trigger();

        QCOMPARE(readBytes(dataFile_), original);
        QCOMPARE(readBytes(copies_ + "/2026-12-08_2.plx"), afterRemoval);
        // The same subject is shown, with the restored test back in its list.
        QCOMPARE(form->currentSubject(), QStringLiteral("Mathematik"));
        QCOMPARE(list->model()->rowCount(), 5);
        QVERIFY(list->model()->index(0, 0).data().toString().contains("Bruchrechnung"));

        // A restored file is changed like any other: no further copy that day.
        form->document()->removeTest(0);
        QCOMPARE(QDir(copies_).entryList(QDir::Files).size(), 2);
    }

    void trendOfTheSubjectShown() {
        auto form = openForm();
        showSubject(*form, QStringLiteral("Englisch"));
        bool opened = false;
        whenOpen<TrendDialog>([&opened](TrendDialog* dialog) {
            opened = true;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Verlauf – Englisch"));
            auto* chart = dialog->findChild<TrendView*>(QStringLiteral("Chart"));
            QCOMPARE(chart->data().tests.size(), 3);
            QCOMPARE(chart->data().tests[2].remark, QStringLiteral("Present Perfect"));
        });
        action(*form, "TrendAction")->trigger();
        QVERIFY(opened);
    }

    void overviewOpensWithCtrlUe() {
        auto form = openForm();
        showSubject(*form, QStringLiteral("Englisch"));
        form->activateWindow();
        bool opened = false;
        whenOpen<OverviewDialog>([&opened](OverviewDialog* dialog) {
            opened = true;
            QCOMPARE(dialog->selectedSubject(), QStringLiteral("Englisch"));
            QCOMPARE(dialog->schoolYear(), std::optional<int>(2023));
            QCOMPARE(dialog->findChild<QTableView*>()->model()->rowCount(), 3);
        });
        QTest::keyClick(form.get(), Qt::Key_Udiaeresis, Qt::ControlModifier);
        QVERIFY(opened);
    }

    // A double click on the ranking where it has no row opens the overview as well; one on a
    // row still opens that row's subject.
    void overviewOpensFromTheRankingsEmptyArea() {
        auto form = openForm();
        form->ShowSettingsExecute();
        auto* ranking = control<QListView>(*form, "Set4");
        bool opened = false;
        whenOpen<OverviewDialog>([&opened](OverviewDialog*) { opened = true; });
        const QRect last =
            ranking->visualRect(ranking->model()->index(ranking->model()->rowCount() - 1, 0));
        QVERIFY(last.bottom() + 20 < ranking->viewport()->height());
        QTest::mouseDClick(ranking->viewport(), Qt::LeftButton, {},
                           QPoint(last.center().x(), last.bottom() + 10));
        QVERIFY(opened);
        QCOMPARE(form->currentSubject(), QString());
        doubleClickRow(ranking, 0);
        QVERIFY(!form->currentSubject().isEmpty());
    }

    void exportOfTheGradeBook_data() {
        QTest::addColumn<QString>("actionName");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("CSV") << "CsvExportAction"
                             << "csv"
                             << QByteArray("\xEF\xBB\xBF"
                                           "Fach;");
        // An Excel workbook is a ZIP archive.
        QTest::newRow("Excel") << "XlsxExportAction"
                               << "xlsx" << QByteArray("PK\x03\x04");
    }

    void exportOfTheGradeBook() {
        QFETCH(QString, actionName);
        QFETCH(QString, suffix);
        QFETCH(QByteArray, start);
        auto form = openForm();
        const QString target = fixture_->folders().file(QStringLiteral("Noten.") + suffix);
        fixture_->dialogs().answerFile(target);
        action(*form, qPrintable(actionName))->trigger();
        const ShownDialog chosen = fixture_->dialogs().shown(ShownDialog::Kind::File).value(0);
        QVERIFY(chosen.fileOptions.save);
        QCOMPARE(chosen.fileOptions.defaultSuffix, suffix);
        QCOMPARE(chosen.fileOptions.helpTopic, QStringLiteral("CsvExport"));
        QCOMPARE(chosen.fileOptions.initialFileName,
                 fixture_->folders().file(QStringLiteral("Beispiel.") + suffix));
        QVERIFY(readBytes(target).startsWith(start));
        QVERIFY(form->findChild<QStatusBar*>(QStringLiteral("SB"))
                    ->currentMessage()
                    .contains(QStringLiteral("Noten.") + suffix));

        // A folder that is not there: the error is shown, the window goes on.
        fixture_->dialogs().clear();
        fixture_->dialogs().answerFile(
            fixture_->folders().file(QStringLiteral("fehlt/Noten.") + suffix));
        action(*form, qPrintable(actionName))->trigger();
        QCOMPARE(fixture_->dialogs().shown(ShownDialog::Kind::Message).size(), 1);
        QVERIFY(fixture_->dialogs().texts().value(0).contains(
            QStringLiteral("kann nicht geschrieben")));
    }
};

QTEST_MAIN(TestContextEntries)
#include "tst_contextentries.moc"
