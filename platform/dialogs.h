#pragma once

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

enum class MessageIcon { Information, Warning, Error, Question };

struct FileDialogOptions {
    QString title;
    QString filter;          // Qt filter text, e.g. "Zensoriadateien (*.plx)"
    QString defaultSuffix;   // without dot, e.g. "plx"
    QString initialFileName; // proposed name or folder
    bool save = false;       // a file to write: "Speichern" button, overwriting is confirmed
    QString helpTopic;       // topic of the help file shown by F1 in the dialog; none if empty
};

// Every modal question, message box, input box and file dialog of the program goes through
// this service. The program uses the Qt implementation; tests install a scripted one so that
// no test ever waits on a window.
class DialogService {
public:
    virtual ~DialogService() = default;

    // Modal message box with an OK button.
    virtual void showMessage(QWidget* parent, MessageIcon icon, const QString& caption,
                             const QString& text) = 0;
    // Modal question with the buttons Yes and No; true only for Yes. No is the default button,
    // since the program asks only before destroying or giving up something.
    virtual bool askYesNo(QWidget* parent, MessageIcon icon, const QString& caption,
                          const QString& text) = 0;
    // Modal input box; Cancel gives the default text.
    virtual QString inputText(QWidget* parent, const QString& caption, const QString& prompt,
                              const QString& defaultText) = 0;
    // Modal file dialog for a file to open or create; an empty result means cancelled.
    virtual QString chooseFile(QWidget* parent, const FileDialogOptions& options) = 0;
    // The platform's print dialog for printer (printer, copies, paper, orientation or a file to
    // print into); false when the user cancels, and the printer then stays as it was.
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer) = 0;
    // The system's warning beep; goes through the service so that tests can see it.
    virtual void beep();

    // The service in effect (the Qt one unless a test replaced it).
    static DialogService& instance();
    // Installs a replacement; nullptr restores the Qt implementation.
    static void setInstance(std::unique_ptr<DialogService> service);
};

// Sounds the system beep (warning sound before destructive questions) through the service
// in effect.
void systemBeep();
