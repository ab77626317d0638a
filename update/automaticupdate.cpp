#include "update/automaticupdate.h"

#include "platform/datetime.h"
#include "platform/programfolder.h"
#include "update/reminder.h"
#include "update/updateplatform.h"
#include "update/updatesettings.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

bool& endRequested() {
    static bool requested = false;
    return requested;
}

} // namespace

AutomaticUpdatePlan PlanAutomaticUpdate(const UpdateSettingsPlace& place, const QString& parameters,
                                        bool manual, double versionDate) {
    UpdateSettings settings(place.RegistryKey, place.HKCU);
    settings.open();
    const QString programFile = UpdatePlatform::programFilePath();
    if (!manual)
        settings.writeApplicationFileName(programFile, parameters);

    AutomaticUpdatePlan plan;
    if (!UpdatePlatform::updatableDrive(programFile))
        return plan;
    plan.versionDate = versionDate != 0
                           ? versionDate
                           : daysSince1899(QFileInfo(programFile).lastModified().toLocalTime());
    const ReminderState state = settings.reminderState(manual);
    plan.onlyUpdate = state.onlyUpdate;
    plan.showWizard = WizardDue(state, Clock::today());
    return plan;
}

void RequestProgramEnd() {
    endRequested() = true;
    // Does nothing before the application's event loop runs; the program entry looks at the
    // request instead.
    QCoreApplication::quit();
}

bool ProgramEndRequested() {
    return endRequested();
}

void ResetProgramEndRequest() {
    endRequested() = false;
}
