#include "archivefixtures.h"
#include "platform/apperror.h"
#include "platform/datetime.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "support/testfolders.h"
#include "update/automaticupdate.h"
#include "update/updateplatform.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

const QString key = QStringLiteral("Software\\Vela\\Zensoria");
const UpdateSettingsPlace place{QStringLiteral("Zensoria"), false};
const QDate monday(2026, 12, 7);

Registry machine() {
    return Registry(RegistryRoot::LocalMachine);
}

double day(const QDate& date, int hour = 0, int minute = 0) {
    return daysSince1899(QDateTime(date, QTime(hour, minute)));
}

} // namespace

// The reminder at start-up and on Ctrl+U, against a registry and a program folder of the
// test's own. The program file is the test program's name in that folder: while it is missing
// its drive cannot be told, which stops the reminder like a CD would.
class TestAutomaticUpdate : public QObject {
    Q_OBJECT

private slots:
    void init() {
        folders_ = std::make_unique<TestFolders>();
        Clock::setToday(monday);
        ResetProgramEndRequest();
    }
    void cleanup() {
        Clock::setToday(QDate());
        folders_.reset();
    }

    void firstStartShowsTheWizardWithTheProgramFilesTime() {
        const QString program = makeProgramFile(QDateTime(QDate(2003, 8, 8), QTime(14, 8)));
        const AutomaticUpdatePlan plan = PlanAutomaticUpdate(place, QString(), false, 0);
        QVERIFY(plan.showWizard);
        QVERIFY(!plan.onlyUpdate);
        QCOMPARE(plan.versionDate, day(QDate(2003, 8, 8), 14, 8));
        QCOMPARE(machine().readString(key, "ApplicationFileName"), '"' + program + '"');
        // Nothing but the reminder's reading: the limit is written only by the wizard.
        QVERIFY(!machine().valueExists(key, "Update"));
    }

    void callersValuesAreHandedOn() {
        const QString program = makeProgramFile();
        const AutomaticUpdatePlan plan = PlanAutomaticUpdate(place, "-x", false, 12345.5);
        QCOMPARE(plan.versionDate, 12345.5);
        QCOMPARE(machine().readString(key, "ApplicationFileName"), '"' + program + "\" -x");
    }

    void reminderFollowsTheStoredValues_data() {
        QTest::addColumn<QVariant>("limit"); // days from today; none: missing
        QTest::addColumn<bool>("noUpdate");
        QTest::addColumn<bool>("onlyUpdate");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<bool>("shown");
        QTest::newRow("limit yesterday") << QVariant(-1) << false << false << false << true;
        QTest::newRow("limit today") << QVariant(0) << false << false << false << false;
        QTest::newRow("limit next week") << QVariant(6) << false << false << false << false;
        QTest::newRow("switched off") << QVariant() << true << false << false << false;
        QTest::newRow("switched off, Ctrl+U") << QVariant() << true << false << true << true;
        QTest::newRow("Ctrl+U before the limit") << QVariant(6) << false << false << true << true;
        QTest::newRow("update only over everything")
            << QVariant(6) << true << true << false << true;
    }
    void reminderFollowsTheStoredValues() {
        QFETCH(QVariant, limit);
        QFETCH(bool, noUpdate);
        QFETCH(bool, onlyUpdate);
        QFETCH(bool, manual);
        QFETCH(bool, shown);
        makeProgramFile();
        if (limit.isValid())
            machine().writeBinary(key, "Update", daysToBinary(day(monday.addDays(limit.toInt()))));
        if (noUpdate)
            machine().writeString(key, "NoUpdate", "");
        if (onlyUpdate)
            machine().writeInteger(key, "OnlyUpdate", 1);
        const AutomaticUpdatePlan plan = PlanAutomaticUpdate(place, QString(), manual, 0);
        QCOMPARE(plan.showWizard, shown);
        QCOMPARE(plan.onlyUpdate, onlyUpdate);
        // Ctrl+U leaves the program's path alone.
        QCOMPARE(machine().valueExists(key, "ApplicationFileName"), !manual);
    }

    // A drive that is no place for updates comes before everything else: no wizard, not even
    // on Ctrl+U or in update-only mode; the path is still written at start-up.
    void refusedDriveShowsNothing_data() {
        QTest::addColumn<bool>("manual");
        QTest::newRow("start-up") << false;
        QTest::newRow("Ctrl+U") << true;
    }
    void refusedDriveShowsNothing() {
        QFETCH(bool, manual);
        machine().writeString(key, "OnlyUpdate", "");
        const AutomaticUpdatePlan plan = PlanAutomaticUpdate(place, QString(), manual, 0);
        QVERIFY(!plan.showWizard);
        QVERIFY(!plan.onlyUpdate);
        QCOMPARE(machine().valueExists(key, "ApplicationFileName"), !manual);
    }

    void perUserRoot() {
        makeProgramFile();
        const AutomaticUpdatePlan plan =
            PlanAutomaticUpdate({QStringLiteral("Zensoria"), true}, QString(), false, 0);
        QVERIFY(plan.showWizard);
        QVERIFY(Registry(RegistryRoot::CurrentUser).valueExists(key, "ApplicationFileName"));
        QVERIFY(!machine().keyExists(key));
    }

    void registryErrorsEndTheReminder() {
        makeProgramFile();
        machine().writeString(key, "Update", "gestern");
        QVERIFY_THROWS_EXCEPTION(AppError, PlanAutomaticUpdate(place, QString(), false, 0));
        machine().deleteValue(key, "Update");
        machine().writeBinary(key, "UpdateInterval", QByteArray(4, '\7'));
        // The interval is not read by the reminder, only at program end.
        QVERIFY(PlanAutomaticUpdate(place, QString(), true, 0).showWizard);

        QFile blocker(folders_->file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Registry::setStorageFolder(folders_->file("blocker/registry"));
        QVERIFY_THROWS_EXCEPTION(AppError, PlanAutomaticUpdate(place, QString(), false, 0));
        QVERIFY_THROWS_EXCEPTION(AppError, PlanAutomaticUpdate(place, QString(), true, 0));
    }

    // Before the event loop runs, the request is only remembered: a quit at that time would be
    // lost, and the program entry would show the main window.
    void programEndBeforeTheEventLoop() {
        QVERIFY(!ProgramEndRequested());
        RequestProgramEnd();
        QVERIFY(ProgramEndRequested());
        ResetProgramEndRequest();
        QVERIFY(!ProgramEndRequested());
    }

    void programEndWhileTheEventLoopRuns() {
        bool quitInLoop = false;
        QTimer::singleShot(0, QCoreApplication::instance(), [] { RequestProgramEnd(); });
        QTimer::singleShot(5000, QCoreApplication::instance(), [&quitInLoop] {
            quitInLoop = true;
            QCoreApplication::exit(1);
        });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!quitInLoop);
        QVERIFY(ProgramEndRequested());
    }

private:
    QString makeProgramFile(const QDateTime& modified = QDateTime()) {
        return WriteProgramFile(UpdatePlatform::programFilePath(), modified);
    }

    std::unique_ptr<TestFolders> folders_;
};

QTEST_GUILESS_MAIN(TestAutomaticUpdate)
#include "tst_automaticupdate.moc"
