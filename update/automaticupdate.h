#pragma once

#include <QString>

// The update reminder without its window: what the update component's AutomaticUpdate does
// in the registry and decides before the wizard is shown.

// The update component's values that the reminder needs.
struct UpdateSettingsPlace {
    QString RegistryKey; // Software\Vela\<RegistryKey>
    bool HKCU = false;   // false: the per-machine root
};

// What the reminder decided.
struct AutomaticUpdatePlan {
    bool showWizard = false;
    // "OnlyUpdate" was present (and the drive test passed): after the wizard the program
    // ends without its main window.
    bool onlyUpdate = false;
    // The installed version's date-time, days since 30 December 1899, for the wizard.
    double versionDate = 0;
};

// Opens the settings key (creating it); unless manual, writes "ApplicationFileName" (the
// running program file in double quotes, then a blank and the parameters when there are
// any); on a drive from which no updates are looked for (a CD or DVD, or a program file whose
// drive cannot be told), decides nothing further: no wizard, not even on Ctrl+U. Otherwise the
// version date is versionDate, or the program file's modification time when that is 0, and
// the wizard is due by WizardDue for today (Clock::today()).
// The program file is UpdatePlatform::programFilePath(). A registry failure (a refused write,
// a value of another type) raises AppError and decides nothing.
AutomaticUpdatePlan PlanAutomaticUpdate(const UpdateSettingsPlace& place, const QString& parameters,
                                        bool manual, double versionDate);

// The end of the program asked for by the update (an update-only start, or the wizard after a
// prepared installation). While the application's event loop runs, it is told to quit; before
// it runs (the reminder at start-up), the program entry sees the request and ends without
// entering the loop, so the main window never becomes usable. Windows are destroyed in an
// orderly way either way.
void RequestProgramEnd();
bool ProgramEndRequested();
// A new program run (the program entry, and tests) starts without the request.
void ResetProgramEndRequest();
