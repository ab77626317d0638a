#include "platform/apperror.h"
#include "platform/installedprograms.h"
#include "platform/localeformats.h"
#include "platform/registry.h"
#include "support/testfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {
const QString uninstallKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
const QString entryKey = uninstallKey + QStringLiteral("\\Zensoria");

QString readText(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class TestInstalledPrograms : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void registerWritesTheRegistryEntry() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        RegisterUninstallEntry("Zensoria", "\"/opt/z/zensoria\" /uninstall", QString(), QString(),
                               false);
        const Registry registry(RegistryRoot::LocalMachine);
        QCOMPARE(registry.readString(entryKey, "DisplayName"), QStringLiteral("Zensoria"));
        QCOMPARE(registry.readString(entryKey, "UninstallString"),
                 QStringLiteral("\"/opt/z/zensoria\" /uninstall"));
        QVERIFY(!registry.valueExists(entryKey, "ModifyPath"));
        // Nothing goes below the current-user root.
        QVERIFY(!Registry(RegistryRoot::CurrentUser).keyExists("SOFTWARE"));
    }

    void laterRegistrationOverwrites() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        RegisterUninstallEntry("Zensoria", "\"/old/zensoria\" /uninstall", QString(), QString(),
                               false);
        // The program was moved and started again.
        RegisterUninstallEntry("Zensoria", "\"/new/zensoria\" /uninstall", QString(), QString(),
                               false);
        const Registry registry(RegistryRoot::LocalMachine);
        QCOMPARE(registry.readString(entryKey, "UninstallString"),
                 QStringLiteral("\"/new/zensoria\" /uninstall"));
        QCOMPARE(registry.subKeys(uninstallKey), QStringList{"Zensoria"});
    }

    void keyNameAndModifyCommand() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        RegisterUninstallEntry("Zensoria", "u", "m", "ZensoriaEntry", false);
        const Registry registry(RegistryRoot::LocalMachine);
        const QString key = uninstallKey + "\\ZensoriaEntry";
        QCOMPARE(registry.readString(key, "DisplayName"), QStringLiteral("Zensoria"));
        QCOMPARE(registry.readString(key, "ModifyPath"), QStringLiteral("m"));
        QVERIFY(!registry.keyExists(entryKey));
        QVERIFY(QFile::exists(DesktopEntry::filePath("ZensoriaEntry")));
        QVERIFY(DesktopEntry::filePath("ZensoriaEntry").contains("/zensoriaentry-"));
    }

    void desktopEntryStartsAndUninstalls() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        RegisterUninstallEntry("Zensoria", "unused", QString(), QString(), false);
        // Named so that it cannot hide a package's zensoria.desktop.
        const QString fileName = DesktopEntry::filePath("Zensoria");
        QVERIFY2(QRegularExpression("/applications/zensoria-[0-9a-f]{8}\\.desktop$")
                     .match(fileName)
                     .hasMatch(),
                 qPrintable(fileName));
        QCOMPARE(QFileInfo(fileName).path(), folders.applicationsFolder());
        const QStringList lines = readText(fileName).split('\n');
        const QString program = '"' + QCoreApplication::applicationFilePath() + '"';
        QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
        QVERIFY(lines.contains("Type=Application"));
        QVERIFY(lines.contains("Name=Zensoria"));
        QVERIFY(lines.indexOf("Icon=zensoria") > 0);
        QVERIFY(lines.indexOf("Icon=zensoria") < lines.indexOf("[Desktop Action uninstall]"));
        QVERIFY(lines.contains("Actions=uninstall;"));
        const qsizetype action = lines.indexOf("[Desktop Action uninstall]");
        QVERIFY(action > 0);
        // The program's own Exec line is in the main group, the uninstall command in the action.
        QCOMPARE(lines.indexOf("Exec=" + program), lines.indexOf(QRegularExpression("Exec=.*")));
        QVERIFY(lines.indexOf("Exec=" + program) < action);
        QVERIFY(lines.indexOf("Exec=" + program + " /uninstall") > action);
        QVERIFY(lines.indexOf("Name=Deinstallieren") > action);
    }

    void execArgumentsAreQuoted_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/opt/zensoria/zensoria"
                               << "\"/opt/zensoria/zensoria\"";
        QTest::newRow("blank") << "/home/a b/zensoria"
                               << "\"/home/a b/zensoria\"";
        // Inside the quotes ", `, $ and \ take a backslash; the value escape doubles each
        // backslash again.
        QTest::newRow("double quote") << "/a\"b"
                                      << "\"/a\\\\\"b\"";
        QTest::newRow("dollar") << "/a$b"
                                << "\"/a\\\\$b\"";
        QTest::newRow("backquote") << "/a`b"
                                   << "\"/a\\\\`b\"";
        QTest::newRow("backslash") << "/a\\b"
                                   << "\"/a\\\\\\\\b\"";
        QTest::newRow("percent") << "/100%/z"
                                 << "\"/100%%/z\"";
        QTest::newRow("umlaut and quote") << "/Schüler's/z"
                                          << "\"/Schüler's/z\"";
        QTest::newRow("line break") << "/a\nb"
                                    << "\"/a\\nb\"";
    }

    void execArgumentsAreQuoted() {
        QFETCH(QString, argument);
        QFETCH(QString, exec);
        QCOMPARE(DesktopEntry::execArgument(argument), exec);
    }

    void removeDeletesOnlyThisEntry() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::LocalMachine);
        registry.writeString(uninstallKey + "\\Other", "DisplayName", "Zensoria");
        RegisterUninstallEntry("Zensoria", "u", QString(), QString(), false);
        registry.writeString(entryKey + "\\Below", "X", "1");
        QFile other(QDir(folders.applicationsFolder()).filePath("other.desktop"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();

        RegisterUninstallEntry("Zensoria", "something else", "m", QString(), true);
        QVERIFY(!registry.keyExists(entryKey));
        QVERIFY(!QFile::exists(DesktopEntry::filePath("Zensoria")));
        // Entries are not matched by their display name.
        QCOMPARE(registry.readString(uninstallKey + "\\Other", "DisplayName"),
                 QStringLiteral("Zensoria"));
        QVERIFY(other.exists());

        // Removing again is no error.
        RegisterUninstallEntry("Zensoria", "u", QString(), QString(), true);
        QVERIFY(registry.keyExists(uninstallKey));
    }

    void refusedDesktopEntryStillWritesTheRegistry() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        // An applications folder that cannot be created (a file is in its way).
        QFile blocker(folders.file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        DesktopEntry::setApplicationsFolder(folders.file("blocker/applications"));
        QVERIFY_THROWS_EXCEPTION(
            AppError, RegisterUninstallEntry("Zensoria", "u", QString(), QString(), false));
        QCOMPARE(Registry(RegistryRoot::LocalMachine).readString(entryKey, "UninstallString"),
                 QStringLiteral("u"));
    }

    // Where a package's system-wide entry starts this program, the program registers nothing and
    // removes what earlier starts of it registered; elsewhere it registers beside the package.
    void packageEntryTakesPrecedence_data() {
        QTest::addColumn<QString>("packageExec"); // empty: no package's entry; "link": a bare name
        QTest::addColumn<QString>("legacyProgram");
        QTest::addColumn<bool>("packaged");
        const QString self = QCoreApplication::applicationFilePath();
        QTest::newRow("no package") << QString() << self << false;
        QTest::newRow("package starts this program") << '"' + self + '"' << self << true;
        QTest::newRow("package starts it through a link in bin") << "link" << self << true;
        QTest::newRow("package starts another program") << "\"/usr/bin/zensoria\" %U"
                                                        << "/opt/zensoria/zensoria" << false;
    }
    void packageEntryTakesPrecedence() {
        QFETCH(QString, packageExec);
        QFETCH(QString, legacyProgram);
        QFETCH(bool, packaged);
        TestFolders folders;
        QVERIFY(folders.isValid());
        // What earlier starts left: this program's entries, and one under the package's name.
        RegisterUninstallEntry("Zensoria", "u", QString(), QString(), false);
        const QString legacy = QDir(folders.applicationsFolder()).filePath("zensoria.desktop");
        QFile old(legacy);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(DesktopEntry::contents("Zensoria", legacyProgram));
        old.close();
        if (packageExec == u"link") {
            QVERIFY(QDir().mkpath(folders.file("system/bin")));
            QVERIFY(QFile::link(QCoreApplication::applicationFilePath(),
                                folders.file("system/bin/zensoria-test")));
            packageExec = QStringLiteral("zensoria-test");
        }
        if (!packageExec.isEmpty()) {
            QFile entry(folders.file("system/share/applications/zensoria.desktop"));
            QVERIFY(entry.open(QIODevice::WriteOnly));
            entry.write("[Desktop Entry]\nName=Zensoria\nExec=" + packageExec.toUtf8() +
                        "\n\n[Desktop Action uninstall]\nExec=/bin/true\n");
        }

        RegisterUninstallEntry("Zensoria", "u", QString(), QString(), false);
        QCOMPARE(
            DesktopEntry::installedByPackage("Zensoria", QCoreApplication::applicationFilePath()),
            packaged);
        QCOMPARE(QFile::exists(DesktopEntry::filePath("Zensoria")), !packaged);
        QCOMPARE(Registry(RegistryRoot::LocalMachine).keyExists(entryKey), !packaged);
        // An entry of this program under the package's name is gone; one the user made for
        // another program stays.
        QCOMPARE(QFile::exists(legacy), legacyProgram != QCoreApplication::applicationFilePath());
        // The package's own entry is never touched.
        QCOMPARE(QFile::exists(folders.file("system/share/applications/zensoria.desktop")),
                 !packageExec.isEmpty());
    }

    void unchangedDesktopEntryIsNotRewritten() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        RegisterUninstallEntry("Zensoria", "u", QString(), QString(), false);
        const QString fileName = DesktopEntry::filePath("Zensoria");
        const QDateTime old = QDateTime::currentDateTime().addDays(-3);
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        RegisterUninstallEntry("Zensoria", "u", QString(), QString(), false);
        QCOMPARE(QFileInfo(fileName).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    }
};

QTEST_GUILESS_MAIN(TestInstalledPrograms)
#include "tst_installedprograms.moc"
