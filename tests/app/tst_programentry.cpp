#include "app/programentry.h"
#include "platform/installedprograms.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "support/scripteddialogs.h"
#include "support/testfolders.h"
#include "update/tstatusform.h"
#include "update/tvelaupdatefile.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const QString userKey = QStringLiteral("Software\\Vela\\Zensoria");
const QString uninstallKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
const QString entryKey = uninstallKey + QStringLiteral("\\Zensoria");
const QString question = QStringLiteral("Soll die Zensoria wirklich deinstalliert werden?");

// What the normal run showed, looked at from inside its event loop.
struct NormalRun {
    bool watching = false;
    bool sawMainWindow = false;
    QString windowTitle;
    Qt::LayoutDirection layoutDirection = Qt::LeftToRight;
    QString styleName;
    QStringList qtArguments;
    QString applicationName;
    QString uninstallString;
    QString programPath;
    // With askForAbout the watcher chooses "&Info" and records the about dialog it shows.
    bool askForAbout = false;
    QString aboutCaption;
    // With askForPrint the watcher clicks the print button and records the dialogs it shows.
    bool askForPrint = false;
    QStringList printCaptions;
    bool printDialogBeforeAsking = true; // the dialog is made at its first showing
    QList<QSize> iconSizes;
};
NormalRun normalRun;

// Chooses "&Info" of the main window and records and closes the dialog that it shows.
void askForAbout(QMainWindow* window) {
    QTimer::singleShot(0, qApp, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                normalRun.aboutCaption = dialog->windowTitle();
                dialog->accept();
            }
    });
    if (auto* info = window->findChild<QAction*>(QStringLiteral("InfoAction")))
        info->trigger();
}

// Asks for the print dialog as the print button does, and records and closes what it shows.
void askForPrint(QMainWindow* window) {
    normalRun.printDialogBeforeAsking = bool(window->findChild<QDialog*>(QStringLiteral("TForm2")));
    QTimer::singleShot(0, qApp, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                normalRun.printCaptions.append(dialog->windowTitle());
                dialog->reject();
            }
    });
    QMetaObject::invokeMethod(window, "printRequested");
}

// Runs once in every application object the program creates: in a normal run, the first
// turn of the event loop records the main window and closes it, which ends the run.
void watchNormalRun() {
    if (!normalRun.watching)
        return;
    QTimer::singleShot(0, qApp, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->isVisible()) {
                normalRun.sawMainWindow = true;
                normalRun.windowTitle = window->windowTitle();
                normalRun.iconSizes = window->windowIcon().availableSizes();
                normalRun.layoutDirection = window->layoutDirection();
                if (normalRun.askForAbout)
                    askForAbout(window);
                if (normalRun.askForPrint)
                    askForPrint(window);
            }
        }
        normalRun.styleName = QApplication::style()->name();
        normalRun.qtArguments = QCoreApplication::arguments();
        normalRun.applicationName = QCoreApplication::applicationName();
        normalRun.programPath = QCoreApplication::applicationFilePath();
        normalRun.uninstallString =
            Registry(RegistryRoot::LocalMachine).readString(entryKey, "UninstallString");
        QApplication::closeAllWindows();
    });
    // Never wait forever, whatever the window does.
    QTimer::singleShot(20000, qApp, &QCoreApplication::quit);
}
Q_COREAPP_STARTUP_FUNCTION(watchNormalRun)

int run(const QStringList& arguments) {
    std::vector<QByteArray> storage{QByteArray("zensoria")};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return runProgram(static_cast<int>(storage.size()), argv.data());
}

void writeFile(const QString& fileName, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

// Every file below the folder with its contents.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(file.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return files;
}

// The entry in the list of installed programs, as an earlier start from another place left it.
void registerOldPlace() {
    Registry machine(RegistryRoot::LocalMachine);
    machine.writeString(entryKey, "DisplayName", "Zensoria");
    machine.writeString(entryKey, "UninstallString", "\"/old/zensoria\" /uninstall");
    writeFile(DesktopEntry::filePath("Zensoria"),
              DesktopEntry::contents("Zensoria", "/old/zensoria"));
}

// A machine where Zensoria was installed and used.
void installAndUse(const TestFolders& folders) {
    Registry user(RegistryRoot::CurrentUser);
    user.writeInteger(userKey, "Interval", 14);
    user.writeString(userKey + "\\Window", "State", "max");
    user.writeString("Software\\Vela\\Pultex", "Keep", "1");
    Registry machine(RegistryRoot::LocalMachine);
    machine.writeString(userKey, "Server", "update.example");
    machine.writeString(uninstallKey + "\\Other", "DisplayName", "Zensoria");
    registerOldPlace();
    writeFile(folders.programFile("Settings.ini"), "[Settings]\r\nStandardFile=Noten.plx\r\n");
    writeFile(folders.programFile("Noten.plx"), "[Mathe]\r\n");
    writeFile(folders.programFile("Pultex.hlp"), "<html></html>");
}

} // namespace

class TestProgramEntry : public QObject {
    Q_OBJECT

    QTemporaryDir lockFolder;

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        // The single-instance lock and socket live in the user's runtime folder: a folder of
        // this test's own, so that a Zensoria running on the machine (or another test's
        // window) does not make the normal run end as a second instance.
        QVERIFY(lockFolder.isValid());
        qputenv("TMPDIR", lockFolder.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", lockFolder.path().toLocal8Bit());
    }

    void runMode_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("uninstall");
        QTest::newRow("none") << QStringList() << false;
        QTest::newRow("/uninstall") << QStringList{"/uninstall"} << true;
        QTest::newRow("/uninstall and more") << QStringList{"/uninstall", "x"} << true;
        QTest::newRow("/Uninstall") << QStringList{"/Uninstall"} << false;
        QTest::newRow("/UNINSTALL") << QStringList{"/UNINSTALL"} << false;
        QTest::newRow("-uninstall") << QStringList{"-uninstall"} << false;
        QTest::newRow("uninstall") << QStringList{"uninstall"} << false;
        QTest::newRow("trailing blank") << QStringList{"/uninstall "} << false;
        QTest::newRow("second argument") << QStringList{"Noten.plx", "/uninstall"} << false;
        QTest::newRow("empty first") << QStringList{"", "/uninstall"} << false;
    }

    void runMode() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, uninstall);
        QCOMPARE(runModeFor(arguments) == RunMode::Uninstall, uninstall);
    }

    void normalRunRegistersAndShowsTheWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList();
        QTest::newRow("/Uninstall") << QStringList{"/Uninstall"};
        QTest::newRow("-uninstall") << QStringList{"-uninstall"};
        QTest::newRow("second argument") << QStringList{"x", "/uninstall"};
    }

    void normalRunRegistersAndShowsTheWindow() {
        QFETCH(QStringList, arguments);
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        ScopedDialogs dialogs;
        normalRun = NormalRun{};
        normalRun.watching = true;

        QCOMPARE(run(arguments), 0);
        normalRun.watching = false;
        QVERIFY(normalRun.sawMainWindow);
        QCOMPARE(normalRun.windowTitle, QStringLiteral("Zensoria"));
        QCOMPARE(normalRun.applicationName, QStringLiteral("Zensoria"));
        // The entry now names this program file, wherever it was before.
        QCOMPARE(normalRun.uninstallString, '"' + normalRun.programPath + "\" /uninstall");
        QVERIFY(QFile::exists(DesktopEntry::filePath("Zensoria")));
        QVERIFY(dialogs->shown().isEmpty());
        // Nothing of the uninstall run happened.
        QVERIFY(QFile::exists(folders.programFile("Settings.ini")));
        QVERIFY(Registry(RegistryRoot::CurrentUser).keyExists(userKey));
    }

    void normalRunHasTheAboutDialogAndTheProgramIcon() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        ScopedDialogs dialogs;
        normalRun = NormalRun{};
        normalRun.watching = true;
        normalRun.askForAbout = true;

        QCOMPARE(run({}), 0);
        normalRun.watching = false;
        QVERIFY(normalRun.sawMainWindow);
        QCOMPARE(normalRun.aboutCaption, QStringLiteral("Info über Zensoria"));
        QVERIFY(normalRun.iconSizes.contains(QSize(16, 16)));
        QVERIFY(normalRun.iconSizes.contains(QSize(32, 32)));
    }

    // The print button opens the print dialog once, modally, created by the program entry when
    // it is first asked for.
    void normalRunOpensThePrintDialog() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        ScopedDialogs dialogs;
        normalRun = NormalRun{};
        normalRun.watching = true;
        normalRun.askForPrint = true;

        QCOMPARE(run({}), 0);
        normalRun.watching = false;
        QVERIFY(normalRun.sawMainWindow);
        QCOMPARE(normalRun.printCaptions, QStringList{QStringLiteral("Drucken")});
        QVERIFY(!normalRun.printDialogBeforeAsking);
    }

    // No argument but "/uninstall" means anything, also none of Qt's own options.
    void qtOptionsChangeNothing() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        ScopedDialogs dialogs;
        normalRun = NormalRun{};
        normalRun.watching = true;

        QCOMPARE(run({"-reverse", "-qwindowtitle", "Fremd", "-style", "windows"}), 0);
        normalRun.watching = false;
        QVERIFY(normalRun.sawMainWindow);
        QCOMPARE(normalRun.windowTitle, QStringLiteral("Zensoria"));
        QCOMPARE(normalRun.layoutDirection, Qt::LeftToRight);
        QVERIFY2(normalRun.styleName.compare("windows", Qt::CaseInsensitive) != 0,
                 qPrintable(normalRun.styleName));
        QCOMPARE(normalRun.qtArguments.size(), 1);
        QVERIFY(dialogs->shown().isEmpty());
    }

    // A file-size limit does not end the program in the middle of a write: the refused write
    // is reported like any other. The uninstall run writes the registry under the limit.
    void fileSizeLimitGivesTheRefusedWriteMessage() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit{16, 16};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(10);
            ScopedDialogs dialogs;
            dialogs->answerYesNo(true);
            run({"/uninstall"});
            const QStringList texts = dialogs->texts();
            const bool reported = std::any_of(texts.begin(), texts.end(), [](const QString& t) {
                return t.endsWith(" kann nicht geschrieben werden");
            });
            _exit(reported ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(!WIFSIGNALED(status),
                 qPrintable(QStringLiteral("ended by signal %1").arg(WTERMSIG(status))));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void normalRunGoesOnWhenRegistrationIsRefused() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        writeFile(folders.file("blocker"), "");
        Registry::setStorageFolder(folders.file("blocker/registry"));
        DesktopEntry::setApplicationsFolder(folders.file("blocker/applications"));
        ScopedDialogs dialogs;
        normalRun = NormalRun{};
        normalRun.watching = true;

        QCOMPARE(run({}), 0);
        normalRun.watching = false;
        QVERIFY(normalRun.sawMainWindow);
        // The registration says nothing; the update reminder, which cannot keep its settings,
        // shows the registry's error once, and the start goes on.
        QCOMPARE(dialogs->shown().size(), 1);
        QCOMPARE(dialogs->shown()[0].kind, ShownDialog::Kind::Message);
        QCOMPARE(dialogs->shown()[0].icon, MessageIcon::Error);
    }

    // Update only: the wizard is shown, then the program ends without its main window; the
    // wizard window goes with the run.
    void updateOnlyStartEndsWithoutTheMainWindow() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        // The program file, named like this test program, makes the folder a place for updates.
        const QString programName = QFileInfo("/proc/self/exe").canonicalFilePath();
        writeFile(folders.programFile(QFileInfo(programName).fileName()), "#!/bin/sh\n");
        Registry(RegistryRoot::LocalMachine).writeString(userKey, "OnlyUpdate", "");
        int shown = 0;
        TVelaUpdateFile::setWizardShowing([&shown](const WizardRequest&) {
            ++shown;
            return false;
        });
        normalRun = NormalRun{};
        normalRun.watching = true;

        QCOMPARE(run({}), 0);
        normalRun.watching = false;
        TVelaUpdateFile::setWizardShowing({});
        QCOMPARE(shown, 1);
        QVERIFY(!normalRun.sawMainWindow);
        QVERIFY(!UpdateWizardWindow());
        QVERIFY(!QFile::exists(ProgramFolder::settingsFilePath()));
    }

    void uninstallAnsweredNoChangesNothing() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        const auto before = snapshot(folders.root());
        ScopedDialogs dialogs;
        dialogs->answerYesNo(false);
        bool windowDuringQuestion = true;
        QString titleDuringQuestion;
        dialogs->setOnShown([&](const ShownDialog& shown) {
            if (shown.kind != ShownDialog::Kind::Question)
                return;
            windowDuringQuestion = !QApplication::topLevelWidgets().isEmpty();
            titleDuringQuestion = QCoreApplication::applicationName();
        });

        QCOMPARE(run({"/uninstall"}), 0);
        QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
        QCOMPARE(dialogs->shown().size(), 2);
        QCOMPARE(dialogs->shown()[0].kind, ShownDialog::Kind::Beep);
        const ShownDialog& asked = dialogs->shown()[1];
        QCOMPARE(asked.kind, ShownDialog::Kind::Question);
        QCOMPARE(asked.icon, MessageIcon::Warning);
        QCOMPARE(asked.text, question);
        QVERIFY(!windowDuringQuestion);
        QCOMPARE(titleDuringQuestion, QStringLiteral("Zensoria [Deinstallation]"));
        // Not even the entry in the list of installed programs was rewritten.
        QCOMPARE(snapshot(folders.root()), before);
    }

    void uninstallAnsweredYesRemovesTheProgramsTraces() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        ScopedDialogs dialogs;
        dialogs->answerYesNo(true);

        QCOMPARE(run({"/uninstall"}), 0);
        QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
        const Registry user(RegistryRoot::CurrentUser);
        QVERIFY(!user.keyExists(userKey));
        QCOMPARE(user.subKeys("Software\\Vela"), QStringList{"Pultex"});
        QVERIFY(!QFile::exists(folders.programFile("Settings.ini")));
        const Registry machine(RegistryRoot::LocalMachine);
        QVERIFY(!machine.keyExists(entryKey));
        QVERIFY(!QFile::exists(DesktopEntry::filePath("Zensoria")));
        // Left alone: data files, the help file, other entries and the per-machine key.
        QVERIFY(QFile::exists(folders.programFile("Noten.plx")));
        QVERIFY(QFile::exists(folders.programFile("Pultex.hlp")));
        QVERIFY(machine.keyExists(uninstallKey + "\\Other"));
        QCOMPARE(machine.readString(userKey, "Server"), QStringLiteral("update.example"));

        QCOMPARE(dialogs->shown().size(), 3);
        const ShownDialog& closing = dialogs->shown()[2];
        QCOMPARE(closing.kind, ShownDialog::Kind::Message);
        QCOMPARE(closing.icon, MessageIcon::Information);
        QCOMPARE(closing.caption, QStringLiteral("Deinstallation abgeschlossen"));
        QCOMPARE(closing.text, QStringLiteral("Die Zensoria wurde erfolgreich deinstalliert."));
    }

    // A Settings.ini that is a symbolic link to nothing is still the program's trace.
    void uninstallRemovesDanglingSettingsLink() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        const QString settings = folders.programFile("Settings.ini");
        QVERIFY(QFile::remove(settings));
        QVERIFY(QFile::link(folders.file("nirgends/Settings.ini"), settings));
        QVERIFY(QFileInfo(settings).isSymLink());
        ScopedDialogs dialogs;
        dialogs->answerYesNo(true);

        QCOMPARE(run({"/uninstall"}), 0);
        QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
        QVERIFY(!QFileInfo(settings).isSymLink());
        QVERIFY(!QFileInfo::exists(settings));
        QCOMPARE(dialogs->shown(ShownDialog::Kind::Message).size(), 1);
    }

    void uninstallTwiceShowsTheClosingMessageTwice() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        installAndUse(folders);
        ScopedDialogs dialogs;
        dialogs->answerYesNo(true);
        dialogs->answerYesNo(true);
        QCOMPARE(run({"/uninstall"}), 0);
        QCOMPARE(run({"/uninstall"}), 0);
        QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
        QCOMPARE(dialogs->texts(),
                 (QStringList{question, "Die Zensoria wurde erfolgreich deinstalliert.", question,
                              "Die Zensoria wurde erfolgreich deinstalliert."}));
        QCOMPARE(dialogs->beeps(), 2);
    }

    void refusedRemovalIsReportedAndTheRunEnds() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        registerOldPlace();
        // A registry that cannot be written and a Settings.ini that cannot be deleted.
        writeFile(folders.file("blocker"), "");
        Registry::setStorageFolder(folders.file("blocker/registry"));
        writeFile(folders.programFile("Settings.ini/inside"), "x");
        ScopedDialogs dialogs;
        dialogs->answerYesNo(true);

        QCOMPARE(run({"/uninstall"}), 0);
        QVERIFY2(dialogs->problems().isEmpty(), qPrintable(dialogs->problems()));
        const QList<ShownDialog> messages = dialogs->shown(ShownDialog::Kind::Message);
        QVERIFY(messages.size() >= 3);
        for (qsizetype i = 0; i + 1 < messages.size(); ++i) {
            QCOMPARE(messages[i].icon, MessageIcon::Error);
            QCOMPARE(messages[i].caption, QStringLiteral("Zensoria [Deinstallation]"));
        }
        QVERIFY(messages[0].text.endsWith(" kann nicht geschrieben werden"));
        QVERIFY(dialogs->texts().contains(QStringLiteral("Die Datei %1 kann nicht gelöscht werden.")
                                              .arg(folders.programFile("Settings.ini"))));
        QCOMPARE(messages.last().caption, QStringLiteral("Deinstallation abgeschlossen"));
        // The desktop entry went even though its registry twin could not.
        QVERIFY(!QFile::exists(DesktopEntry::filePath("Zensoria")));
    }
};

QTEST_APPLESS_MAIN(TestProgramEntry)
#include "tst_programentry.moc"
