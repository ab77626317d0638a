#include "update/tstatusform.h"

#include "platform/datetime.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "update/httpclient.h"
#include "update/installation.h"
#include "update/reminder.h"
#include "update/signature.h"
#include "update/updatecheck.h"
#include "update/updateplatform.h"
#include "update/updatesettings.h"
#include "update/wizardsidebar.h"
#include "update/workfolder.h"
#include "widgets/programicon.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>

#include <limits>

namespace {

const QString Caption = QStringLiteral("Updates installieren");
const QString NextText = QStringLiteral("Weiter >");
const QString FinishText = QStringLiteral("Beenden");
const QString SettingsTitle = QStringLiteral("Einstellungen");

const QString WelcomeText = QStringLiteral(
    "In regelmäßigen Abständen sollte im Internet nach Programmverbesserungen und -updates "
    "gesucht werden, um möglichen Programmfehlern vorzubeugen.\r\nKlicken Sie auf \"Weiter\", "
    "um jetzt nach neuen Updates zu suchen, oder auf \"Abbrechen\", um zu einem anderen "
    "Zeitpunkt nach Programmverbesserungen zu suchen.\r\n\r\nKlicken Sie auf "
    "\"Einstellungen\", um festzulegen, ob und in welchen Abständen Sie zum Suchen nach Updates "
    "aufgefordert werden möchten.");
const QString CheckText =
    QStringLiteral("Stellen Sie sicher, dass eine Internetverbindung besteht, und klicken Sie "
                   "auf \"Jetzt auf neue Updates prüfen\".");
const QString DownloadText = QStringLiteral(
    "Die Updates werden jetzt heruntergeladen. Bitten warten Sie, bis der Download "
    "abgeschlossen ist, oder klicken Sie auf \"Download abbrechen\", wenn Sie die Updates zu "
    "einer anderen Zeit herunterladen wollen.");
const QString InstallText = QStringLiteral(
    "Das Update kann jetzt installiert werden.\r\nKlicken Sie auf \"Weiter\", um den Vorgang "
    "fortzusetzen und die Installation durchzuführen.\r\n\r\nAktivieren Sie das Kontrollfeld "
    "\"Programm automatisch neu starten\", um die Anwendung nach der Installation sofort neu "
    "zu starten.");
const QString ArchiveMissingText = QStringLiteral(
    "Die Installationsdateien wurden nicht gefunden. Klicken Sie auf \"Abbrechen\" und "
    "versuchen Sie es später noch einmal.");
const QString FinishPageText = QStringLiteral(
    "Die Installation wurde vorbereitet.\r\nKlicken SIe auf \"Beenden\", um die alten Dateien "
    "zu ersetzen. Ein Neustart des Computers ist nicht erforderlich.\r\n\r\nWenn Sie nicht die "
    "Option zum automatischen Neustart des Programms aktiviert haben, müssen Sie das Programm "
    "nach der Installation manuell neu starten.");
const QString NoConnectionText = QStringLiteral("Es besteht keine Internetverbindung.");
const QString NoConnectionCaption = QStringLiteral("Internetverbindung erforderlich");

// Controls are placed at their designed positions; the window has a fixed size.
template <typename W> W* make(QWidget* parent, const char* name, const QRect& rect) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(rect);
    return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& rect, const QString& text,
                  bool wrap) {
    auto* label = make<QLabel>(parent, name, rect);
    label->setText(text);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QRect& rect, const QString& text) {
    auto* button = make<QPushButton>(parent, name, rect);
    button->setText(text);
    button->setAutoDefault(false);
    return button;
}

QPixmap systemIcon(QStyle::StandardPixmap which) {
    return QApplication::style()->standardIcon(which).pixmap(32, 32);
}

// Message texts use CR LF as line break; a label breaks at LF.
QString labelText(const QString& text) {
    QString shown = text;
    return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

// The step side bar, painted by PaintWizardSideBar.
class WizardSideBar : public QWidget {
public:
    explicit WizardSideBar(TStatusForm* form) : QWidget(form), form_(form) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintWizardSideBar(painter, size(), form_->font(), form_->steps_.step());
    }

private:
    TStatusForm* form_;
};

TStatusForm::TStatusForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      HTTP(new HttpClient(this)), download_(new ArchiveDownload(*HTTP, this)) {
    setObjectName(QStringLiteral("StatusForm"));
    setWindowTitle(Caption);
    setModal(true);
    QFont face(QStringLiteral("Verdana"));
    face.setPointSize(8);
    setFont(face);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setFixedSize(ClientSize);
    Help::addHelpKey(this, QStringLiteral("Update"));

    buildControls();

    HTTP->setObjectName(QStringLiteral("HTTP"));
    HTTP->TimeOut = 10000;
    connect(HTTP, &HttpClient::OnFailure, this, &TStatusForm::HTTPFailure);
    connect(HTTP, &HttpClient::OnConnectionFailed, this, &TStatusForm::HTTPConnectionFailed);
    connect(download_, &ArchiveDownload::progress, this, &TStatusForm::showProgress);
    // A leave confirmed during the download closes the wizard once the archive's transfer
    // has stopped, before the wait that follows it.
    connect(download_, &ArchiveDownload::transferEnded, this, [this] {
        if (steps_.CloseAfterDownload && isVisible())
            done(QDialog::Rejected);
    });
}

TStatusForm::~TStatusForm() {
    FormDestroy();
}

void TStatusForm::buildControls() {
    PaintBox_Process = new WizardSideBar(this);
    PaintBox_Process->setObjectName(QStringLiteral("PaintBox_Process"));
    PaintBox_Process->setGeometry(0, 0, 225, ClientSize.height());

    Panel_Title = make<QLabel>(this, "Panel_Title", {232, 8, 417, 41});
    Panel_Title->setAlignment(Qt::AlignCenter);
    Panel_Title->setAutoFillBackground(true);
    QPalette titleColours = Panel_Title->palette();
    titleColours.setColor(QPalette::Window, QColor(49, 106, 197));
    titleColours.setColor(QPalette::WindowText, Qt::white);
    Panel_Title->setPalette(titleColours);
    QFont titleFont(QStringLiteral("Verdana"));
    titleFont.setPixelSize(19);
    titleFont.setBold(true);
    Panel_Title->setFont(titleFont);

    Pages = make<QStackedWidget>(this, "Pages", {232, 56, 417, 249});
    auto addPage = [this](const char* name) {
        auto* page = new QWidget(Pages);
        page->setObjectName(QString::fromUtf8(name));
        Pages->addWidget(page);
        return page;
    };

    QWidget* page = addPage("Bestätigung1");
    Image_Icon1 = make<QLabel>(page, "Image_Icon1", {8, 8, 32, 32});
    Image_Icon1->setPixmap(systemIcon(QStyle::SP_MessageBoxInformation));
    Label2 = makeLabel(page, "Label2", {56, 8, 353, 233}, labelText(WelcomeText), true);

    page = addPage("Prüfen");
    Label4 = makeLabel(page, "Label4", {8, 8, 401, 57}, labelText(CheckText), true);
    Button_Check = makeButton(page, "Button_Check", {8, 96, 185, 25},
                              QStringLiteral("Jetzt auf neue Updates prüfen"));

    page = addPage("Bestätigung2");
    Label_CheckResult = makeLabel(page, "Label_CheckResult", {8, 8, 401, 233}, QString(), true);

    page = addPage("Download");
    Label_Download =
        makeLabel(page, "Label_Download", {8, 8, 401, 89}, labelText(DownloadText), true);
    Status = make<QProgressBar>(page, "Status", {52, 112, 337, 25});
    Status->setTextVisible(false);
    PerCent = make<QLabel>(page, "PerCent", {52, 144, 337, 13});
    PerCent->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont perCentFont(QStringLiteral("MS Sans Serif"));
    perCentFont.setPixelSize(11);
    PerCent->setFont(perCentFont);
    StatusLabel = makeLabel(page, "StatusLabel", {52, 168, 337, 13}, QString(), false);
    TimeLeft = makeLabel(page, "TimeLeft", {52, 192, 337, 13}, QString(), false);
    Icon = make<QLabel>(page, "Icon", {8, 160, 33, 33});
    Icon->setPixmap(QPixmap::fromImage(ProgramIcon::image(32)));
    CancelDownload = makeButton(page, "CancelDownload", {240, 216, 155, 25}, CancelDownloadText);

    page = addPage("Einrichten");
    Image_Icon2 = make<QLabel>(page, "Image_Icon2", {8, 8, 32, 32});
    Image_Icon2->setPixmap(systemIcon(QStyle::SP_MessageBoxInformation));
    Label3 = makeLabel(page, "Label3", {56, 8, 353, 177}, labelText(InstallText), true);
    CheckBox_Restart = make<QCheckBox>(page, "CheckBox_Restart", {56, 224, 353, 17});
    CheckBox_Restart->setText(QStringLiteral("Programm automatisch neu starten"));
    CheckBox_Restart->setChecked(true);

    page = addPage("Bestätigung3");
    Image_Icon3 = make<QLabel>(page, "Image_Icon3", {8, 8, 32, 32});
    Image_Icon3->setPixmap(systemIcon(QStyle::SP_MessageBoxInformation));
    Label5 = makeLabel(page, "Label5", {56, 8, 353, 233}, labelText(FinishPageText), true);

    page = addPage("Einstellungen");
    GroupBox1 = make<QGroupBox>(page, "GroupBox1", {8, 8, 401, 233});
    GroupBox1->setTitle(
        QStringLiteral("Wie oft wollen Sie zum Suchen nach Updates aufgefordert werden?"));
    RadioButton_NoAutoUpdt =
        make<QRadioButton>(GroupBox1, "RadioButton_NoAutoUpdt", {16, 24, 377, 17});
    RadioButton_NoAutoUpdt->setText(QStringLiteral("Niemals automatisch zum Updaten auffordern"));
    Label1 = makeLabel(
        GroupBox1, "Label1", {40, 40, 353, 73},
        QStringLiteral("Wenn Sie diese Option aktivieren, werden Sie nicht automatisch zum "
                       "Suchen nach neuen Updates aufgefordert. Sie haben dann aber immer noch "
                       "die Möglichkeit, über die Tastenkombination Strg+U die Suche nach "
                       "Updates zu starten."),
        true);
    RadioButton_AutoUpdt =
        make<QRadioButton>(GroupBox1, "RadioButton_AutoUpdt", {16, 112, 377, 17});
    RadioButton_AutoUpdt->setText(
        QStringLiteral("Regelmäßig in bestimmten Abständen zum Updaten auffordern"));
    RadioButton_AutoUpdt->setChecked(true);
    Label6 = makeLabel(
        GroupBox1, "Label6", {40, 128, 353, 57},
        QStringLiteral("Aktivieren Sie diese Option, um in festgelegten Abständen automatisch "
                       "zum Suchen nach neuen Updates aufgefordert zu werden. Dies geschieht "
                       "dann jeweils unmittelbar nach dem Starten des Programms."),
        true);
    Label_AutoUpdt1 =
        makeLabel(GroupBox1, "Label_AutoUpdt1", {40, 192, 28, 13}, QStringLiteral("Alle"), false);
    SpinEdit_AutoUpdt = make<QSpinBox>(GroupBox1, "SpinEdit_AutoUpdt", {70, 188, 49, 22});
    SpinEdit_AutoUpdt->setRange(1, 365);
    SpinEdit_AutoUpdt->setValue(7);
    Label_AutoUpdt2 = makeLabel(GroupBox1, "Label_AutoUpdt2", {122, 192, 270, 13},
                                QStringLiteral("Tage an Updates erinnern"), false);

    Bevel1 = make<QFrame>(this, "Bevel1", {232, 312, 417, 2});
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Button_Settings = makeButton(this, "Button_Settings", {240, 320, 97, 25}, SettingsTitle);

    Notebook_StdButtons = make<QStackedWidget>(this, "Notebook_StdButtons", {456, 314, 193, 37});
    auto* standard = new QWidget(Notebook_StdButtons);
    standard->setObjectName(QStringLiteral("Standard"));
    Notebook_StdButtons->addWidget(standard);
    Button_Cancel =
        makeButton(standard, "Button_Cancel", {6, 6, 83, 25}, QStringLiteral("Abbrechen"));
    Button_Next = makeButton(standard, "Button_Next", {100, 6, 83, 25}, NextText);
    auto* settings = new QWidget(Notebook_StdButtons);
    settings->setObjectName(QStringLiteral("Einstellungen"));
    Notebook_StdButtons->addWidget(settings);
    Button_SettingsCancel =
        makeButton(settings, "Button_SettingsCancel", {6, 6, 83, 25}, QStringLiteral("Abbrechen"));
    Button_SettingsSave =
        makeButton(settings, "Button_SettingsSave", {100, 6, 83, 25}, QStringLiteral("Speichern"));
    Button_Next->setDefault(true);

    connect(Button_Next, &QPushButton::clicked, this, &TStatusForm::Button_NextClick);
    connect(Button_Check, &QPushButton::clicked, this, &TStatusForm::Button_CheckClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TStatusForm::Button_CancelClick);
    connect(CancelDownload, &QPushButton::clicked, this, &TStatusForm::CancelDownloadClick);
    connect(Button_Settings, &QPushButton::clicked, this, &TStatusForm::Button_SettingsClick);
    connect(Button_SettingsSave, &QPushButton::clicked, this,
            &TStatusForm::Button_SettingsSaveClick);
    connect(Button_SettingsCancel, &QPushButton::clicked, this,
            &TStatusForm::Button_SettingsCancelClick);
    connect(RadioButton_NoAutoUpdt, &QRadioButton::clicked, this,
            &TStatusForm::RadioButton_UpdtClick);
    connect(RadioButton_AutoUpdt, &QRadioButton::clicked, this,
            &TStatusForm::RadioButton_UpdtClick);
}

void TStatusForm::ShowWizard(const WizardRequest& request) {
    request_ = request;
    FormShow();
    exec();
}

void TStatusForm::Begin(const WizardRequest& request) {
    request_ = request;
    FormShow();
    show();
}

void TStatusForm::setAbortedWaitMs(int ms) {
    download_->abortedWaitMs = ms;
}

void TStatusForm::FormShow() {
    // Each showing is a run of its own with a working folder of its own, made by the check.
    dropWorkFolder();
    QFont perCentFont = PerCent->font();
    perCentFont.setBold(true);
    PerCent->setFont(perCentFont);

    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }

    steps_.start();
    download_->clearCancel();
    scriptPath_.clear();
    Pages->setCurrentIndex(0);
    Notebook_StdButtons->setCurrentIndex(0);
    Button_Next->setDefault(true);
    Button_Settings->setVisible(true);
    Button_Cancel->setEnabled(true);
    Button_Next->setEnabled(true);
    Button_Next->setText(NextText);
    Panel_Title->setText(WizardTexts[0]);

    // What one showing changed on the download and install pages is restored, so that every
    // showing starts from the same pages.
    Label_Download->setText(labelText(DownloadText));
    CancelDownload->setText(CancelDownloadText);
    CancelDownload->setVisible(true);
    Status->setRange(0, 100);
    Status->setValue(0);
    PerCent->clear();
    StatusLabel->clear();
    TimeLeft->clear();
    Label3->setText(labelText(InstallText));
    Image_Icon2->setPixmap(systemIcon(QStyle::SP_MessageBoxInformation));
    PaintBox_Process->update();
}

void TStatusForm::Button_NextClick() {
    performStep(steps_.next());
}

void TStatusForm::performStep(WizardSteps::Action action) {
    switch (action) {
    case WizardSteps::Action::AwaitCheck:
        Button_Next->setEnabled(false);
        break;
    case WizardSteps::Action::ShowResult:
        fillResultPage();
        Button_Next->setEnabled(true);
        break;
    case WizardSteps::Action::CloseWizard:
        done(QDialog::Rejected);
        break;
    case WizardSteps::Action::Download:
    case WizardSteps::Action::None:
        break;
    case WizardSteps::Action::PrepareInstallation:
        if (!prepareInstallation())
            return;
        break;
    case WizardSteps::Action::EndProgram:
        done(QDialog::Accepted);
        return;
    }
    showStepPage();
    if (steps_.step() == 3 && steps_.UpdateAvailable)
        runDownload();
}

void TStatusForm::showStepPage() {
    if (Pages->currentIndex() != 6) {
        Pages->setCurrentIndex(steps_.step());
        Panel_Title->setText(WizardTexts[steps_.step()]);
    }
    PaintBox_Process->update();
}

void TStatusForm::fillResultPage() {
    if (steps_.UpdateAvailable && UpdatesIni_) {
        Label_CheckResult->setText(
            labelText(UpdateAvailableText(ReadNews(*UpdatesIni_, request_.ProgramName),
                                          request_.VersionDate, LocaleFormats::current())));
        return;
    }
    Button_Next->setText(FinishText);
    Button_Cancel->setEnabled(false);
    Label_CheckResult->setText(labelText(WizardTexts[6]));
}

void TStatusForm::Button_CheckClick() {
    if (checking_)
        return;
    if (!UpdatePlatform::internetConnected()) {
        DialogService::instance().showMessage(this, MessageIcon::Warning, NoConnectionCaption,
                                              NoConnectionText);
        return;
    }
    steps_.UpdateAvailable = true;
    checking_ = true;
    QString reason;
    try {
        // Each check keeps its own copy; the copy of an earlier check is of no use any more.
        deleteUpdatesIni();
        if (!work_) {
            work_ = std::make_unique<UpdateWorkFolder>(UpdatePlatform::workFolderBase());
            TempDir = work_->path();
        }
        UpdatesIniPath = work_->newTempFile();
        const QString host = UpdatePlatform::host();
        HTTP->Host = host;
        UpdatesIni_ = FetchUpdatesIni(*HTTP, host, UpdatesIniPath);
        if (!UpdatesIni_) {
            steps_.UpdateAvailable = false;
            reason = HTTP->lastError();
        }
    } catch (const std::exception& error) {
        steps_.UpdateAvailable = false;
        reason = QString::fromUtf8(error.what());
    }
    checking_ = false;
    if (!isVisible())
        return; // the wizard was left while the check ran

    if (!steps_.UpdateAvailable) {
        // What went wrong, as the transfer knows it, in the message's second line.
        DialogService::instance().showMessage(this, MessageIcon::Warning, NoConnectionCaption,
                                              reason.isEmpty() ? NoConnectionText
                                                               : NoConnectionText + u'\n' + reason);
        return;
    }
    steps_.UpdateAvailable =
        NewerUpdateExists(*UpdatesIni_, request_.ProgramName, request_.VersionDate, Clock::today(),
                          LocaleFormats::current());
    Button_NextClick();
}

void TStatusForm::HTTPFailure(int requestKind) {
    // During the download a failure is judged by the download's outcome; it leaves the
    // update available, so that "Erneut versuchen" downloads again.
    if (checking_ && requestKind == HttpClient::GetRequest)
        steps_.UpdateAvailable = false;
}

void TStatusForm::HTTPConnectionFailed() {
    if (checking_)
        steps_.UpdateAvailable = false;
}

void TStatusForm::runDownload() {
    if (!UpdatesIni_)
        return;
    Button_Next->setEnabled(false);
    CancelDownload->setText(CancelDownloadText);
    CancelDownload->setVisible(true);
    Label_Download->setText(labelText(DownloadText));
    Status->setRange(0, 100);
    Status->setValue(0);
    PerCent->clear();
    StatusLabel->clear();
    TimeLeft->clear();
    QCoreApplication::processEvents();

    const QString host = UpdatePlatform::host();
    HTTP->Host = host;
    steps_.Downloading = true;
    release_ = OfferedRelease(*UpdatesIni_, request_.ProgramName);
    const DownloadEnd end = download_->run(
        ArchiveUrl(*UpdatesIni_, request_.ProgramName, host), TempDir + request_.ZIPFileName,
        UpdatePlatform::publicKey(), release_, request_.VersionDate);
    steps_.Downloading = false;
    steps_.DownloadFailed = end != DownloadEnd::Completed;
    if (steps_.CloseAfterDownload && isVisible())
        done(QDialog::Rejected);

    const DownloadPageView view = DownloadPageFor(end);
    Label_Download->setText(labelText(view.text));
    CancelDownload->setText(RetryDownloadText);
    CancelDownload->setVisible(view.offerRetry);
    Button_Next->setEnabled(view.nextEnabled);
}

void TStatusForm::showProgress(const DownloadProgress& progress) {
    // The bar counts in units that fit its range.
    qint64 total = progress.total;
    qint64 received = progress.received;
    while (total > std::numeric_limits<int>::max() || received > std::numeric_limits<int>::max()) {
        total /= 1024;
        received /= 1024;
    }
    Status->setRange(0, int(total));
    Status->setValue(int(std::min(received, total == 0 ? received : total)));
    const LocaleFormats& formats = LocaleFormats::current();
    PerCent->setText(progress.perCentText());
    StatusLabel->setText(progress.statusText(formats.decimalSeparator()));
    TimeLeft->setText(progress.timeLeftText(formats));
}

void TStatusForm::CancelDownloadClick() {
    if (steps_.Downloading) {
        systemBeep();
        if (DialogService::instance().askYesNo(this, MessageIcon::Question, QString(),
                                               CancelDownloadQuestion))
            download_->requestCancel();
        return;
    }
    if (!steps_.DownloadFailed)
        return; // the signature is still being fetched
    download_->clearCancel();
    performStep(steps_.retry());
}

bool TStatusForm::leaveConfirmed() {
    switch (steps_.leaveRequested()) {
    case WizardSteps::Leave::Close:
        return true;
    case WizardSteps::Leave::KeepWaiting:
        return false;
    case WizardSteps::Leave::Ask:
        break;
    }
    systemBeep();
    const bool yes = DialogService::instance().askYesNo(this, MessageIcon::Question, QString(),
                                                        CancelDownloadQuestion);
    steps_.leaveAnswered(yes);
    if (yes)
        download_->requestCancel();
    return false;
}

void TStatusForm::Button_CancelClick() {
    if (leaveConfirmed())
        done(QDialog::Rejected);
}

void TStatusForm::reject() {
    // Escape: the cancel button of the buttons shown.
    if (Notebook_StdButtons->currentIndex() == 1)
        Button_SettingsCancelClick();
    else if (Button_Cancel->isEnabled())
        Button_CancelClick();
}

void TStatusForm::closeEvent(QCloseEvent* event) {
    if (!isVisible() || leaveConfirmed()) {
        event->accept();
        if (isVisible())
            done(QDialog::Rejected);
        return;
    }
    event->ignore();
}

void TStatusForm::done(int result) {
    const bool wasVisible = isVisible();
    // A check still running when the wizard is left stops at once, so that the program does
    // not stay inside it with no window shown.
    if (checking_)
        HTTP->Abort();
    QDialog::done(result);
    // The run has ended; only a prepared installation still needs its files.
    if (!steps_.InstallPrepared)
        dropWorkFolder();
    if (wasVisible && steps_.closingEndsProgram() && !programEndRequested_) {
        programEndRequested_ = true;
        emit ProgramEndRequested();
    }
}

bool TStatusForm::prepareInstallation() {
    const QString archive = TempDir + request_.ZIPFileName;
    if (TempDir.isEmpty() || !QFileInfo::exists(archive)) {
        Label3->setText(labelText(ArchiveMissingText));
        Image_Icon2->setPixmap(systemIcon(QStyle::SP_MessageBoxCritical));
        Button_Next->setEnabled(false);
        return false;
    }
    InstallationRequest installation;
    installation.archiveFile = archive;
    installation.signatureFile = SignatureName(archive);
    installation.publicKey = UpdatePlatform::publicKey();
    const QString programFile = UpdatePlatform::programFilePath();
    installation.folders.programFile = programFile;
    installation.folders.programDir = QFileInfo(programFile).absolutePath() + QLatin1Char('/');
    installation.folders.tempDir = TempDir;
    installation.restart = CheckBox_Restart->isChecked();
    installation.release = release_;
    installation.versionDate = request_.VersionDate;
    try {
        scriptPath_ = PrepareInstallation(installation);
    } catch (const std::exception& error) {
        steps_.installationFailed();
        showErrorMessage(error);
        return false;
    }
    steps_.InstallPrepared = true;
    Button_Next->setText(FinishText);
    Button_Cancel->setEnabled(false);
    return true;
}

void TStatusForm::Button_SettingsClick() {
    UpdateSettings::ReminderChoice choice;
    try {
        UpdateSettings settings(request_.RegistryKey, request_.HKCU);
        settings.open();
        choice = settings.reminderChoice();
    } catch (const std::exception& error) {
        showErrorMessage(error);
        return;
    }
    const bool noUpdate = choice.never;
    const int interval = choice.interval;
    if (noUpdate)
        RadioButton_NoAutoUpdt->setChecked(true);
    else
        RadioButton_AutoUpdt->setChecked(true);
    SpinEdit_AutoUpdt->setValue(interval);
    RadioButton_UpdtClick();
    Button_Settings->setVisible(false);
    Panel_Title->setText(SettingsTitle);
    Notebook_StdButtons->setCurrentIndex(1);
    Button_SettingsSave->setDefault(true);
    Pages->setCurrentIndex(6);
}

void TStatusForm::RadioButton_UpdtClick() {
    const bool automatic = RadioButton_AutoUpdt->isChecked();
    Label_AutoUpdt1->setEnabled(automatic);
    SpinEdit_AutoUpdt->setEnabled(automatic);
    Label_AutoUpdt2->setEnabled(automatic);
}

void TStatusForm::Button_SettingsSaveClick() {
    try {
        UpdateSettings settings(request_.RegistryKey, request_.HKCU);
        settings.saveReminderChoice(
            {RadioButton_NoAutoUpdt->isChecked(), SpinEdit_AutoUpdt->value()});
    } catch (const std::exception& error) {
        showErrorMessage(error);
        return;
    }
    Button_SettingsCancelClick();
}

void TStatusForm::Button_SettingsCancelClick() {
    Panel_Title->setText(WizardTexts[std::min(steps_.step(), 5)]);
    Pages->setCurrentIndex(steps_.step());
    Notebook_StdButtons->setCurrentIndex(0);
    Button_Next->setDefault(true);
    Button_Settings->setVisible(true);
}

void TStatusForm::deleteUpdatesIni() {
    UpdatesIni_.reset();
    if (!UpdatesIniPath.isEmpty())
        QFile::remove(UpdatesIniPath);
    UpdatesIniPath.clear();
}

void TStatusForm::dropWorkFolder() {
    deleteUpdatesIni();
    work_.reset();
    TempDir.clear();
}

void TStatusForm::FormDestroy() {
    deleteUpdatesIni();
    if (ReminderDueAtEnd(steps_.InstallPrepared, Pages->currentIndex(),
                         Button_Cancel->isEnabled())) {
        try {
            UpdateSettings settings(request_.RegistryKey, request_.HKCU);
            std::optional<int> stored;
            try {
                stored = settings.updateInterval();
            } catch (const std::exception&) {
                // A value of another type counts as missing.
            }
            settings.open();
            settings.writeReminderLimit(
                NextReminderLimit(Clock::today(), ReminderInterval(stored)));
        } catch (const std::exception& error) {
            // The program is ending; the reminder then simply comes again at the next start.
            qWarning("Update: %s", error.what());
        }
    }
    if (steps_.InstallPrepared && !scriptPath_.isEmpty() && work_) {
        // The script works in the folder and removes it when it has finished.
        work_->keep();
        UpdatePlatform::startScriptDetached(scriptPath_);
    }
    work_.reset();
}
