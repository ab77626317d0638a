#pragma once

#include <QString>
#include <QStringList>

// The program's entry in the system's list of installed programs.
//
// It lives in two places: the registry key <key name> below
// SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall under the local-machine root (string values
// DisplayName, UninstallString and, when given, ModifyPath), and on Linux desktops a freedesktop
// desktop entry in the user's applications folder (DesktopEntry::filePath), which starts the
// program and offers the uninstall command as a desktop action.
//
// Where the program was installed by a package, the system's list is the package manager's and
// the menu entry the package's (a system-wide desktop entry that starts this program file):
// then neither place is written, and this program's own entries from earlier starts are
// removed (the registry key only where its UninstallString is this program's), so that nothing
// hides the package's menu entry or stays behind when the package is removed.
//
// The key name is entryKeyName, or displayName when that is empty. remove = false writes (and
// overwrites) the entry; remove = true deletes the key with everything below it and the
// desktop entry. Both places are attempted; afterwards the first error, if any, is raised as
// AppError.
void RegisterUninstallEntry(const QString& displayName, const QString& uninstallCommand,
                            const QString& modifyCommand, const QString& entryKeyName, bool remove);

namespace DesktopEntry {
// The user's applications folder; tests set a temporary one, empty restores the default.
QString applicationsFolder();
void setApplicationsFolder(const QString& folder);

// The folders of the system-wide desktop entries (those of XDG_DATA_DIRS); tests set their own,
// an empty list restores the default.
QStringList systemApplicationsFolders();
void setSystemApplicationsFolders(const QStringList& folders);

// The file name a package gives the menu entry for the key name: "zensoria.desktop".
QString packageFileName(const QString& keyName);
// The file of this program's own entry in the user's applications folder: the package's file
// name with a short hash of the program file's path ("zensoria-1a2b3c4d.desktop"), so that it
// never hides the package's entry and two copies of the program keep one entry each.
QString filePath(const QString& keyName);
// The program file that a desktop entry starts (its Exec line's program, a bare name looked up
// in the command path and in the bin folder of the entry's data folder), links resolved;
// empty when there is none.
QString startedProgram(const QString& desktopFile);
// Whether a system-wide entry of the package's file name starts the program at programPath.
bool installedByPackage(const QString& keyName, const QString& programPath);

// One argument of an Exec line, quoted where needed and escaped as a desktop entry value.
QString execArgument(const QString& argument);

// Contents of the desktop entry that starts the program at programPath and offers its
// uninstall run ("<program> /uninstall") as the action "uninstall".
QByteArray contents(const QString& displayName, const QString& programPath);
} // namespace DesktopEntry
