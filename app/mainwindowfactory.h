#pragma once

#include <QMetaObject>

#include <memory>

class MainWindowPrintSource;
class QMainWindow;
class TForm1;
class TForm2;
class TInfo;

// Creates the program's main window, not yet shown. Its start-up may decide that the program
// ends at once (another instance is running); then there is no window and nullptr comes back.
std::unique_ptr<QMainWindow> createMainWindow();

// The main window's "&Info" and its logo show the about dialog with the program's name,
// development period and icon.
void connectAboutDialog(QMainWindow& window, TInfo& about);

// The main window's print button opens the print dialog modally; the print dialog's logo
// shows the about dialog. The dialog is made at its first showing, not with the window, so that
// the start-up does not wait for it; from then on it keeps its options and printer for the rest
// of the run. It goes with this object, which is to outlive neither the window nor about.
class PrintDialogOnDemand {
public:
    PrintDialogOnDemand(QMainWindow& window, TInfo& about);
    ~PrintDialogOnDemand();
    PrintDialogOnDemand(const PrintDialogOnDemand&) = delete;
    PrintDialogOnDemand& operator=(const PrintDialogOnDemand&) = delete;

    // The dialog once it was shown; nullptr before.
    TForm2* dialog() const { return dialog_.get(); }

private:
    void show();

    TForm1* window_;
    TInfo& about_;
    QMetaObject::Connection requested_;
    std::unique_ptr<MainWindowPrintSource> source_;
    std::unique_ptr<TForm2> dialog_;
};
