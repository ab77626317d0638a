#pragma once

#include "update/updatesini.h"
#include "update/updatewizard.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>

class HttpClient;
class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QGroupBox;
class UpdateWorkFolder;
class WizardSideBar;

// The copies of the update component's settings that the wizard works with; set before each
// showing.
struct WizardRequest {
    QString ProgramName;    // the section of "Updates.ini" that describes this program's updates
    QString ZIPFileName;    // the archive's local name in the temporary folder
    QString RegistryKey;    // the settings key is Software\Vela\ followed by this name
    bool HKCU = false;      // the key lies under the current user's root, else the machine's
    double VersionDate = 0; // the installed version, days since 30 December 1899
};

// The update wizard "Updates installieren": welcome, check against the update server's
// "Updates.ini", the list of changes, the download of the signed update archive with its
// progress, the preparation of the installation, and the finish page; a further page keeps the
// reminder settings.
//
// One window exists per program run and is shown any number of times. Its destruction at
// program end deletes the temporary copy of "Updates.ini", writes the next reminder limit when
// the last showing asks for it, and starts the prepared installation script.
class TStatusForm : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize ClientSize{658, 353};

    explicit TStatusForm(QWidget* parent = nullptr);
    ~TStatusForm() override; // FormDestroy

    // Sets the copies and shows the wizard modally; returns when it has closed.
    void ShowWizard(const WizardRequest& request);
    // The same without waiting: the wizard is shown and the call returns (tests drive it so).
    void Begin(const WizardRequest& request);

    // The wizard has asked the program to end ("Beenden" on the finish page, or the window
    // closed at the install step or later). Stays set for the rest of the run.
    bool programEndRequested() const { return programEndRequested_; }

    // For tests: the wait between an aborted download and the deletion of its partial archive.
    void setAbortedWaitMs(int ms);
    const WizardSteps& steps() const { return steps_; }
    const WizardRequest& request() const { return request_; }
    // The temporary copy of "Updates.ini" of the last check (empty before any check).
    const QString& updatesIniPath() const { return UpdatesIniPath; }
    // The private working folder of the running showing, ending in "/" (empty before the
    // check has made it and after the showing has ended).
    const QString& tempDir() const { return TempDir; }

    void reject() override;

signals:
    // Emitted once when the wizard asks the program to end; the program then ends in its
    // orderly way. The wizard itself does not quit the application.
    void ProgramEndRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void buildControls();
    void FormShow();
    void Button_NextClick();
    void Button_CheckClick();
    void Button_CancelClick();
    void CancelDownloadClick();
    void Button_SettingsClick();
    void Button_SettingsSaveClick();
    void Button_SettingsCancelClick();
    void RadioButton_UpdtClick();
    void HTTPFailure(int requestKind);
    void HTTPConnectionFailed();

    void performStep(WizardSteps::Action action);
    void showStepPage();
    void fillResultPage();
    void runDownload();
    void showProgress(const DownloadProgress& progress);
    bool prepareInstallation();
    // A leave request ("Abbrechen" or the close box): true when the wizard may close now.
    bool leaveConfirmed();
    void deleteUpdatesIni();
    void dropWorkFolder();
    void FormDestroy();

    // The side bar and title.
    WizardSideBar* PaintBox_Process;
    QLabel* Panel_Title;
    QStackedWidget* Pages;
    QFrame* Bevel1;
    QPushButton* Button_Settings;
    QStackedWidget* Notebook_StdButtons;
    QPushButton* Button_Cancel;
    QPushButton* Button_Next;
    QPushButton* Button_SettingsCancel;
    QPushButton* Button_SettingsSave;
    // Page 0, welcome.
    QLabel* Image_Icon1;
    QLabel* Label2;
    // Page 1, check.
    QLabel* Label4;
    QPushButton* Button_Check;
    // Page 2, result.
    QLabel* Label_CheckResult;
    // Page 3, download.
    QLabel* Label_Download;
    QProgressBar* Status;
    QLabel* PerCent;
    QLabel* StatusLabel;
    QLabel* TimeLeft;
    QLabel* Icon;
    QPushButton* CancelDownload;
    // Page 4, install.
    QLabel* Image_Icon2;
    QLabel* Label3;
    QCheckBox* CheckBox_Restart;
    // Page 5, finish.
    QLabel* Image_Icon3;
    QLabel* Label5;
    // Page 6, settings.
    QGroupBox* GroupBox1;
    QRadioButton* RadioButton_NoAutoUpdt;
    QLabel* Label1;
    QRadioButton* RadioButton_AutoUpdt;
    QLabel* Label6;
    QLabel* Label_AutoUpdt1;
    QSpinBox* SpinEdit_AutoUpdt;
    QLabel* Label_AutoUpdt2;

    HttpClient* HTTP;
    ArchiveDownload* download_;

    WizardRequest request_;
    WizardSteps steps_;
    std::unique_ptr<UpdateWorkFolder> work_;
    QString TempDir; // the working folder's path
    QString UpdatesIniPath;
    std::optional<UpdatesIni> UpdatesIni_;
    QString scriptPath_;
    UpdateRelease release_; // what the last download was offered as
    bool checking_ = false;
    bool programEndRequested_ = false;

    friend class WizardSideBar;
};
