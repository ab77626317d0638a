#include "app/programentry.h"

#include "app/application.h"
#include "app/mainwindowfactory.h"
#include "app/uninstall.h"
#include "platform/apperror.h"
#include "platform/errormessage.h"
#include "update/automaticupdate.h"
#include "update/tvelaupdatefile.h"
#include "widgets/tinfo.h"

#include <QMainWindow>

#include <csignal>

RunMode runModeFor(const QStringList& arguments) {
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("/uninstall"))
        return RunMode::Uninstall;
    return RunMode::Normal;
}

int runProgram(int argc, char** argv) {
    // A file-size limit (ulimit -f) would end the program with this signal in the middle of a
    // write; ignored, the write fails and the user sees "In ... kann nicht geschrieben werden"
    // as for every other refused write.
    std::signal(SIGXFSZ, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // No argument but "/uninstall" has a meaning: Qt gets none of them, so that its own
    // options (-reverse, -style, -qwindowtitle ...) change nothing.
    int qtArgc = argc > 0 ? 1 : 0;
    ZensoriaApplication application(qtArgc, argv);
    if (runModeFor(arguments) == RunMode::Uninstall) {
        runUninstall();
        return 0;
    }

    // At every start, so that the entry always names the program file's current place.
    // Nothing else at start needs the entry: when the system refuses it, the program runs on.
    try {
        registerInstalledProgram();
    } catch (const AppError&) {
    }

    ZensoriaApplication::setApplicationName(productName());
    ZensoriaApplication::setDesktopFileName(QStringLiteral("zensoria"));

    // The update wizard outlives the main window: destroyed after it, at program end, it
    // writes the next reminder and starts a prepared installation.
    ResetProgramEndRequest();
    const struct UpdateWizardEnd {
        ~UpdateWizardEnd() { DestroyUpdateWizardWindow(); }
    } updateWizardEnd;

    std::unique_ptr<QMainWindow> mainWindow;
    try {
        mainWindow = createMainWindow();
    } catch (const std::exception& error) {
        showErrorMessage(error);
        return 1;
    }
    // No window: the start-up ended the program (another instance runs already, or the update
    // ended it before the main window became usable).
    if (!mainWindow)
        return 0;
    // Created after the main window, the about dialog gives the windows that exist now the
    // face of the system's message font. It lives as long as the main window.
    TInfo about;
    connectAboutDialog(*mainWindow, about);
    // The print dialog, made when it is first shown; it keeps its options and printer for the
    // rest of the run.
    const PrintDialogOnDemand print(*mainWindow, about);
    mainWindow->show();
    return ZensoriaApplication::exec();
}
