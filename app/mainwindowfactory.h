#pragma once

#include <memory>

class QMainWindow;

// Creates the program's main window, not yet shown. Its start-up may decide that the program
// ends at once (another instance is running); then there is no window and nullptr comes back.
std::unique_ptr<QMainWindow> createMainWindow();
