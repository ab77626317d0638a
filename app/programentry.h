#pragma once

#include <QStringList>

enum class RunMode { Normal, Uninstall };

// The run chosen by the command-line arguments (without the program name): the uninstall run
// when the first argument is exactly "/uninstall" (letter case included), else the normal run.
// Further arguments mean nothing.
RunMode runModeFor(const QStringList& arguments);

// The program: the uninstall run, or the normal run, which registers the program in the
// system's list of installed programs, creates the main window and runs the event loop until
// it closes. Returns the process's exit code.
int runProgram(int argc, char** argv);
