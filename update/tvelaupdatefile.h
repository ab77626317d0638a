#pragma once

#include "update/httpclient.h"

#include <QString>

#include <functional>

class QAction;
class QWidget;
class TStatusForm;
struct WizardRequest;

// The program's online update as a component of the main window (named "Update" there). It
// has one wizard window for the whole run (made when it is first needed), registers Ctrl+U in
// an action list of its owner, and runs the update reminder (AutomaticUpdate) at start-up.
//
// It derives from the HTTP client and carries its connection settings, set to this program's
// values; none of the update's transfers uses them (the wizard has its own client).
class TVelaUpdateFile : public HttpClient {
    Q_OBJECT
public:
    // The owner (the main window) holds the action list "ActionList_" + the component's name
    // at construction (empty while the owner is built, so "ActionList_") with UpdateAction.
    explicit TVelaUpdateFile(QWidget* owner);
    ~TVelaUpdateFile() override;

    // The connection settings beyond those of HttpClient (Host, Body, TimeOut).
    int Port = 21;
    QString Header;
    int ReportLevel = 0;
    bool InputFileMode = true;
    bool OutputFileMode = false;
    int ProxyPort = 0;

    QString ProgramName = QStringLiteral("Zensoria");   // section of "Updates.ini"
    QString RegistryKey = QStringLiteral("Zensoria");   // Software\Vela\<RegistryKey>
    QString ZIPFileName = QStringLiteral("Pultex.zip"); // the archive in the temporary folder
    bool HKCU = false; // false: the settings key lies below the per-machine root

    // Ctrl+U: AutomaticUpdate(empty, true, 0); an error is shown by the general error display.
    QAction* UpdateAction;

    // The update reminder. Manual is true for Ctrl+U, false at start-up; VersionDate is the
    // installed version (days since 30 December 1899), 0 for the program file's modification
    // time. Shows the wizard modally when it is due and returns when it has closed. After an
    // update-only start, or when the wizard has prepared an installation and asked for the
    // end, the program end is requested (RequestProgramEnd). Registry failures raise AppError.
    void AutomaticUpdate(const QString& Parameters, bool Manual, double VersionDate);

    // How the wizard is shown: returns whether it asked for the program end. By default the
    // wizard window of the run, modally; tests put a recorder in its place. An empty function
    // restores the default.
    using WizardShowing = std::function<bool(const WizardRequest&)>;
    static void setWizardShowing(WizardShowing showing);
};

// The wizard window of this run once an update component exists (made at the first call or
// showing); nullptr before the first component and after DestroyUpdateWizardWindow.
TStatusForm* UpdateWizardWindow();
// Destroys the wizard window at program end, after the main window: its end-of-program
// actions run (temporary files, reminder limit, installation script; a window never made has
// none). The next program run (and the next component) creates a new one.
void DestroyUpdateWizardWindow();
