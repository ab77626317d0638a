// The update wizard against a real HTTP server on 127.0.0.1: the check of "Updates.ini" and
// its result page, the download of a signed archive with cancel, retry and leaving, broken
// and refused downloads, the preparation of the installation, and what the window's
// destruction at program end does. Every test has its own registry, program and temporary
// folder.
#include "archivefixtures.h"
#include "platform/datetime.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "support/scripteddialogs.h"
#include "support/testfiles.h"
#include "support/testfolders.h"
#include "update/httpclient.h"
#include "update/installation.h"
#include "update/reminder.h"
#include "update/tstatusform.h"
#include "update/updatecheck.h"
#include "update/updateplatform.h"
#include "update/updatewizard.h"
#include "updateserver.h"
#include "wizardtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString Key = QStringLiteral("Software\\Vela\\Zensoria");
const QString IniPath = QStringLiteral("/Updates.ini");
const QString ArchivePath = QStringLiteral("/Updates/Zensoria-2.zip");
const QString SignaturePath = QStringLiteral("/Updates/Zensoria-2.zip.sig");

QString shown(const QString& text) {
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class TestWizardServer : public WizardTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkResult_data();
    void checkResult();
    void checkWithoutUpdateWritesReminder();
    void checkErrorStatus();
    void leaveDuringCheck();
    void cancelDuringSignature();
    void signedDownloadAndInstallation();
    void refusedSignature_data();
    void refusedSignature();
    void cancelYesThenRetry();
    void leaveAnsweredNo();
    void leaveAnsweredYes();
    void brokenDownload_data();
    void brokenDownload();
    void settingsDuringDownload();
    void secondShowingAfterFailedDownload();
    void archiveMissingAtInstallation();
    void preparationError();

private:
    QString archiveFile() const { return tempFile(QStringLiteral("Pultex.zip")); }

    // Serves an "Updates.ini" for a newer update and the signed archive.
    void serveUpdate(const QByteArray& archive);
    // Runs the wizard from the welcome page through the check to its result page.
    void checkUpdates();
    // Once the archive's request has arrived, runs action after delayMs (during the download).
    void duringDownload(int delayMs, std::function<void()> action,
                        const QString& path = ArchivePath);
    TestHttpServer::Response slowArchive() const;

    std::unique_ptr<UpdateServer> server_;
    QByteArray archive_;
};

void TestWizardServer::init() {
    server_ = std::make_unique<UpdateServer>();
    QVERIFY(server_->listen());
    UpdatePlatform::setPublicKeyHex(QString::fromLatin1(server_->keys().publicKey.toHex()));
    setUpWizard(server_->hostAndPort());

    archive_ = makeZip({{"Update.bat", "# datei1\n"
                                       "rm -f \"%snewfile.txt\"\n"
                                       "true\n"
                                       "cp \"%snewfile.txt\" \"%snewfile.txt\"\n"},
                        {"newfile.txt", "neu\n"},
                        {"filler.txt", fillerLines(30000)}});
    QVERIFY(archive_.size() > 100000);
}

void TestWizardServer::cleanup() {
    tearDownWizard();
    server_.reset();
    UpdatePlatform::setPublicKeyHex(QString());
}

void TestWizardServer::serveUpdate(const QByteArray& archive) {
    server_->serve(IniPath, "[Zensoria]\r\nDate=09.08.2003\r\nFile=Zensoria-2.zip\r\n"
                            "News=\"09.08.2003: Neue Funktion\"\r\n");
    server_->serveSigned(ArchivePath, archive);
}

TestHttpServer::Response TestWizardServer::slowArchive() const {
    return TestHttpServer::Response::paced(archive_, 4096, 50);
}

void TestWizardServer::checkUpdates() {
    form_->Begin(zensoriaRequest());
    click("Button_Next");
    click("Button_Check");
    QCOMPARE(page(), 2);
}

void TestWizardServer::duringDownload(int delayMs, std::function<void()> action,
                                      const QString& watched) {
    auto fired = std::make_shared<bool>(false);
    connect(server_.get(), &TestHttpServer::requestReceived, form_.get(),
            [this, fired, delayMs, action, watched](const QString& path) {
                if (path != watched || *fired)
                    return;
                *fired = true;
                QTimer::singleShot(delayMs, form_.get(), action);
            });
}

void TestWizardServer::checkResult_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("update");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("notListed");

    QTest::newRow("no section") << QByteArray("[Andere]\r\nDate=09.08.2003\r\n") << false
                                << QStringList() << QStringList();
    QTest::newRow("date on the program file's day")
        << QByteArray("[Zensoria]\r\nDate=08.08.2003\r\n") << false << QStringList()
        << QStringList();
    QTest::newRow("date on the next day")
        << QByteArray("[Zensoria]\r\nDate=09.08.2003\r\n") << true
        << QStringList{QStringLiteral("\n- keine Angaben gefunden\n")} << QStringList();
    QTest::newRow("date missing counts as today")
        << QByteArray("[zensoria]\r\nFile=x.zip\r\n") << true << QStringList() << QStringList();
    QTest::newRow("error page instead of an INI file")
        << QByteArray("<html><head><title>Fehler</title></head><body>[Zensoria]=</body></html>")
        << false << QStringList() << QStringList();
    QTest::newRow("news before, on and after the day")
        << QByteArray("[Zensoria]\r\nDate=10.08.2003\r\nNews=\"07.08.2003: alt\","
                      "\"08.08.2003: gleich\",\"10.08.2003: neu\",\"ohne Datum\"\r\n")
        << true
        << QStringList{QStringLiteral(":\n- 08.08.2003: gleich\n- 10.08.2003: neu\n- ohne "
                                      "Datum\n\n\nKlicken")}
        << QStringList{QStringLiteral("alt")};
    QTest::newRow("all news older")
        << QByteArray("[Zensoria]\r\nDate=10.08.2003\r\n"
                      "News=\"01.08.2003: alt\"\r\n")
        << true << QStringList{QStringLiteral("Verfügung:\n\n\nKlicken")}
        << QStringList{QStringLiteral("alt")};
}

void TestWizardServer::checkResult() {
    QFETCH(QByteArray, ini);
    QFETCH(bool, update);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, notListed);
    server_->serve(IniPath, ini);
    checkUpdates();
    QCOMPARE(server_->requests(), QStringList{IniPath});
    QCOMPARE(control<QLabel>("Panel_Title")->text(), WizardTexts[2]);
    QCOMPARE(form_->steps().UpdateAvailable, update);
    QVERIFY(enabled("Button_Next"));
    const QString result = label("Label_CheckResult");
    if (!update) {
        QCOMPARE(result, shown(WizardTexts[6]));
        QCOMPARE(control<QPushButton>("Button_Next")->text(), QStringLiteral("Beenden"));
        QVERIFY(!enabled("Button_Cancel"));
    } else {
        QVERIFY2(result.startsWith(QStringLiteral("Es stehen neue Updates zum Download bereit.")),
                 qPrintable(result));
        QCOMPARE(control<QPushButton>("Button_Next")->text(), QStringLiteral("Weiter >"));
        QVERIFY(enabled("Button_Cancel"));
    }
    for (const QString& text : listed)
        QVERIFY2(result.contains(text), qPrintable(result));
    for (const QString& text : notListed)
        QVERIFY2(!result.contains(text), qPrintable(result));
    // The temporary copy of "Updates.ini" holds what the server sent.
    QCOMPARE(readBytes(form_->updatesIniPath()), ini);
    QVERIFY((*dialogs_)->shown().isEmpty());
}

void TestWizardServer::checkWithoutUpdateWritesReminder() {
    Registry(RegistryRoot::LocalMachine).writeInteger(Key, QStringLiteral("UpdateInterval"), 3);
    server_->serve(IniPath, "[Zensoria]\r\nDate=01.08.2003\r\n");
    checkUpdates();
    const QString run = tempFile(QString());
    QVERIFY(QFile::exists(form_->updatesIniPath()));
    click("Button_Next"); // "Beenden"
    QVERIFY(!form_->isVisible());
    QVERIFY(!form_->programEndRequested());
    // Closed showing the download page with "Abbrechen" disabled; no download was started.
    QCOMPARE(page(), 3);
    QCOMPARE(server_->requests(), QStringList{IniPath});
    // The run has ended: its folder with the copy of "Updates.ini" is gone.
    QVERIFY(!QFile::exists(run));

    form_.reset(); // program end
    const auto limit = daysFromBinary(
        Registry(RegistryRoot::LocalMachine).readBinary(Key, QStringLiteral("Update")));
    QVERIFY(limit);
    // 20.08.2003 + 3 days - 1 day.
    QCOMPARE(dateTimeFromDays(*limit), QDate(2003, 8, 22).startOfDay());
}

void TestWizardServer::checkErrorStatus() {
    server_->serve(IniPath, TestHttpServer::Response::error(404));
    WizardRequest request;
    request.ProgramName = QStringLiteral("Zensoria");
    form_->Begin(request);
    click("Button_Next");
    click("Button_Check");
    QCOMPARE((*dialogs_)->texts(), QStringList{QStringLiteral("Es besteht keine "
                                                              "Internetverbindung.\nDer Server "
                                                              "antwortet mit dem Status 404.")});
    QCOMPARE(page(), 1);
    QVERIFY(!enabled("Button_Next"));
    // Tried again once the server has the file.
    server_->serve(IniPath, "[Zensoria]\r\nDate=09.08.2003\r\n");
    click("Button_Check");
    QCOMPARE(page(), 2);
    QVERIFY(form_->steps().UpdateAvailable);
}

void TestWizardServer::leaveDuringCheck() {
    server_->serve(IniPath,
                   TestHttpServer::Response::paced(
                       "[Zensoria]\r\nDate=01.08.2003\r\n" + QByteArray(4000, ';'), 100, 20));
    WizardRequest request;
    request.ProgramName = QStringLiteral("Zensoria");
    form_->Begin(request);
    click("Button_Next");
    duringDownload(
        100, [this] { click("Button_Cancel"); }, IniPath);
    click("Button_Check");
    // Left at once, without a question; the check stopped then and shows nothing more.
    QVERIFY(!form_->isVisible());
    QVERIFY((*dialogs_)->shown().isEmpty());
    QCOMPARE(page(), 1);
    const auto* http = form_->findChild<HttpClient*>(QStringLiteral("HTTP"));
    QVERIFY(!http->running());
    QVERIFY2(http->received() < 4000, qPrintable(QString::number(http->received())));
}

// "Download ab&brechen" while the signature is fetched from a server that sends nothing: the
// transfer stops at once and the retry is offered.
void TestWizardServer::cancelDuringSignature() {
    serveUpdate(archive_);
    TestHttpServer::Response stalled = TestHttpServer::Response::ok(QByteArray(64, 'x'));
    stalled.stopAfter = 0;
    stalled.holdOpen = true;
    server_->serve(SignaturePath, stalled);
    checkUpdates();
    (*dialogs_)->answerYesNo(true);
    duringDownload(
        100, [this] { click("CancelDownload"); }, SignaturePath);
    click("Button_Next");
    QCOMPARE(page(), 3);
    QCOMPARE(label("Label_Download"), shown(WizardTexts[8]));
    QCOMPARE(control<QPushButton>("CancelDownload")->text(), RetryDownloadText);
    QVERIFY(!QFile::exists(archiveFile()));
    QVERIFY(!QFile::exists(archiveFile() + QStringLiteral(".sig")));
    QVERIFY(!form_->findChild<HttpClient*>(QStringLiteral("HTTP"))->running());
}

void TestWizardServer::signedDownloadAndInstallation() {
    // The program file, started again by the script.
    const QString programFile = UpdatePlatform::programFilePath();
    QFile program(programFile);
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\necho gestartet > \"" +
                  QFile::encodeName(folders_->programFile(QStringLiteral("restarted"))) + "\"\n");
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile old(folders_->programFile(QStringLiteral("newfile.txt")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("alt\n");
    old.close();

    serveUpdate(archive_);
    server_->serve(ArchivePath, TestHttpServer::Response::paced(archive_, 16384, 5));
    checkUpdates();
    QVERIFY(label("Label_CheckResult").contains(QStringLiteral("- 09.08.2003: Neue Funktion\n")));

    bool endSignalled = false;
    connect(form_.get(), &TStatusForm::ProgramEndRequested, this, [&] {
        QVERIFY(!endSignalled);
        endSignalled = true;
    });
    click("Button_Next"); // step 3: the download runs and returns
    QCOMPARE(page(), 3);
    QCOMPARE(control<QLabel>("Panel_Title")->text(), WizardTexts[3]);
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    QVERIFY(!control<QPushButton>("CancelDownload")->isVisible());
    QVERIFY(enabled("Button_Next"));
    QCOMPARE(label("PerCent"), QStringLiteral("100 %"));
    QVERIFY(label("StatusLabel").endsWith(QStringLiteral(" gedownloadet")));
    QVERIFY(label("TimeLeft").startsWith(QStringLiteral("verbleibende Zeit: ")));
    QVERIFY(control<QLabel>("PerCent")->font().bold());
    QCOMPARE(control<QProgressBar>("Status")->value(), control<QProgressBar>("Status")->maximum());
    QCOMPARE(readBytes(archiveFile()), archive_);
    QCOMPARE(server_->requests(), (QStringList{IniPath, ArchivePath, SignaturePath}));

    click("Button_Next"); // step 4
    QCOMPARE(page(), 4);
    QCOMPARE(control<QLabel>("Panel_Title")->text(), WizardTexts[4]);
    click("Button_Next"); // step 5: the installation is prepared
    QCOMPARE(page(), 5);
    QCOMPARE(control<QLabel>("Panel_Title")->text(), WizardTexts[5]);
    QCOMPARE(control<QPushButton>("Button_Next")->text(), QStringLiteral("Beenden"));
    QVERIFY(!enabled("Button_Cancel"));
    QVERIFY(form_->steps().InstallPrepared);
    QVERIFY(!QFile::exists(archiveFile()));
    QVERIFY(QFile::exists(tempFile(QStringLiteral("Update.bat"))));
    QVERIFY(!endSignalled);

    click("Button_Next"); // "Beenden": the program ends
    QVERIFY(!form_->isVisible());
    QVERIFY(endSignalled);
    QVERIFY(form_->programEndRequested());
    // Nothing is replaced while the program runs.
    QCOMPARE(readBytes(old.fileName()), QByteArray("alt\n"));

    form_.reset(); // program end: the script runs
    QTRY_COMPARE_WITH_TIMEOUT(readBytes(old.fileName()), QByteArray("neu\n"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folders_->programFile(QStringLiteral("restarted"))),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(tempFile(QStringLiteral("Update.bat"))), 10000);
    const auto limit = daysFromBinary(
        Registry(RegistryRoot::LocalMachine).readBinary(Key, QStringLiteral("Update")));
    QVERIFY(limit);
    QCOMPARE(dateTimeFromDays(*limit), QDate(2003, 8, 26).startOfDay());
    QVERIFY((*dialogs_)->shown().isEmpty());
}

void TestWizardServer::refusedSignature_data() {
    QTest::addColumn<bool>("missing");
    QTest::newRow("wrong signature") << false;
    QTest::newRow("missing signature") << true;
}

void TestWizardServer::refusedSignature() {
    QFETCH(bool, missing);
    serveUpdate(archive_);
    if (missing)
        server_->remove(SignaturePath);
    else
        server_->serve(SignaturePath,
                       KeyPair().signRelease(archive_, TestRelease("Zensoria-2.zip")));
    checkUpdates();
    click("Button_Next");
    QCOMPARE(page(), 3);
    QVERIFY2(label("Label_Download").startsWith(UnsignedArchiveText),
             qPrintable(label("Label_Download")));
    QVERIFY(!enabled("Button_Next"));
    QVERIFY(!control<QPushButton>("CancelDownload")->isVisible());
    QVERIFY(enabled("Button_Cancel"));
    QVERIFY(!QFile::exists(archiveFile()));
    QVERIFY(!QFile::exists(archiveFile() + QStringLiteral(".sig")));
    click("Button_Cancel");
    QVERIFY(!form_->isVisible());
    QVERIFY(!form_->programEndRequested());
    form_.reset();
    QVERIFY(!QFile::exists(tempFile(QStringLiteral("Update.bat"))));
    QVERIFY(!Registry(RegistryRoot::LocalMachine).valueExists(Key, QStringLiteral("Update")));
}

void TestWizardServer::cancelYesThenRetry() {
    serveUpdate(archive_);
    server_->serve(ArchivePath, slowArchive());
    checkUpdates();
    bool disabledDuringDownload = false;
    QString captionDuringDownload;
    (*dialogs_)->answerYesNo(true);
    duringDownload(150, [&] {
        disabledDuringDownload = !enabled("Button_Next");
        captionDuringDownload = control<QPushButton>("CancelDownload")->text();
        click("CancelDownload");
    });
    click("Button_Next");
    QVERIFY(disabledDuringDownload);
    QCOMPARE(captionDuringDownload, QStringLiteral("Download ab&brechen"));
    QCOMPARE((*dialogs_)->beeps(), 1);
    QCOMPARE((*dialogs_)->texts(),
             QStringList{QStringLiteral("Soll der Download wirklich abgebrochen werden?")});
    QCOMPARE(label("Label_Download"), shown(WizardTexts[8]));
    QCOMPARE(control<QPushButton>("CancelDownload")->text(), QStringLiteral("Erneut versuchen"));
    QVERIFY(!enabled("Button_Next"));
    QVERIFY(!QFile::exists(archiveFile()));
    QVERIFY(form_->isVisible());

    // "Erneut versuchen": the same URL again into the same file, now to its end.
    server_->serve(ArchivePath, archive_);
    click("CancelDownload");
    QCOMPARE(server_->requestCount(ArchivePath), 2);
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    QVERIFY(enabled("Button_Next"));
    QCOMPARE(readBytes(archiveFile()), archive_);
}

void TestWizardServer::leaveAnsweredNo() {
    serveUpdate(archive_);
    server_->serve(ArchivePath, slowArchive());
    checkUpdates();
    (*dialogs_)->answerYesNo(false);
    duringDownload(150, [&] { click("Button_Cancel"); });
    click("Button_Next");
    // Asked once; the download went on to its end and the wizard stays.
    QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::Question).size(), 1);
    QVERIFY(form_->isVisible());
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    QCOMPARE(readBytes(archiveFile()), archive_);
    QVERIFY(enabled("Button_Next"));
}

void TestWizardServer::leaveAnsweredYes() {
    serveUpdate(archive_);
    server_->serve(ArchivePath, slowArchive());
    checkUpdates();
    (*dialogs_)->answerYesNo(true);
    bool stillOpenAfterAnswer = false;
    duringDownload(150, [&] {
        form_->close(); // the close box
        stillOpenAfterAnswer = form_->isVisible();
        // A second request while the wizard waits for the transfer asks nothing more.
        form_->close();
    });
    click("Button_Next");
    QVERIFY(stillOpenAfterAnswer);
    QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::Question).size(), 1);
    QVERIFY(!form_->isVisible());
    QVERIFY(!form_->programEndRequested());
    QVERIFY(!QFile::exists(archiveFile()));
    form_.reset();
    QVERIFY(!Registry(RegistryRoot::LocalMachine).valueExists(Key, QStringLiteral("Update")));
}

void TestWizardServer::brokenDownload_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("404 for the archive") << QStringLiteral("404");
    QTest::newRow("connection closed mid-body") << QStringLiteral("closed");
    QTest::newRow("server gone") << QStringLiteral("gone");
}

void TestWizardServer::brokenDownload() {
    QFETCH(QString, kind);
    serveUpdate(archive_);
    checkUpdates();
    if (kind == QLatin1String("404")) {
        server_->serve(ArchivePath, TestHttpServer::Response::error(404));
    } else if (kind == QLatin1String("closed")) {
        TestHttpServer::Response broken = TestHttpServer::Response::ok(archive_);
        broken.chunkSize = 8192;
        broken.stopAfter = archive_.size() / 2;
        server_->serve(ArchivePath, broken);
    } else {
        server_->close();
    }
    click("Button_Next");
    QCOMPARE(label("Label_Download"), shown(WizardTexts[8]));
    QCOMPARE(control<QPushButton>("CancelDownload")->text(), QStringLiteral("Erneut versuchen"));
    QVERIFY(control<QPushButton>("CancelDownload")->isVisible());
    QVERIFY(!enabled("Button_Next"));
    QVERIFY(!QFile::exists(archiveFile()));
    QVERIFY((*dialogs_)->shown().isEmpty());
    if (kind == QLatin1String("gone"))
        return;
    // "Erneut versuchen" downloads again rather than closing the wizard.
    server_->serve(ArchivePath, archive_);
    click("CancelDownload");
    QVERIFY(form_->isVisible());
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    QVERIFY(enabled("Button_Next"));
}

void TestWizardServer::settingsDuringDownload() {
    serveUpdate(archive_);
    server_->serve(ArchivePath, slowArchive());
    checkUpdates();
    int settingsPage = -1;
    duringDownload(100, [&] {
        click("Button_Settings");
        settingsPage = page();
        click("Button_SettingsCancel");
    });
    click("Button_Next");
    QCOMPARE(settingsPage, 6);
    QCOMPARE(page(), 3);
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    QCOMPARE(readBytes(archiveFile()), archive_);
}

void TestWizardServer::secondShowingAfterFailedDownload() {
    serveUpdate(archive_);
    server_->serve(ArchivePath, TestHttpServer::Response::error(404));
    checkUpdates();
    click("Button_Next");
    QCOMPARE(control<QPushButton>("CancelDownload")->text(), QStringLiteral("Erneut versuchen"));
    click("Button_Cancel");
    QVERIFY(!form_->isVisible());

    // The next showing starts afresh and its download is judged on its own.
    server_->serve(ArchivePath, archive_);
    checkUpdates();
    QVERIFY(!form_->steps().DownloadFailed);
    click("Button_Next");
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    QVERIFY(enabled("Button_Next"));
}

void TestWizardServer::archiveMissingAtInstallation() {
    serveUpdate(archive_);
    checkUpdates();
    click("Button_Next");
    click("Button_Next");
    QCOMPARE(page(), 4);
    QVERIFY(QFile::remove(archiveFile()));
    click("Button_Next");
    QCOMPARE(page(), 4);
    QVERIFY(label("Label3").startsWith(QStringLiteral(
        "Die Installationsdateien wurden nicht gefunden. Klicken Sie auf \"Abbrechen\"")));
    QVERIFY(!enabled("Button_Next"));
    QCOMPARE(form_->steps().step(), 5);
    // Closing the wizard now ends the program, without an installation.
    form_->close();
    QVERIFY(!form_->isVisible());
    QVERIFY(form_->programEndRequested());
    QVERIFY(!form_->steps().InstallPrepared);
}

void TestWizardServer::preparationError() {
    // A signed archive without the installation template.
    const QByteArray noTemplate = makeZip({{"newfile.txt", "neu\n"}});
    serveUpdate(noTemplate);
    checkUpdates();
    click("Button_Next");
    QCOMPARE(label("Label_Download"), shown(WizardTexts[9]));
    click("Button_Next");
    click("Button_Next");
    const auto messages = (*dialogs_)->shown(ShownDialog::Kind::Message);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].icon, MessageIcon::Error);
    QVERIFY2(messages[0].text.contains(QStringLiteral("Update.bat")), qPrintable(messages[0].text));
    QCOMPARE(page(), 4);
    QCOMPARE(form_->steps().step(), 4);
    QVERIFY(!form_->steps().InstallPrepared);
    // The wizard stays usable; leaving it does not end the program.
    click("Button_Cancel");
    QVERIFY(!form_->isVisible());
    QVERIFY(!form_->programEndRequested());
}

QTEST_MAIN(TestWizardServer)
#include "tst_wizardserver.moc"
