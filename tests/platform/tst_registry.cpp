#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "platform/registry.h"
#include "support/testfiles.h"
#include "support/testfolders.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestRegistry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void valuesKeepTheirTypes() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        const QString key = QStringLiteral("Software\\Vela\\Zensoria");
        const QByteArray bytes("\x00\x01\xff\x7f\x00", 5);
        {
            Registry registry(RegistryRoot::CurrentUser);
            registry.writeString(key, QStringLiteral("Name"), QStringLiteral("Mädchen \"Ü\"\r\n"));
            registry.writeInteger(key, QStringLiteral("Count"), -2147483647 - 1);
            registry.writeBinary(key, QStringLiteral("Date"), bytes);
            registry.writeString(key, QStringLiteral("Empty"), QString());
        }
        // A new object reads what the file holds.
        const Registry registry(RegistryRoot::CurrentUser);
        QCOMPARE(registry.readString(key, QStringLiteral("Name")),
                 QStringLiteral("Mädchen \"Ü\"\r\n"));
        QCOMPARE(registry.readInteger(key, QStringLiteral("Count")), -2147483647 - 1);
        QCOMPARE(registry.readBinary(key, QStringLiteral("Date")), bytes);
        QVERIFY(registry.valueExists(key, QStringLiteral("Empty")));
        QCOMPARE(registry.readString(key, QStringLiteral("Empty")), QString());
        // A missing string value reads as the empty text.
        QVERIFY(!registry.valueExists(key, QStringLiteral("Missing")));
        QCOMPARE(registry.readString(key, QStringLiteral("Missing")), QString());
    }

    void readingAnotherTypeFails_data() {
        QTest::addColumn<QString>("stored"); // "string", "integer", "binary" or "" (missing)
        QTest::addColumn<QString>("read");
        QTest::newRow("string as integer") << "string"
                                           << "integer";
        QTest::newRow("string as binary") << "string"
                                          << "binary";
        QTest::newRow("integer as string") << "integer"
                                           << "string";
        QTest::newRow("integer as binary") << "integer"
                                           << "binary";
        QTest::newRow("binary as string") << "binary"
                                          << "string";
        QTest::newRow("binary as integer") << "binary"
                                           << "integer";
        QTest::newRow("missing integer") << ""
                                         << "integer";
        QTest::newRow("missing binary") << ""
                                        << "binary";
    }

    void readingAnotherTypeFails() {
        QFETCH(QString, stored);
        QFETCH(QString, read);
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::LocalMachine);
        const QString key = QStringLiteral("Software\\Vela\\Zensoria");
        const QString name = QStringLiteral("LastCheck");
        registry.createKey(key);
        if (stored == QLatin1String("string"))
            registry.writeString(key, name, QStringLiteral("12"));
        else if (stored == QLatin1String("integer"))
            registry.writeInteger(key, name, 12);
        else if (stored == QLatin1String("binary"))
            registry.writeBinary(key, name, QByteArray(8, '\0'));

        try {
            if (read == QLatin1String("string"))
                registry.readString(key, name);
            else if (read == QLatin1String("integer"))
                registry.readInteger(key, name);
            else
                registry.readBinary(key, name);
            QFAIL("no error raised");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("Ungültiger Datentyp für 'LastCheck'"));
        }
    }

    void writingChangesTheType() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::CurrentUser);
        registry.writeString(QStringLiteral("K"), QStringLiteral("V"), QStringLiteral("7"));
        registry.writeInteger(QStringLiteral("K"), QStringLiteral("V"), 7);
        QCOMPARE(registry.readInteger(QStringLiteral("K"), QStringLiteral("V")), 7);
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 registry.readString(QStringLiteral("K"), QStringLiteral("V")));
    }

    void namesIgnoreCase() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::CurrentUser);
        registry.writeInteger(QStringLiteral("Software\\Vela\\Zensoria"),
                              QStringLiteral("Interval"), 14);
        registry.writeInteger(QStringLiteral("SOFTWARE\\vela\\ZENSORIA\\"),
                              QStringLiteral("INTERVAL"), 30);
        QCOMPARE(registry.readInteger(QStringLiteral("\\software\\VELA\\zensoria"),
                                      QStringLiteral("interval")),
                 30);
        QVERIFY(registry.keyExists(QStringLiteral("software\\vela")));
        QVERIFY(registry.hasSubKey(QStringLiteral("Software\\Vela"), QStringLiteral("zensoria")));
        // One key and one value, under the spelling they were first written with.
        QCOMPARE(registry.subKeys(QStringLiteral("software")), QStringList{"Vela"});
        QCOMPARE(registry.subKeys(QStringLiteral("Software\\Vela")), QStringList{"Zensoria"});
        registry.deleteValue(QStringLiteral("software\\vela\\zensoria"),
                             QStringLiteral("interval"));
        QVERIFY(!registry.valueExists(QStringLiteral("Software\\Vela\\Zensoria"),
                                      QStringLiteral("Interval")));
    }

    void rootsAreSeparate() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry(RegistryRoot::LocalMachine).writeString("Software\\Vela", "Where", "machine");
        Registry(RegistryRoot::CurrentUser).writeString("Software\\Vela", "Where", "user");
        QCOMPARE(Registry(RegistryRoot::LocalMachine).readString("Software\\Vela", "Where"),
                 QStringLiteral("machine"));
        QCOMPARE(Registry(RegistryRoot::CurrentUser).readString("Software\\Vela", "Where"),
                 QStringLiteral("user"));
        Registry(RegistryRoot::CurrentUser).deleteKey("Software\\Vela");
        QVERIFY(Registry(RegistryRoot::LocalMachine).keyExists("Software\\Vela"));
    }

    void deleteKeyTakesEverythingBelow() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::CurrentUser);
        registry.writeString("Software\\Vela\\Zensoria\\Deep\\Deeper", "A", "1");
        registry.writeInteger("Software\\Vela\\Zensoria", "B", 2);
        registry.writeString("Software\\Vela\\Other", "C", "3");
        registry.writeString("Software\\Vela\\ZensoriaPlus", "D", "4");

        registry.deleteKey("software\\vela\\zensoria");
        QVERIFY(!registry.keyExists("Software\\Vela\\Zensoria"));
        QVERIFY(!registry.keyExists("Software\\Vela\\Zensoria\\Deep\\Deeper"));
        QCOMPARE(registry.subKeys("Software\\Vela"), (QStringList{"Other", "ZensoriaPlus"}));
        QCOMPARE(registry.readString("Software\\Vela\\Other", "C"), QStringLiteral("3"));

        // Deleting again, or a key below a missing one, is no error and changes nothing.
        const QByteArray before = storage(folders, "HKEY_CURRENT_USER.json");
        registry.deleteKey("Software\\Vela\\Zensoria");
        registry.deleteKey("Software\\Missing\\Key");
        QCOMPARE(storage(folders, "HKEY_CURRENT_USER.json"), before);
    }

    void createKeyCreatesParents() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::LocalMachine);
        QVERIFY(!registry.keyExists("A\\B\\C"));
        registry.createKey("A\\B\\C");
        QVERIFY(registry.keyExists("A"));
        QVERIFY(registry.keyExists("a\\b\\c"));
        QVERIFY(registry.subKeys("A\\B\\C").isEmpty());
        // Creating an existing key keeps its values.
        registry.writeInteger("A\\B", "N", 5);
        registry.createKey("A\\B");
        QCOMPARE(registry.readInteger("A\\B", "N"), 5);
    }

    void storageIsWrittenWhole() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::CurrentUser);
        for (int i = 0; i < 20; ++i)
            registry.writeInteger("Software\\Vela\\Zensoria", QStringLiteral("V%1").arg(i), i);
        // Only the storage file itself is left in the folder, no temporary copies.
        QCOMPARE(QDir(folders.registryFolder()).entryList(QDir::Files),
                 QStringList{"HKEY_CURRENT_USER.json"});
        QCOMPARE(registry.readInteger("Software\\Vela\\Zensoria", "V19"), 19);
    }

    void refusedWriteRaisesAndKeepsState() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::CurrentUser);
        registry.writeString("Software\\Vela", "Keep", "yes");
        // A storage folder that cannot be created (a file is in its way).
        QFile blocker(folders.file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Registry::setStorageFolder(folders.file("blocker/registry"));
        try {
            registry.writeString("Software\\Vela", "New", "no");
            QFAIL("no error raised");
        } catch (const AppError& error) {
            QVERIFY2(error.message().endsWith(QStringLiteral(" kann nicht geschrieben werden")),
                     qPrintable(error.message()));
        }
        Registry::setStorageFolder(folders.registryFolder());
        QCOMPARE(registry.readString("Software\\Vela", "Keep"), QStringLiteral("yes"));
        QVERIFY(!registry.valueExists("Software\\Vela", "New"));
    }

    // Writing what is already stored leaves the storage file alone (the program registers
    // itself at every start); a new value, an empty one included, is written.
    void unchangedValuesAreNotWrittenAgain() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        Registry registry(RegistryRoot::LocalMachine);
        const QString key = QStringLiteral("Software\\Vela");
        registry.writeString(key, "Name", "Zensoria");
        registry.writeInteger(key, "Count", 3);
        registry.writeBinary(key, "Date", QByteArray("\x01\x02", 2));
        const QString fileName = folders.file("registry/HKEY_LOCAL_MACHINE.json");
        QVERIFY(QFile(fileName).setPermissions(QFile::ReadOwner));
        // A read-only file refuses every write, so only a write that is not made succeeds.
        registry.writeString(key, "NAME", "Zensoria");
        registry.writeInteger(key, "Count", 3);
        registry.writeBinary(key, "Date", QByteArray("\x01\x02", 2));
        QVERIFY_THROWS_EXCEPTION(AppError, registry.writeString(key, "Name", "zensoria"));
        QVERIFY_THROWS_EXCEPTION(AppError, registry.writeString(key, "Count", "3"));
        QVERIFY_THROWS_EXCEPTION(AppError, registry.writeString(key, "Other", QString()));
        QVERIFY_THROWS_EXCEPTION(AppError, registry.writeString(key + "\\Neu", "Name", "Zensoria"));
        QVERIFY(QFile(fileName).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    }

    void damagedStorageIsKeptAside() {
        TestFolders folders;
        QVERIFY(folders.isValid());
        const QString fileName = folders.file("registry/HKEY_CURRENT_USER.json");
        QFile damaged(fileName);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("{ not json");
        damaged.close();
        Registry registry(RegistryRoot::CurrentUser);
        QVERIFY(!registry.keyExists("Software"));
        registry.writeString("Software\\Vela", "Fresh", "1");
        QCOMPARE(registry.readString("Software\\Vela", "Fresh"), QStringLiteral("1"));
        QCOMPARE(storage(folders, "HKEY_CURRENT_USER.json.damaged"), QByteArray("{ not json"));
    }

    void defaultStorageFolderIsTheSameForEveryRun() {
        Registry::setStorageFolder(QString());
        const QString before = Registry::storageFolder();
        QVERIFY(before.endsWith(QStringLiteral("/zensoria-registry")));
        // The application name changes between the normal and the uninstall run.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Zensoria [Deinstallation]"));
        QCOMPARE(Registry::storageFolder(), before);
        QCoreApplication::setApplicationName(name);
    }

private:
    static QByteArray storage(const TestFolders& folders, const char* name) {
        return readBytes(QDir(folders.registryFolder()).filePath(QString::fromLatin1(name)));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
