// The update wizard window: its pages, controls and side bar, the steps as the user clicks
// through them, the settings page and what its destruction at program end writes. Every test
// has its own registry, program and temporary folder, and reaches no host but 127.0.0.1.
#include "platform/datetime.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "stats/gradecolours.h"
#include "support/scripteddialogs.h"
#include "support/testhttpserver.h"
#include "update/tstatusform.h"
#include "update/updatecheck.h"
#include "update/updateplatform.h"
#include "update/wizardsidebar.h"
#include "update/workfolder.h"
#include "wizardtest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>

#include <memory>

namespace {

const QString Key = QStringLiteral("Software\\Vela\\Zensoria");

} // namespace

class TestStatusForm : public WizardTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndPages();
    void pageTexts();
    void sideBar();
    void welcomeToCheck();
    void noConnection();
    void noServer();
    void settingsPage();
    void settingsDefaultsAndRegistryError();
    void secondShowingStartsAtWelcome();
    void cancelClosesWithoutReminder();
};

void TestStatusForm::init() {
    // A port on 127.0.0.1 where nothing listens.
    setUpWizard(QStringLiteral("127.0.0.1:%1").arg(TestHttpServer::unusedPort()));
}

void TestStatusForm::cleanup() {
    tearDownWizard();
}

void TestStatusForm::windowAndPages() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Updates installieren"));
    QCOMPARE(form_->size(), QSize(658, 353));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
    QVERIFY(!(form_->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form_->palette().color(QPalette::Window), QColor(Qt::white));
    // F1 shows the wizard's help topic.
    auto* help = form_->findChild<QAction*>(QStringLiteral("HelpKey"));
    QVERIFY(help);
    QCOMPARE(help->shortcut(), QKeySequence(Qt::Key_F1));
    Help::setHelpFile(QFINDTESTDATA("../../resources/Pultex.hlp"));
    help->trigger();
    QVERIFY(form_->findChild<HelpViewer*>());
    QCOMPARE(form_->findChild<HelpViewer*>()->topic(), QStringLiteral("Update"));
    delete form_->findChild<HelpViewer*>();

    const struct {
        const char* name;
        QRect rect;
    } placed[] = {
        {"PaintBox_Process", {0, 0, 225, 353}},
        {"Panel_Title", {232, 8, 417, 41}},
        {"Pages", {232, 56, 417, 249}},
        {"Button_Settings", {240, 320, 97, 25}},
        {"Notebook_StdButtons", {456, 314, 193, 37}},
        {"Button_Cancel", {6, 6, 83, 25}},
        {"Button_Next", {100, 6, 83, 25}},
        {"Button_SettingsCancel", {6, 6, 83, 25}},
        {"Button_SettingsSave", {100, 6, 83, 25}},
        {"Image_Icon1", {8, 8, 32, 32}},
        {"Label2", {56, 8, 353, 233}},
        {"Label4", {8, 8, 401, 57}},
        {"Button_Check", {8, 96, 185, 25}},
        {"Label_CheckResult", {8, 8, 401, 233}},
        {"Label_Download", {8, 8, 401, 89}},
        {"Status", {52, 112, 337, 25}},
        {"Icon", {8, 160, 33, 33}},
        {"CancelDownload", {240, 216, 155, 25}},
        {"Label3", {56, 8, 353, 177}},
        {"Label5", {56, 8, 353, 233}},
        {"GroupBox1", {8, 8, 401, 233}},
        {"Label1", {40, 40, 353, 73}},
        {"Label6", {40, 128, 353, 57}},
        {"SpinEdit_AutoUpdt", {70, 188, 49, 22}},
    };
    for (const auto& [name, rect] : placed) {
        auto* widget = control<QWidget>(name);
        QVERIFY2(widget, name);
        QCOMPARE(widget->geometry(), rect);
    }
    const struct {
        const char* name;
        QPoint at;
    } topLeft[] = {{"Bevel1", {232, 312}},
                   {"PerCent", {52, 144}},
                   {"StatusLabel", {52, 168}},
                   {"TimeLeft", {52, 192}},
                   {"CheckBox_Restart", {56, 224}},
                   {"RadioButton_NoAutoUpdt", {16, 24}},
                   {"RadioButton_AutoUpdt", {16, 112}},
                   {"Label_AutoUpdt1", {40, 192}},
                   {"Label_AutoUpdt2", {122, 192}}};
    for (const auto& [name, at] : topLeft) {
        auto* widget = control<QWidget>(name);
        QVERIFY2(widget, name);
        QCOMPARE(widget->pos(), at);
    }
    QCOMPARE(control<QWidget>("Bevel1")->width(), 417);
    QCOMPARE(control<QWidget>("PerCent")->width(), 337);

    auto* pages = control<QStackedWidget>("Pages");
    const QStringList pageNames = {QStringLiteral("Bestätigung1"), QStringLiteral("Prüfen"),
                                   QStringLiteral("Bestätigung2"), QStringLiteral("Download"),
                                   QStringLiteral("Einrichten"),   QStringLiteral("Bestätigung3"),
                                   QStringLiteral("Einstellungen")};
    QCOMPARE(pages->count(), 7);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(pages->widget(i)->objectName(), pageNames[i]);
    auto* buttons = control<QStackedWidget>("Notebook_StdButtons");
    QCOMPARE(buttons->count(), 2);
    QCOMPARE(buttons->widget(0)->objectName(), QStringLiteral("Standard"));
    QCOMPARE(buttons->widget(1)->objectName(), QStringLiteral("Einstellungen"));

    auto* titlePanel = control<QLabel>("Panel_Title");
    QCOMPARE(titlePanel->palette().color(QPalette::Window), QColor(49, 106, 197));
    QCOMPARE(titlePanel->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(titlePanel->font().bold());
    QCOMPARE(titlePanel->font().pixelSize(), 19);
    QVERIFY(control<QPushButton>("Button_Next")->isDefault());
    QVERIFY(control<QCheckBox>("CheckBox_Restart")->isChecked());
    auto* spin = control<QSpinBox>("SpinEdit_AutoUpdt");
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(spin->maximum(), 365);
    QCOMPARE(spin->value(), 7);
}

void TestStatusForm::pageTexts() {
    auto text = [this](const char* name) {
        if (auto* label = form_->findChild<QLabel*>(QString::fromUtf8(name)))
            return label->text();
        return control<QAbstractButton>(name)->text();
    };
    // The texts as the user reads them, the odd spellings included.
    QVERIFY(text("Label2").startsWith(QStringLiteral(
        "In regelmäßigen Abständen sollte im Internet nach Programmverbesserungen und -updates "
        "gesucht werden, um möglichen Programmfehlern vorzubeugen.\nKlicken Sie auf "
        "\"Weiter\"")));
    QVERIFY(text("Label_Download").contains(QStringLiteral("Bitten warten Sie")));
    QVERIFY(text("Label5").contains(QStringLiteral("Klicken SIe auf \"Beenden\"")));
    QCOMPARE(text("Label4"),
             QStringLiteral("Stellen Sie sicher, dass eine Internetverbindung besteht, und klicken "
                            "Sie auf \"Jetzt auf neue Updates prüfen\"."));
    QCOMPARE(text("Button_Check"), QStringLiteral("Jetzt auf neue Updates prüfen"));
    QCOMPARE(text("CancelDownload"), QStringLiteral("Download ab&brechen"));
    QCOMPARE(text("CheckBox_Restart"), QStringLiteral("Programm automatisch neu starten"));
    QCOMPARE(text("Button_Settings"), QStringLiteral("Einstellungen"));
    QCOMPARE(text("Button_SettingsSave"), QStringLiteral("Speichern"));
    QCOMPARE(text("Button_Cancel"), QStringLiteral("Abbrechen"));
    QCOMPARE(text("Button_Next"), QStringLiteral("Weiter >"));
    QCOMPARE(text("RadioButton_NoAutoUpdt"),
             QStringLiteral("Niemals automatisch zum Updaten auffordern"));
    QCOMPARE(text("RadioButton_AutoUpdt"),
             QStringLiteral("Regelmäßig in bestimmten Abständen zum Updaten auffordern"));
    QCOMPARE(text("Label_AutoUpdt1"), QStringLiteral("Alle"));
    QCOMPARE(text("Label_AutoUpdt2"), QStringLiteral("Tage an Updates erinnern"));
    QCOMPARE(control<QGroupBox>("GroupBox1")->title(),
             QStringLiteral("Wie oft wollen Sie zum Suchen nach Updates aufgefordert werden?"));
    QVERIFY(text("Label1").endsWith(QStringLiteral("über die Tastenkombination Strg+U die Suche "
                                                   "nach Updates zu starten.")));
    QVERIFY(text("Label3").endsWith(QStringLiteral(
        "\"Programm automatisch neu starten\", um die Anwendung nach der Installation sofort "
        "neu zu starten.")));
}

void TestStatusForm::sideBar() {
    // One column more than the box is wide: the last line, at x = width, is white.
    QImage image(226, 353, QImage::Format_RGB32);
    image.fill(Qt::red);
    {
        QPainter painter(&image);
        PaintWizardSideBar(painter, QSize(225, 353), form_->font(), 0);
    }
    const QColor left(155, 183, 230);
    QCOMPARE(image.pixelColor(0, 350), left);
    QCOMPARE(image.pixelColor(225, 350), QColor(Qt::white));
    for (int x : {1, 100, 224})
        QCOMPARE(image.pixelColor(x, 350), BlendColour(left, Qt::white, x, 225));

    // The current step's title is drawn differently (bold, italic); the others stay.
    auto titles = [this](int step) {
        QImage picture(225, 353, QImage::Format_RGB32);
        QPainter painter(&picture);
        PaintWizardSideBar(painter, QSize(225, 353), form_->font(), step);
        return picture;
    };
    const QImage step0 = titles(0);
    const QImage step2 = titles(2);
    auto band = [](const QImage& picture, int i) {
        const QPoint at = WizardSideBarTitlePos(i);
        return picture.copy(0, at.y(), 225, 20);
    };
    QVERIFY(band(step0, 0) != band(step2, 0));
    QVERIFY(band(step0, 2) != band(step2, 2));
    QCOMPARE(band(step0, 4), band(step2, 4));
    // Something is written in every title's band.
    const QImage empty = [] {
        QImage picture(225, 353, QImage::Format_RGB32);
        QPainter painter(&picture);
        PaintWizardSideBar(painter, QSize(225, 353), QFont(), -1);
        return picture;
    }();
    QImage bare(225, 20, QImage::Format_RGB32);
    {
        QPainter painter(&bare);
        for (int x = 0; x <= 225; ++x) {
            painter.setPen(BlendColour(left, Qt::white, x, 225));
            painter.drawLine(x, 0, x, 20);
        }
    }
    for (int i = 0; i <= 5; ++i)
        QVERIFY2(band(empty, i) != bare, qPrintable(WizardTexts[i]));
}

void TestStatusForm::welcomeToCheck() {
    form_->Begin(zensoriaRequest());
    QVERIFY(form_->isVisible());
    QCOMPARE(page(), 0);
    QCOMPARE(title(), QStringLiteral("Willkommen"));
    QCOMPARE(form_->steps().step(), 0);
    click("Button_Next");
    QCOMPARE(page(), 1);
    QCOMPARE(title(), QStringLiteral("Auf neue Updates prüfen"));
    QVERIFY(!control<QPushButton>("Button_Next")->isEnabled());
    QVERIFY(control<QPushButton>("Button_Cancel")->isEnabled());
}

void TestStatusForm::noConnection() {
    UpdatePlatform::setInternetConnected(false);
    form_->Begin(zensoriaRequest());
    click("Button_Next");
    click("Button_Check");
    const auto messages = (*dialogs_)->shown(ShownDialog::Kind::Message);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, QStringLiteral("Es besteht keine Internetverbindung."));
    QCOMPARE(messages[0].caption, QStringLiteral("Internetverbindung erforderlich"));
    QCOMPARE(messages[0].icon, MessageIcon::Warning);
    QCOMPARE(page(), 1);
    QVERIFY(!control<QPushButton>("Button_Next")->isEnabled());
    // Nothing was fetched, so no temporary copy exists.
    QVERIFY(form_->updatesIniPath().isEmpty());
}

void TestStatusForm::noServer() {
    form_->Begin(zensoriaRequest());
    click("Button_Next");
    click("Button_Check");
    // The reason, as the transfer knows it, in the second line.
    QCOMPARE((*dialogs_)->texts(),
             QStringList{QStringLiteral("Es besteht keine Internetverbindung.\n"
                                        "Der Server hat die Verbindung abgelehnt.")});
    QCOMPARE(page(), 1);
    QVERIFY(!form_->steps().UpdateAvailable);
    QVERIFY(!control<QPushButton>("Button_Next")->isEnabled());
    // The temporary copy has the "$" prefix in the run's private folder (mode 0700).
    const QString copy = form_->updatesIniPath();
    QVERIFY(QFileInfo(copy).fileName().startsWith(QLatin1Char('$')));
    const QFileInfo run(QFileInfo(copy).absolutePath());
    QCOMPARE(run.absolutePath(), folders_->file(QStringLiteral("tmp")));
    QVERIFY(run.fileName().startsWith(UpdateWorkFolder::NamePrefix));
    QCOMPARE(run.permissions() & 0x0077, QFileDevice::Permissions());
    QVERIFY(QFileInfo::exists(copy));
    // The check may be tried again; the earlier copy is not left behind.
    click("Button_Check");
    QCOMPARE((*dialogs_)->texts().size(), 2);
    QVERIFY(!QFileInfo::exists(copy));
    const QString second = form_->updatesIniPath();
    QVERIFY(QFileInfo::exists(second));

    click("Button_Cancel");
    QVERIFY(!form_->isVisible());
    QVERIFY(!form_->programEndRequested());
    // The run has ended: its folder is gone.
    QVERIFY(!QFileInfo::exists(run.filePath()));
    form_.reset();
    QVERIFY(!QFileInfo::exists(second));
    QVERIFY(!Registry(RegistryRoot::LocalMachine).valueExists(Key, QStringLiteral("Update")));
}

void TestStatusForm::settingsPage() {
    WizardRequest request = zensoriaRequest();
    form_->Begin(request);
    click("Button_Next"); // step 1
    click("Button_Settings");
    QCOMPARE(page(), 6);
    QCOMPARE(title(), QStringLiteral("Einstellungen"));
    QCOMPARE(control<QStackedWidget>("Notebook_StdButtons")->currentIndex(), 1);
    QVERIFY(!control<QPushButton>("Button_Settings")->isVisible());
    QVERIFY(control<QRadioButton>("RadioButton_AutoUpdt")->isChecked());

    click("RadioButton_NoAutoUpdt");
    QVERIFY(!control<QSpinBox>("SpinEdit_AutoUpdt")->isEnabled());
    QVERIFY(!control<QLabel>("Label_AutoUpdt1")->isEnabled());
    QVERIFY(!control<QLabel>("Label_AutoUpdt2")->isEnabled());
    click("Button_SettingsSave");
    // Back at the step that was showing.
    QCOMPARE(page(), 1);
    QCOMPARE(title(), WizardTexts[1]);
    QCOMPARE(control<QStackedWidget>("Notebook_StdButtons")->currentIndex(), 0);
    QVERIFY(control<QPushButton>("Button_Settings")->isVisible());

    Registry machine(RegistryRoot::LocalMachine);
    QVERIFY(machine.valueExists(Key, QStringLiteral("NoUpdate")));
    QCOMPARE(machine.readString(Key, QStringLiteral("NoUpdate")), QString());
    QVERIFY(!machine.valueExists(Key, QStringLiteral("UpdateInterval")));

    // Opened again: "Niemals" checked, 7 days.
    click("Button_Settings");
    QVERIFY(control<QRadioButton>("RadioButton_NoAutoUpdt")->isChecked());
    QCOMPARE(control<QSpinBox>("SpinEdit_AutoUpdt")->value(), 7);
    click("RadioButton_AutoUpdt");
    QVERIFY(control<QSpinBox>("SpinEdit_AutoUpdt")->isEnabled());
    control<QSpinBox>("SpinEdit_AutoUpdt")->setValue(30);
    click("Button_SettingsSave");
    QVERIFY(!machine.valueExists(Key, QStringLiteral("NoUpdate")));
    QCOMPARE(machine.readInteger(Key, QStringLiteral("UpdateInterval")), 30);

    // "Abbrechen" of the settings writes nothing.
    click("Button_Settings");
    QCOMPARE(control<QSpinBox>("SpinEdit_AutoUpdt")->value(), 30);
    click("RadioButton_NoAutoUpdt");
    click("Button_SettingsCancel");
    QCOMPARE(page(), 1);
    QCOMPARE(machine.readInteger(Key, QStringLiteral("UpdateInterval")), 30);
    QVERIFY(!machine.valueExists(Key, QStringLiteral("NoUpdate")));

    // With HKCU the values go to the current user's root.
    form_->reject();
    request.HKCU = true;
    form_->Begin(request);
    click("Button_Settings");
    click("RadioButton_NoAutoUpdt");
    click("Button_SettingsSave");
    QVERIFY(Registry(RegistryRoot::CurrentUser).valueExists(Key, QStringLiteral("NoUpdate")));
    QVERIFY(!machine.valueExists(Key, QStringLiteral("NoUpdate")));
    QVERIFY((*dialogs_)->shown().isEmpty());
}

void TestStatusForm::settingsDefaultsAndRegistryError() {
    // A stored interval is shown; a value of the wrong type is the registry layer's error,
    // shown by the general error display, and the page stays.
    Registry machine(RegistryRoot::LocalMachine);
    machine.writeInteger(Key, QStringLiteral("UpdateInterval"), 14);
    form_->Begin(zensoriaRequest());
    click("Button_Settings");
    QCOMPARE(control<QSpinBox>("SpinEdit_AutoUpdt")->value(), 14);
    QVERIFY(control<QRadioButton>("RadioButton_AutoUpdt")->isChecked());
    click("Button_SettingsCancel");

    machine.deleteValue(Key, QStringLiteral("UpdateInterval"));
    machine.writeString(Key, QStringLiteral("UpdateInterval"), QStringLiteral("14"));
    click("Button_Settings");
    QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::Message).size(), 1);
    QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::Message)[0].icon, MessageIcon::Error);
    QCOMPARE(page(), 0);
    QVERIFY(control<QPushButton>("Button_Settings")->isVisible());
}

void TestStatusForm::secondShowingStartsAtWelcome() {
    form_->Begin(zensoriaRequest());
    click("Button_Next");
    click("Button_Settings");
    // Escape on the settings page is its "Abbrechen"; on the step page it leaves the wizard.
    QTest::keyClick(form_.get(), Qt::Key_Escape);
    QCOMPARE(page(), 1);
    QVERIFY(form_->isVisible());
    QTest::keyClick(form_.get(), Qt::Key_Escape);
    QVERIFY(!form_->isVisible());

    form_->Begin(zensoriaRequest());
    QCOMPARE(form_->steps().step(), 0);
    QCOMPARE(page(), 0);
    QCOMPARE(title(), WizardTexts[0]);
    QVERIFY(control<QPushButton>("Button_Next")->isEnabled());
    QCOMPARE(control<QPushButton>("Button_Next")->text(), QStringLiteral("Weiter >"));
    QCOMPARE(control<QStackedWidget>("Notebook_StdButtons")->currentIndex(), 0);
    QVERIFY(control<QPushButton>("Button_Settings")->isVisible());
}

void TestStatusForm::cancelClosesWithoutReminder() {
    form_->Begin(zensoriaRequest());
    click("Button_Cancel");
    QVERIFY(!form_->isVisible());
    QVERIFY(!form_->programEndRequested());
    form_.reset();
    QVERIFY(!Registry(RegistryRoot::LocalMachine).valueExists(Key, QStringLiteral("Update")));
}

QTEST_MAIN(TestStatusForm)
#include "tst_tstatusform.moc"
