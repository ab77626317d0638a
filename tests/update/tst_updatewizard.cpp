// The wizard's steps, leaving during a download, and what the download page shows after each
// kind of ending, without a window.
#include "update/installation.h"
#include "update/updatecheck.h"
#include "update/updatewizard.h"

#include <QTest>

using Action = WizardSteps::Action;
using Leave = WizardSteps::Leave;

class TestUpdateWizard : public QObject {
    Q_OBJECT

private slots:
    void stepsWithUpdate();
    void stepsWithoutUpdate();
    void retryAfterIncompleteDownload();
    void newShowingStartsAfresh();
    void preparationErrorKeepsWizardUsable();
    void leavingDuringDownload();
    void reminderDueAtEnd();
    void downloadPage_data();
    void downloadPage();
};

void TestUpdateWizard::stepsWithUpdate() {
    WizardSteps steps;
    steps.start();
    QCOMPARE(steps.step(), 0);
    QCOMPARE(steps.next(), Action::AwaitCheck);
    steps.UpdateAvailable = true; // the check found a newer update
    QCOMPARE(steps.next(), Action::ShowResult);
    QCOMPARE(steps.next(), Action::Download);
    QCOMPARE(steps.step(), 3);
    QVERIFY(!steps.closingEndsProgram());
    QCOMPARE(steps.next(), Action::None);
    QVERIFY(!steps.closingEndsProgram());
    QCOMPARE(steps.next(), Action::PrepareInstallation);
    QVERIFY(steps.closingEndsProgram());
    QCOMPARE(steps.next(), Action::EndProgram);
    QCOMPARE(steps.step(), 6);
    // Nothing lies beyond the end of the program.
    QCOMPARE(steps.next(), Action::EndProgram);
    QCOMPARE(steps.step(), 6);
}

void TestUpdateWizard::stepsWithoutUpdate() {
    WizardSteps steps;
    steps.start();
    steps.next();
    steps.UpdateAvailable = false;
    QCOMPARE(steps.next(), Action::ShowResult);
    // "Beenden" on the result page.
    QCOMPARE(steps.next(), Action::CloseWizard);
    QCOMPARE(steps.step(), 3);
    QVERIFY(!steps.closingEndsProgram());
}

void TestUpdateWizard::retryAfterIncompleteDownload() {
    WizardSteps steps;
    steps.start();
    steps.next();
    steps.UpdateAvailable = true;
    steps.next();
    QCOMPARE(steps.next(), Action::Download);
    steps.DownloadFailed = true;
    QCOMPARE(steps.retry(), Action::Download);
    QCOMPARE(steps.step(), 3);
    QVERIFY(!steps.DownloadFailed);

    // Without an update a retry closes the wizard instead of downloading.
    steps.UpdateAvailable = false;
    steps.DownloadFailed = true;
    QCOMPARE(steps.retry(), Action::CloseWizard);
}

void TestUpdateWizard::newShowingStartsAfresh() {
    WizardSteps steps;
    steps.start();
    steps.UpdateAvailable = true;
    for (int i = 0; i < 5; ++i)
        steps.next();
    steps.InstallPrepared = true;
    steps.DownloadFailed = true;
    steps.Downloading = true;
    steps.CloseAfterDownload = true;

    steps.start();
    QCOMPARE(steps.step(), 0);
    QVERIFY(!steps.UpdateAvailable);
    QVERIFY(!steps.InstallPrepared);
    QVERIFY(!steps.DownloadFailed);
    QVERIFY(!steps.Downloading);
    QVERIFY(!steps.CloseAfterDownload);
    QVERIFY(!steps.closingEndsProgram());
}

void TestUpdateWizard::preparationErrorKeepsWizardUsable() {
    WizardSteps steps;
    steps.start();
    steps.UpdateAvailable = true;
    for (int i = 0; i < 4; ++i)
        steps.next();
    QCOMPARE(steps.next(), Action::PrepareInstallation);
    steps.installationFailed();
    QCOMPARE(steps.step(), 4);
    QVERIFY(!steps.InstallPrepared);
    QVERIFY(!steps.closingEndsProgram());
    // "Weiter >" tries the preparation again.
    QCOMPARE(steps.next(), Action::PrepareInstallation);
}

void TestUpdateWizard::leavingDuringDownload() {
    WizardSteps steps;
    steps.start();
    QCOMPARE(steps.leaveRequested(), Leave::Close);

    steps.Downloading = true;
    QCOMPARE(steps.leaveRequested(), Leave::Ask);
    steps.leaveAnswered(false); // Nein: the download goes on, the next request asks again
    QCOMPARE(steps.leaveRequested(), Leave::Ask);
    QVERIFY(!steps.CloseAfterDownload);

    steps.leaveAnswered(true); // Ja: asked once, then the wizard waits for the transfer
    QVERIFY(steps.CloseAfterDownload);
    QCOMPARE(steps.leaveRequested(), Leave::KeepWaiting);

    steps.Downloading = false;
    QCOMPARE(steps.leaveRequested(), Leave::Close);

    // A Ja that arrives after the download has ended does not hold a later close back.
    WizardSteps late;
    late.start();
    late.leaveAnswered(true);
    QVERIFY(!late.CloseAfterDownload);
}

void TestUpdateWizard::reminderDueAtEnd() {
    // After a prepared installation, on whatever page.
    QVERIFY(ReminderDueAtEnd(true, 5, false));
    QVERIFY(ReminderDueAtEnd(true, 4, true));
    // "Beenden" after a check without updates leaves the download page with "Abbrechen"
    // disabled.
    QVERIFY(ReminderDueAtEnd(false, 3, false));
    // Left during or after a download, or anywhere else with "Abbrechen".
    QVERIFY(!ReminderDueAtEnd(false, 3, true));
    QVERIFY(!ReminderDueAtEnd(false, 2, false));
    QVERIFY(!ReminderDueAtEnd(false, 0, true));
}

void TestUpdateWizard::downloadPage_data() {
    QTest::addColumn<DownloadEnd>("end");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("retry");
    QTest::addColumn<bool>("next");
    QTest::newRow("completed") << DownloadEnd::Completed << WizardTexts[9] << false << true;
    QTest::newRow("aborted") << DownloadEnd::Aborted << WizardTexts[8] << true << false;
    // A broken transfer is not a success: the same page as after an abort.
    QTest::newRow("incomplete") << DownloadEnd::Incomplete << WizardTexts[8] << true << false;
    QTest::newRow("unsigned") << DownloadEnd::Unsigned << UnsignedArchiveText << false << false;
}

void TestUpdateWizard::downloadPage() {
    QFETCH(DownloadEnd, end);
    QFETCH(QString, text);
    QFETCH(bool, retry);
    QFETCH(bool, next);
    const DownloadPageView view = DownloadPageFor(end);
    QVERIFY2(view.text.startsWith(text), qPrintable(view.text));
    QCOMPARE(view.offerRetry, retry);
    QCOMPARE(view.nextEnabled, next);
}

QTEST_GUILESS_MAIN(TestUpdateWizard)
#include "tst_updatewizard.moc"
