#include "update/tvelaupdatefile.h"

#include "platform/apperror.h"
#include "platform/errormessage.h"
#include "update/automaticupdate.h"
#include "update/tstatusform.h"
#include "update/updateplatform.h"

#include <QAction>
#include <QWidget>

namespace {

// The wizard window of the run; it belongs to the program, not to a main window.
TStatusForm*& wizardWindow() {
    static TStatusForm* window = nullptr;
    return window;
}

TVelaUpdateFile::WizardShowing& showingOverride() {
    static TVelaUpdateFile::WizardShowing showing;
    return showing;
}

bool showWizardWindow(const WizardRequest& request) {
    TStatusForm* wizard = wizardWindow();
    if (!wizard)
        wizard = wizardWindow() = new TStatusForm;
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

    if (!wizardWindow())
        wizardWindow() = new TStatusForm;
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
    return wizardWindow();
}

void DestroyUpdateWizardWindow() {
    delete wizardWindow();
    wizardWindow() = nullptr;
}
