#include "platform/installedprograms.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <exception>

namespace {

const QString uninstallKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");

QString& applicationsFolderOverride() {
    static QString folder;
    return folder;
}

// Escapes a text for a desktop entry value of string type.
QString escapeValue(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void writeRegistryEntry(const QString& keyName, const QString& displayName,
                        const QString& uninstallCommand, const QString& modifyCommand,
                        bool remove) {
    Registry registry(RegistryRoot::LocalMachine);
    if (remove) {
        registry.createKey(uninstallKey);
        registry.deleteKey(uninstallKey + QLatin1Char('\\') + keyName);
        return;
    }
    const QString key = uninstallKey + QLatin1Char('\\') + keyName;
    registry.writeString(key, QStringLiteral("DisplayName"), displayName);
    registry.writeString(key, QStringLiteral("UninstallString"), uninstallCommand);
    if (!modifyCommand.isEmpty())
        registry.writeString(key, QStringLiteral("ModifyPath"), modifyCommand);
}

void writeDesktopEntry(const QString& keyName, const QString& displayName, bool remove) {
    const QString fileName = DesktopEntry::filePath(keyName);
    if (remove) {
        // A file that is not there is passed over.
        QFile::remove(fileName);
        return;
    }
    const QByteArray contents =
        DesktopEntry::contents(displayName, QCoreApplication::applicationFilePath());
    // Rewriting an unchanged entry would only make desktop menus reload it.
    QFile existing(fileName);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == contents)
        return;
    existing.close();
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    writeFileAtomically(fileName, contents);
}

} // namespace

void RegisterUninstallEntry(const QString& displayName, const QString& uninstallCommand,
                            const QString& modifyCommand, const QString& entryKeyName,
                            bool remove) {
    const QString keyName = entryKeyName.isEmpty() ? displayName : entryKeyName;
    std::exception_ptr firstError;
    try {
        writeRegistryEntry(keyName, displayName, uninstallCommand, modifyCommand, remove);
    } catch (const AppError&) {
        firstError = std::current_exception();
    }
    try {
        writeDesktopEntry(keyName, displayName, remove);
    } catch (const AppError&) {
        if (!firstError)
            firstError = std::current_exception();
    }
    if (firstError)
        std::rethrow_exception(firstError);
}

QString DesktopEntry::applicationsFolder() {
    if (!applicationsFolderOverride().isEmpty())
        return applicationsFolderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
}

void DesktopEntry::setApplicationsFolder(const QString& folder) {
    applicationsFolderOverride() = folder;
}

QString DesktopEntry::filePath(const QString& keyName) {
    // Desktop file ids are lower case letters, digits, '-', '_' and '.'.
    QString id;
    for (const QChar c : keyName.toLower()) {
        const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                             (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char('-') || c == QLatin1Char('_') ||
                             c == QLatin1Char('.');
        id += allowed ? c : QLatin1Char('-');
    }
    return QDir(applicationsFolder()).filePath(id + QStringLiteral(".desktop"));
}

QString DesktopEntry::execArgument(const QString& argument) {
    // Always quoted as a whole; inside the quotes ", `, $ and \ take a backslash, and % is
    // doubled since a single one starts a field code.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return escapeValue(quoted);
}

QByteArray DesktopEntry::contents(const QString& displayName, const QString& programPath) {
    const QString program = execArgument(QDir::toNativeSeparators(programPath));
    QString text;
    text += QLatin1String("[Desktop Entry]\n");
    text += QLatin1String("Type=Application\n");
    text += QLatin1String("Name=") + escapeValue(displayName) + QLatin1Char('\n');
    text += QLatin1String("Exec=") + program + QLatin1Char('\n');
    // The program icon of the hicolor icon theme, which installing the program puts there.
    text += QLatin1String("Icon=zensoria\n");
    text += QLatin1String("Terminal=false\n");
    text += QLatin1String("Categories=Education;\n");
    text += QLatin1String("Actions=uninstall;\n");
    text += QLatin1Char('\n');
    text += QLatin1String("[Desktop Action uninstall]\n");
    text += QLatin1String("Name=Deinstallieren\n");
    text += QLatin1String("Exec=") + program + QLatin1String(" /uninstall\n");
    return text.toUtf8();
}
