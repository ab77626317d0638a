#include "platform/installedprograms.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QCryptographicHash>
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

QStringList& systemFoldersOverride() {
    static QStringList folders;
    return folders;
}

// The running program file, links resolved; the same before the application object exists.
QString canonicalProgram() {
    const QString program = QCoreApplication::instance()
                                ? QCoreApplication::applicationFilePath()
                                : QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QString canonical = QFileInfo(program).canonicalFilePath();
    return canonical.isEmpty() ? program : canonical;
}

// The first argument of an Exec value: quoted ("...", with backslash escapes) or up to the
// first blank.
QString execProgram(const QString& exec) {
    QString program;
    if (!exec.startsWith(u'"'))
        return exec.section(u' ', 0, 0);
    for (qsizetype i = 1; i < exec.size() && exec[i] != u'"'; ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size())
            ++i;
        program += exec[i];
    }
    return program;
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

// Removes a desktop entry of the user's that starts this program file.
void removeIfThisProgram(const QString& fileName) {
    if (DesktopEntry::startedProgram(fileName) == canonicalProgram())
        QFile::remove(fileName);
}

void writeDesktopEntry(const QString& keyName, const QString& displayName, bool remove) {
    const QString fileName = DesktopEntry::filePath(keyName);
    // Earlier versions wrote the entry under the package's file name, which hides the package's
    // menu entry: gone where it starts this program, kept where the user made it for another.
    removeIfThisProgram(
        QDir(DesktopEntry::applicationsFolder()).filePath(DesktopEntry::packageFileName(keyName)));
    if (remove || DesktopEntry::installedByPackage(keyName, canonicalProgram())) {
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
    const bool packaged = DesktopEntry::installedByPackage(keyName, canonicalProgram());
    std::exception_ptr firstError;
    try {
        const QString key = uninstallKey + QLatin1Char('\\') + keyName;
        if (!packaged || remove)
            writeRegistryEntry(keyName, displayName, uninstallCommand, modifyCommand, remove);
        else if (Registry registry(RegistryRoot::LocalMachine);
                 registry.keyExists(key) &&
                 registry.readString(key, QStringLiteral("UninstallString")) == uninstallCommand)
            registry.deleteKey(key);
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

QStringList DesktopEntry::systemApplicationsFolders() {
    if (!systemFoldersOverride().isEmpty())
        return systemFoldersOverride();
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    folders.removeAll(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation));
    return folders;
}

void DesktopEntry::setSystemApplicationsFolders(const QStringList& folders) {
    systemFoldersOverride() = folders;
}

QString DesktopEntry::packageFileName(const QString& keyName) {
    // Desktop file ids are lower case letters, digits, '-', '_' and '.'.
    QString id;
    for (const QChar c : keyName.toLower()) {
        const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                             (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char('-') || c == QLatin1Char('_') ||
                             c == QLatin1Char('.');
        id += allowed ? c : QLatin1Char('-');
    }
    return id + QStringLiteral(".desktop");
}

QString DesktopEntry::filePath(const QString& keyName) {
    const QByteArray hash =
        QCryptographicHash::hash(canonicalProgram().toUtf8(), QCryptographicHash::Sha256);
    QString name = packageFileName(keyName);
    name.insert(name.size() - 8, u'-' + QString::fromLatin1(hash.toHex().left(8)));
    return QDir(applicationsFolder()).filePath(name);
}

QString DesktopEntry::startedProgram(const QString& desktopFile) {
    QFile file(desktopFile);
    // A desktop entry is a few hundred bytes; anything longer is not one of ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return QString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QString exec;
    for (const QString& line : lines) {
        if (line.startsWith(u'[') && line.trimmed() != QLatin1String("[Desktop Entry]"))
            break;
        if (line.startsWith(QLatin1String("Exec=")))
            exec = line.mid(5).trimmed();
    }
    QString program = execProgram(exec);
    if (program.isEmpty())
        return QString();
    if (!program.contains(u'/')) {
        // In the command path, or in bin beside the entry's share folder (/usr/share/applications
        // -> /usr/bin).
        const QString beside =
            QFileInfo(desktopFile).absoluteDir().filePath(QStringLiteral("../../bin/") + program);
        const QString found = QStandardPaths::findExecutable(program);
        program = QFileInfo::exists(beside) ? beside : found;
    }
    return QFileInfo(program).canonicalFilePath();
}

bool DesktopEntry::installedByPackage(const QString& keyName, const QString& programPath) {
    const QString canonical = QFileInfo(programPath).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    for (const QString& folder : systemApplicationsFolders()) {
        if (startedProgram(QDir(folder).filePath(packageFileName(keyName))) == canonical)
            return true;
    }
    return false;
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
