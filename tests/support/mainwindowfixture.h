#pragma once

#include "mainwindow/tform1.h"
#include "support/scripteddialogs.h"
#include "support/testfolders.h"

#include <QDate>
#include <QList>
#include <QListView>
#include <QString>
#include <QWidget>

#include <memory>

// What every test of the main window stands on, made afresh for each test function and gone
// with it:
//  - the German formats of dates and numbers, and a fixed day as today (Clock)
//  - TestFolders for the program folder, the registry and the applications folder, with TMPDIR
//    inside it, so that the single instance's lock file and socket meet no other test run
//  - scripted dialogs                                                      -> dialogs()
//  - the name of a data file in the temporary folder (not created)         -> dataFile()
//
//     std::unique_ptr<MainWindowFixture> fixture_;
//     void init() {
//         fixture_ = std::make_unique<MainWindowFixture>();
//         QVERIFY(fixture_->isValid());
//     }
//     void cleanup() { fixture_.reset(); }
//     void someCase() {
//         auto form = fixture_->openForm(); // the window on dataFile()
//         clickTab(*form, QStringLiteral("Mathe"));
//         QCOMPARE(fixture_->messages().size(), 0);
//     }
class MainWindowFixture {
public:
    explicit MainWindowFixture(const QString& dataFileName = QStringLiteral("noten.plx"),
                               QDate today = QDate(2024, 5, 10));
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;

    bool isValid() const { return folders_.isValid(); }
    const TestFolders& folders() const { return folders_; }
    ScriptedDialogService& dialogs() const { return *dialogs_; }
    // The message boxes shown so far.
    QList<ShownDialog> messages() const;
    QString dataFile() const { return dataFile_; }
    // Settings.ini in the program folder.
    QString settingsFile() const;

    // startForm() with dataFile() opened through the field and "Übernehmen".
    std::unique_ptr<TForm1> openForm() const;

private:
    TestFolders folders_;
    ScopedDialogs dialogs_;
    QString dataFile_;
};

// The window as the program starts it: shown and active, its hidden subjects page made.
std::unique_ptr<TForm1> startForm();
// Types fileName into the field of the data file and clicks "Übernehmen".
void openFile(TForm1& form, const QString& fileName);
// Clicks a row of a list, scrolled into view first.
void clickRow(QListView* list, int row);
// A double click on a row as the item views see it: the first click selects, the second opens.
void doubleClickRow(QListView* list, int row);
// Clicks the window's button with the object name, as a user does.
void clickButton(TForm1& form, const char* name);
// Clicks the tab with the caption in the tab bar, as a user does; fails the running test when
// there is no such tab or it did not become the current one.
void clickTab(TForm1& form, const QString& caption);

// The control of the window with the object name, or nullptr with a warning naming it.
template <typename W> W* control(const QWidget& form, const char* name) {
    W* widget = form.findChild<W*>(QString::fromLatin1(name));
    if (!widget)
        qWarning("no control %s", name);
    return widget;
}
