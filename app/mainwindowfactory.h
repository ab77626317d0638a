#pragma once

#include <memory>

class QMainWindow;
class TForm2;
class TInfo;

// Creates the program's main window, not yet shown. Its start-up may decide that the program
// ends at once (another instance is running); then there is no window and nullptr comes back.
std::unique_ptr<QMainWindow> createMainWindow();

// The main window's "&Info" and its logo show the about dialog with the program's name,
// development period and icon.
void connectAboutDialog(QMainWindow& window, TInfo& about);

// The main window's print button opens the print dialog modally; the print dialog's logo
// shows the about dialog.
void connectPrintDialog(QMainWindow& window, TForm2& print, TInfo& about);
