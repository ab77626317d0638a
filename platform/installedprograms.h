#pragma once

#include <QString>

// The program's entry in the system's list of installed programs.
//
// It lives in two places: the registry key <key name> below
// SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall under the local-machine root (string values
// DisplayName, UninstallString and, when given, ModifyPath), and on Linux desktops a freedesktop
// desktop entry in the user's applications folder, named after the key name in lower case
// ("zensoria.desktop"), which starts the program and offers the uninstall command as a desktop
// action.
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

// The desktop entry's file for the given key name.
QString filePath(const QString& keyName);

// One argument of an Exec line, quoted where needed and escaped as a desktop entry value.
QString execArgument(const QString& argument);

// Contents of the desktop entry that starts the program at programPath and offers its
// uninstall run ("<program> /uninstall") as the action "uninstall".
QByteArray contents(const QString& displayName, const QString& programPath);
} // namespace DesktopEntry
