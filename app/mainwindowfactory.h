#pragma once

#include <memory>

class QMainWindow;
class TInfo;

// Creates the program's main window, not yet shown. Its start-up may decide that the program
// ends at once (another instance is running); then there is no window and nullptr comes back.
std::unique_ptr<QMainWindow> createMainWindow();

// The main window's "&Info" and its logo show the about dialog with the program's name,
// development period and icon.
void connectAboutDialog(QMainWindow& window, TInfo& about);
