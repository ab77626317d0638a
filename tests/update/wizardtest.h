#pragma once

#include "support/scripteddialogs.h"
#include "support/testfolders.h"
#include "update/tstatusform.h"
#include "update/updatewizard.h"

#include <QObject>
#include <QString>

#include <memory>

// The request of the program for its own update: "Zensoria", "Pultex.zip", the registry key
// "Zensoria", and a program file modified on 8 August 2003 at 14:08.
WizardRequest zensoriaRequest();

// Base of the test classes that click through the update wizard window. setUpWizard(), called
// from init(), gives each test function its own program, registry and temporary folder
// ("tmp" below the TestFolders, in which each run makes its private working folder), a connection
// to the internet and the host given, the German formats with 20 August 2003 as today, scripted
// dialogs, and a fresh window that waits 50 ms instead of seconds after an aborted download.
// tearDownWizard(), called from cleanup(), ends the window as the program's end does, fails the
// test when a dialog went unanswered, and puts everything back.
//
//     class TestSomething : public WizardTest {
//         Q_OBJECT
//     private slots:
//         void init() { setUpWizard(QStringLiteral("127.0.0.1:8080")); }
//         void cleanup() { tearDownWizard(); }
//         void welcome() {
//             form_->Begin(zensoriaRequest());
//             click("Button_Next");
//             QCOMPARE(page(), 1);
//         }
//     };
class WizardTest : public QObject {
protected:
    void setUpWizard(const QString& host);
    void tearDownWizard();

    // The wizard's control with the object name, or nullptr with a warning naming it.
    template <typename T> T* control(const char* name) const {
        T* found = form_->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qWarning("control %s missing", name);
        return found;
    }
    // Clicks the button as a user does; fails the running test when it is missing, hidden or
    // disabled.
    void click(const char* name);
    // The index of the page shown.
    int page() const;
    QString title() const { return label("Panel_Title"); }
    QString label(const char* name) const;
    bool enabled(const char* name) const;
    // A file in the wizard's private working folder (the last one it had, once it is gone).
    QString tempFile(const QString& name) const;

    std::unique_ptr<TestFolders> folders_;
    std::unique_ptr<ScopedDialogs> dialogs_;
    std::unique_ptr<TStatusForm> form_;

private:
    mutable QString runFolder_;
};
