#include "app/mainwindowfactory.h"
#include "archivefixtures.h"
#include "mainwindow/tform1.h"
#include "platform/datetime.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "support/claimingkeys.h"
#include "support/scripteddialogs.h"
#include "support/testfolders.h"
#include "update/automaticupdate.h"
#include "update/tstatusform.h"
#include "update/tvelaupdatefile.h"
#include "update/updateplatform.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>

namespace {

const QString key = QStringLiteral("Software\\Vela\\Zensoria");
const QDate monday(2026, 12, 7);

Registry machine() {
    return Registry(RegistryRoot::LocalMachine);
}

} // namespace

// The update component in its owner, and the main window's use of it. The wizard is never
// shown: a recorder stands in for its showing and answers whether it asked for the end.
class TestUpdateComponent : public QObject {
    Q_OBJECT

private slots:
    void init() {
        folders_ = std::make_unique<TestFolders>();
        QVERIFY(folders_->isValid());
        // Lock file and socket of the single instance stay inside the test's folder.
        folders_->keepTemporaryFilesInside();
        Clock::setToday(monday);
        ResetProgramEndRequest();
        shown_.clear();
        wizardEndsProgram_ = false;
        TVelaUpdateFile::setWizardShowing([this](const WizardRequest& request) {
            shown_.append(request);
            return wizardEndsProgram_;
        });
    }
    void cleanup() {
        TVelaUpdateFile::setWizardShowing({});
        DestroyUpdateWizardWindow();
        ResetProgramEndRequest();
        Clock::setToday(QDate());
        folders_.reset();
    }

    void componentValuesAndItsActionList() {
        QWidget owner;
        auto* update = new TVelaUpdateFile(&owner);
        update->setObjectName("Update");
        QCOMPARE(update->Host, UpdatePlatform::host());
        QCOMPARE(update->Port, 21);
        QCOMPARE(update->TimeOut, 10000);
        QVERIFY(update->InputFileMode && !update->OutputFileMode);
        QVERIFY(update->Body.isEmpty() && update->Header.isEmpty());
        QCOMPARE(update->ProgramName, "Zensoria");
        QCOMPARE(update->RegistryKey, "Zensoria");
        QCOMPARE(update->ZIPFileName, "Pultex.zip");
        QVERIFY(!update->HKCU);

        // The list was named while the component had no name yet.
        auto* list = owner.findChild<QObject*>("ActionList_", Qt::FindDirectChildrenOnly);
        QVERIFY(list);
        auto* action = list->findChild<QAction*>("UpdateAction");
        QCOMPARE(action, update->UpdateAction);
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
        QVERIFY(owner.actions().contains(action));
    }

    // One wizard window for the whole run, whatever the number of components, made when it is
    // first asked for; it goes only at program end.
    void oneWizardWindowPerRun() {
        const auto wizardsMade = [] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::count_if(windows.begin(), windows.end(), [](QWidget* window) {
                return qobject_cast<TStatusForm*>(window) != nullptr;
            });
        };
        TStatusForm* wizard = nullptr;
        {
            QWidget owner;
            new TVelaUpdateFile(&owner);
            QCOMPARE(wizardsMade(), 0);
            wizard = UpdateWizardWindow();
            QCOMPARE(wizardsMade(), 1);
            QVERIFY(wizard);
            new TVelaUpdateFile(&owner);
            QCOMPARE(UpdateWizardWindow(), wizard);
        }
        QCOMPARE(UpdateWizardWindow(), wizard);
        QPointer<TStatusForm> watched(wizard);
        DestroyUpdateWizardWindow();
        QVERIFY(!watched);
        QVERIFY(!UpdateWizardWindow());
    }

    void ctrlUShowsTheWizardWithTheCopies() {
        const QString program = makeProgramFile(QDateTime(QDate(2003, 8, 8), QTime(14, 8)));
        machine().writeString(key, "NoUpdate", "");
        QWidget owner;
        auto* update = new TVelaUpdateFile(&owner);
        update->ZIPFileName = "Anders.zip";
        owner.show();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QTest::keyClick(&owner, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(shown_[0].ProgramName, "Zensoria");
        QCOMPARE(shown_[0].ZIPFileName, "Anders.zip");
        QCOMPARE(shown_[0].RegistryKey, "Zensoria");
        QCOMPARE(shown_[0].HKCU, false);
        QCOMPARE(shown_[0].VersionDate, daysSince1899(QDateTime(QDate(2003, 8, 8), QTime(14, 8))));
        QVERIFY(!machine().valueExists(key, "ApplicationFileName"));
        QVERIFY(!ProgramEndRequested());
    }

    // A registry failure on Ctrl+U is shown; nothing leaves the handler.
    void ctrlUShowsARegistryError() {
        makeProgramFile();
        machine().writeString(key, "Update", "kein Datum");
        ScopedDialogs dialogs;
        QWidget owner;
        auto* update = new TVelaUpdateFile(&owner);
        update->UpdateAction->trigger();
        QVERIFY(shown_.isEmpty());
        QCOMPARE(dialogs->texts(), QStringList{"Ungültiger Datentyp für 'Update'"});
        QCOMPARE(dialogs->shown()[0].icon, MessageIcon::Error);
    }

    void updateOnlyOrAnInstallationEndsTheProgram_data() {
        QTest::addColumn<bool>("onlyUpdate");
        QTest::addColumn<bool>("wizardEnds");
        QTest::addColumn<bool>("ends");
        QTest::newRow("update only") << true << false << true;
        QTest::newRow("installation prepared") << false << true << true;
        QTest::newRow("wizard cancelled") << false << false << false;
    }
    void updateOnlyOrAnInstallationEndsTheProgram() {
        QFETCH(bool, onlyUpdate);
        QFETCH(bool, wizardEnds);
        QFETCH(bool, ends);
        makeProgramFile();
        if (onlyUpdate)
            machine().writeString(key, "OnlyUpdate", "");
        wizardEndsProgram_ = wizardEnds;
        QWidget owner;
        TVelaUpdateFile update(&owner);
        update.AutomaticUpdate(QString(), false, 0);
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(ProgramEndRequested(), ends);
    }

    // What the GUI tests rely on: a program folder without the program file never shows the
    // wizard, and the main window starts as always.
    void mainWindowInATestFolderStartsWithoutTheWizard() {
        TForm1 window;
        QVERIFY(shown_.isEmpty());
        QVERIFY(machine().valueExists(key, "ApplicationFileName"));
        QVERIFY(!window.otherInstanceRunning());
        QVERIFY(window.findChild<TVelaUpdateFile*>("Update"));
    }

    void mainWindowRunsTheReminderFirst() {
        makeProgramFile();
        // The reminder comes before the single-instance check: the wizard shows even while
        // another instance holds the lock.
        TForm1 first;
        QCOMPARE(shown_.size(), 1);
        TForm1 second;
        QCOMPARE(shown_.size(), 2);
        QVERIFY(second.otherInstanceRunning());
    }

    // Update only: the wizard, then the end, without the main window's start-up or clean-up.
    void updateOnlyStartNeverReachesTheMainWindow() {
        makeProgramFile();
        machine().writeString(key, "OnlyUpdate", "");
        machine().writeBinary(key, "Update", daysToBinary(daysSince1899(monday.startOfDay()) + 30));
        std::unique_ptr<QMainWindow> window = createMainWindow();
        QVERIFY(!window);
        QCOMPARE(shown_.size(), 1);
        QVERIFY(ProgramEndRequested());
        QVERIFY(!QFile::exists(ProgramFolder::settingsFilePath()));
    }

    // After Ctrl+U in the running program, a wizard that asks for the end ends the event loop;
    // the main window closes.
    void endAfterCtrlUQuitsTheRunningProgram() {
        makeProgramFile();
        machine().writeBinary(key, "Update", daysToBinary(daysSince1899(monday.startOfDay()) + 6));
        TForm1 window;
        QVERIFY(shown_.isEmpty());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        wizardEndsProgram_ = true;
        auto* action = window.findChild<QAction*>("UpdateAction");
        QVERIFY(action);
        QTimer::singleShot(0, action, &QAction::trigger);
        // Never waits forever; the guard goes with the test.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(shown_.size(), 1);
        QVERIFY(ProgramEndRequested());
        QVERIFY(!window.isVisible());
    }

    // A refused registry is shown, and the main window starts anyway.
    void mainWindowGoesOnAfterARegistryError() {
        QFile blocker(folders_->file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Registry::setStorageFolder(folders_->file("blocker/registry"));
        ScopedDialogs dialogs;
        std::unique_ptr<QMainWindow> window = createMainWindow();
        QVERIFY(window);
        QCOMPARE(dialogs->shown(ShownDialog::Kind::Message).size(), 1);
        QVERIFY(shown_.isEmpty());
        window.reset();
        // The start went on: the main window's clean-up wrote its settings.
        QVERIFY(QFile::exists(ProgramFolder::settingsFilePath()));
    }

    // Text fields claim Ctrl+U for editing (on X11 it deletes the line); in the main window
    // the shortcut still reaches the update.
    void ctrlUWorksInTheMainWindowsTextField() {
        ClaimingKeys claim;
        TForm1 window;
        makeProgramFile();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* field = window.findChild<QLineEdit*>("StandardFile");
        QVERIFY(field);
        field->setText("/tmp/noten.plx");
        field->setFocus();
        field->installEventFilter(&claim);
        QTest::keyClick(field, Qt::Key_U, Qt::ControlModifier);
        field->removeEventFilter(&claim);
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(field->text(), "/tmp/noten.plx");
    }

private:
    QString makeProgramFile(const QDateTime& modified = QDateTime()) {
        return WriteProgramFile(UpdatePlatform::programFilePath(), modified);
    }

    std::unique_ptr<TestFolders> folders_;
    QList<WizardRequest> shown_;
    bool wizardEndsProgram_ = false;
};

QTEST_MAIN(TestUpdateComponent)
#include "tst_tvelaupdatefile.moc"
