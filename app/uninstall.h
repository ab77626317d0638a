#pragma once

#include <QString>

// "Zensoria": the application title, the name in the system's list of installed programs and
// the name of the program's registry keys.
QString productName();

// The command that starts the uninstall run: the program file's full path in double quotes,
// a blank and "/uninstall".
QString uninstallCommand();

// Writes the program's entry in the system's list of installed programs; raises AppError
// when the system refuses it.
void registerInstalledProgram();

// The uninstall run: after the user confirms, removes the per-user registry key
// Software\Vela\Zensoria, Settings.ini in the program folder and the entry in the list of
// installed programs, then reports the end. Answering No changes nothing. Neither the program
// file, nor data files, nor the per-machine key are touched.
void runUninstall();
