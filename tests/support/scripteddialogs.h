#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <queue>

// Scripted replacement of the dialog service for tests: no dialog ever opens a window.
//
// Usage:
//     ScopedDialogs dialogs;          // installs a fresh ScriptedDialogService
//     dialogs->answerYesNo(true);     // queue the answer of the next Yes/No question
//     dialogs->answerInput("Mathe");  // queue the text typed into the next input box
//     dialogs->answerFile("/tmp/a.plx");
//     dialogs->answerPrintSetup([](QPrinter& p) { p.setCopyCount(2); }); // "OK" after changes
//     ... run the code under test ...
//     QCOMPARE(dialogs->shown().size(), 2);
//     QCOMPARE(dialogs->shown()[0].kind, ShownDialog::Kind::Question);
//     QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
//
// Answers are kept in one queue per kind (questions, input boxes, file and print dialogs) and
// taken in order. Message boxes and beeps need no answer; they are only recorded.
//
// A question, input box or file dialog with no queued answer is unexpected: it is recorded
// with `unexpected` set, answered No / with the default text / cancelled, and fails the
// running test function at once. problems() also lists answers left unused at the end.
struct ShownDialog {
    enum class Kind { Message, Question, Input, File, Beep, PrintSetup };

    Kind kind = Kind::Message;
    MessageIcon icon = MessageIcon::Information; // Message and Question only
    QString caption;                             // Input: caption; File: the title
    QString text;                                // Message/Question: text; Input: prompt
    QString defaultText;                         // Input only
    FileDialogOptions fileOptions;               // File only
    QPointer<QWidget> parent;
    bool unexpected = false;
};

class ScriptedDialogService : public DialogService {
public:
    // Queues answers. An empty file name answers the file dialog with Cancel;
    // answerInputCancel() answers an input box with Cancel (the default text comes back).
    void answerYesNo(bool yes);
    void answerInput(const QString& text);
    void answerInputCancel();
    void answerFile(const QString& fileName);
    // The next print dialog: the user makes the changes of `choice` to the printer and
    // confirms; answerPrintSetupCancel() cancels it and the printer stays as it was.
    void answerPrintSetup(std::function<void(QPrinter&)> choice);
    void answerPrintSetupCancel();

    // Called for every dialog at the moment it is shown, before it is answered (to look at
    // the program's state while the dialog would be open).
    void setOnShown(std::function<void(const ShownDialog&)> callback);

    // Every dialog and beep so far, in order.
    const QList<ShownDialog>& shown() const { return shown_; }
    QList<ShownDialog> shown(ShownDialog::Kind kind) const;
    // Texts of the message boxes and questions so far, in order.
    QStringList texts() const;
    int beeps() const;

    // Empty when every dialog had an answer and every queued answer was used; otherwise a
    // description of what went wrong.
    QString problems() const;
    // Forgets the record and every queued answer.
    void clear();

    void showMessage(QWidget* parent, MessageIcon icon, const QString& caption,
                     const QString& text) override;
    bool askYesNo(QWidget* parent, MessageIcon icon, const QString& caption,
                  const QString& text) override;
    QString inputText(QWidget* parent, const QString& caption, const QString& prompt,
                      const QString& defaultText) override;
    QString chooseFile(QWidget* parent, const FileDialogOptions& options) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer) override;
    void beep() override;

private:
    void record(ShownDialog dialog);
    void unexpected(ShownDialog dialog);
    // The answer at the front of the queue, taken, with the dialog recorded; nothing when the
    // queue is empty, and the dialog is recorded as unexpected.
    template <typename Answer>
    std::optional<Answer> nextAnswer(std::queue<Answer>& answers, const ShownDialog& dialog);

    std::queue<bool> yesNo_;
    std::queue<std::optional<QString>> inputs_;
    std::queue<QString> files_;
    std::queue<std::function<void(QPrinter&)>> printSetups_; // empty function: cancelled
    QList<ShownDialog> shown_;
    std::function<void(const ShownDialog&)> onShown_;
};

// Installs a fresh ScriptedDialogService for its lifetime and restores the Qt dialogs after.
class ScopedDialogs {
public:
    ScopedDialogs();
    ~ScopedDialogs();
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

    ScriptedDialogService* operator->() const { return service_; }
    ScriptedDialogService& operator*() const { return *service_; }

private:
    ScriptedDialogService* service_;
};

const char* toString(ShownDialog::Kind kind);
