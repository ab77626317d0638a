#include "app/uninstall.h"

#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/installedprograms.h"
#include "platform/programfolder.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

namespace {

// Runs one removal step. A key or file that is not there is no error; a step the system
// refuses does not stop the others, but the user learns which one failed.
void removalStep(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        showErrorMessage(error);
    }
}

void removeUserKey() {
    Registry registry(RegistryRoot::CurrentUser);
    const QString vela = QStringLiteral("Software\\Vela");
    registry.createKey(vela);
    if (registry.hasSubKey(vela, productName()))
        registry.deleteKey(vela + QLatin1Char('\\') + productName());
}

void removeSettingsFile() {
    const QString fileName = ProgramFolder::settingsFilePath();
    QFile file(fileName);
    if (!file.exists() && !QFileInfo(fileName).isSymLink())
        return;
    if (!file.remove())
        throw AppError(QStringLiteral("Die Datei %1 kann nicht gelöscht werden.")
                           .arg(QDir::toNativeSeparators(fileName)));
}

} // namespace

QString productName() {
    return QStringLiteral("Zensoria");
}

QString uninstallCommand() {
    return QLatin1Char('"') + QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) +
           QStringLiteral("\" /uninstall");
}

void registerInstalledProgram() {
    RegisterUninstallEntry(productName(), uninstallCommand(), QString(), QString(), false);
}

void runUninstall() {
    QCoreApplication::setApplicationName(QStringLiteral("Zensoria [Deinstallation]"));
    systemBeep();
    DialogService& dialogs = DialogService::instance();
    if (!dialogs.askYesNo(nullptr, MessageIcon::Warning, QString(),
                          QStringLiteral("Soll die Zensoria wirklich deinstalliert werden?")))
        return;

    removalStep(removeUserKey);
    removalStep(removeSettingsFile);
    removalStep([] {
        RegisterUninstallEntry(productName(), uninstallCommand(), QString(), QString(), true);
    });

    dialogs.showMessage(nullptr, MessageIcon::Information,
                        QStringLiteral("Deinstallation abgeschlossen"),
                        QStringLiteral("Die Zensoria wurde erfolgreich deinstalliert."));
}
