#include "update/tvelaupdatefile.h"

#include "platform/apperror.h"
#include "platform/errormessage.h"
#include "update/automaticupdate.h"
#include "update/tstatusform.h"
#include "update/updateplatform.h"

#include <QAction>
#include <QWidget>

namespace {

// The wizard window of the run; it belongs to the program, not to a main window. Its
// construction costs the start-up several milliseconds, so it is made when it is first asked
// for (shown, or fetched by UpdateWizardWindow) once an update component exists. A window that
// was never made has nothing to do at program end: its end-of-program actions all follow a
// showing.
struct WizardWindow {
    TStatusForm* window = nullptr;
    bool wanted = false; // an update component exists in this run
};

WizardWindow& wizardWindow() {
    static WizardWindow wizard;
    return wizard;
}

TStatusForm* madeWizardWindow() {
    WizardWindow& wizard = wizardWindow();
    if (!wizard.window)
        wizard.window = new TStatusForm;
    return wizard.window;
}

TVelaUpdateFile::WizardShowing& showingOverride() {
    static TVelaUpdateFile::WizardShowing showing;
    return showing;
}

bool showWizardWindow(const WizardRequest& request) {
    TStatusForm* wizard = madeWizardWindow();
    wizard->ShowWizard(request);
    return wizard->programEndRequested();
}

} // namespace

TVelaUpdateFile::TVelaUpdateFile(QWidget* owner) : HttpClient(owner) {
    auto* actionList = new QObject(owner);
    actionList->setObjectName(QStringLiteral("ActionList_") + objectName());
    UpdateAction = new QAction(actionList);
    UpdateAction->setObjectName(QStringLiteral("UpdateAction"));
    UpdateAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    // The shortcut belongs to the owner's window and works while that window is active.
    owner->addAction(UpdateAction);
    connect(UpdateAction, &QAction::triggered, this, [this] {
        try {
            AutomaticUpdate(QString(), true, 0);
        } catch (const AppError& error) {
            showErrorMessage(error);
        }
    });

    // libzip is linked with the program: no ZIP libraries are placed anywhere.
    Host = UpdatePlatform::host();
    Body.clear();
    Header.clear();
    TimeOut = 10000;
    InputFileMode = true;
    HKCU = false;

    wizardWindow().wanted = true;
}

TVelaUpdateFile::~TVelaUpdateFile() = default;

void TVelaUpdateFile::AutomaticUpdate(const QString& Parameters, bool Manual, double VersionDate) {
    const AutomaticUpdatePlan plan =
        PlanAutomaticUpdate({RegistryKey, HKCU}, Parameters, Manual, VersionDate);
    bool endRequested = false;
    if (plan.showWizard) {
        WizardRequest request;
        request.ProgramName = ProgramName;
        request.ZIPFileName = ZIPFileName;
        request.RegistryKey = RegistryKey;
        request.HKCU = HKCU;
        request.VersionDate = plan.versionDate;
        endRequested = showingOverride() ? showingOverride()(request) : showWizardWindow(request);
    }
    if (plan.onlyUpdate || endRequested)
        RequestProgramEnd();
}

void TVelaUpdateFile::setWizardShowing(WizardShowing showing) {
    showingOverride() = std::move(showing);
}

TStatusForm* UpdateWizardWindow() {
    return wizardWindow().wanted ? madeWizardWindow() : wizardWindow().window;
}

void DestroyUpdateWizardWindow() {
    WizardWindow& wizard = wizardWindow();
    delete wizard.window;
    wizard = WizardWindow();
}
