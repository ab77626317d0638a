#include "gradedata/classtest.h"
#include "gradedata/commalist.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {} // namespace

// Test records, their key, value and list item texts, and loading a subject's tests.
class TestClassTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(dir_.isValid());
    }

    void entryLines_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("item");
        QTest::newRow("remark") << "5,2,12.03.2002"
                                << "\"3,2,5,8,6,3,1,3,Bruchrechnung\""
                                << "2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\"";
        QTest::newRow("remark with blank")
            << "5,3,20.06.2002"
            << "\"1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"\""
            << "2002-06-20,05,3,1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"";
        QTest::newRow("no remark, not taken part") << "6,1,15.09.2002"
                                                   << "\"2,1,3,9,8,4,0,0,\""
                                                   << "2002-09-15,06,1,2,1,3,9,8,4,0,0,\"\"";
        QTest::newRow("two-digit grade level")
            << "12,10,01.02.2010"
            << "\"10,0,0,1,0,0,0,3,\"Analysis, Teil 1\"\""
            << "2010-02-01,12,10,10,0,0,1,0,0,0,3,\"Analysis, Teil 1\"";
    }
    // An entry line of the data file goes into a list item and back, byte for byte.
    void entryLines() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, item);
        const QString fileName = file("eintrag.plx");
        const QByteArray line = (key + u'=' + value + "\r\n").toUtf8();
        QVERIFY(writeBytes(fileName, "[Mathe]\r\n" + line));

        QStringList items;
        {
            IniStore store(fileName);
            LoadSubjectTests(store, "Mathe", items);
        }
        QCOMPARE(items, QStringList{item});

        const ClassTest test = classTestFromListItem(item);
        QCOMPARE(TestListItem(test), item);
        QCOMPARE(TestKey(test), key);
        QCOMPARE(TestValue(test), value);
        QCOMPARE(testKeyFromListItem(item), key);
        QCOMPARE(testValueFromListItem(item), value);
        QCOMPARE(splitCommaList(item).size(), ItemField::Count);

        QFile::remove(fileName);
        IniStore store(fileName);
        store.WriteString("Mathe", testKeyFromListItem(item), testValueFromListItem(item));
        QCOMPARE(readBytes(fileName), "[Mathe]\r\n" + line);
    }

    // Keys and values written by hand may carry leading zeros and blanks.
    void handWrittenEntry() {
        const ClassTest test = readClassTest("05,2,12.03.2002", "03, 2,5,8,6,3,1,03,Bruchrechnung");
        QCOMPARE(test.gradeLevel, 5);
        QCOMPARE(test.lesson, 3);
        QCOMPARE(test.ownGrade, 3);
        QCOMPARE(test.date, QDate(2002, 3, 12));
        const QString item = TestListItem(test);
        QCOMPARE(item, "2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\"");
        QCOMPARE(testKeyFromListItem(item), "5,2,12.03.2002");
        QCOMPARE(readClassTest("5,2,12.3.2002", "3,2,5,8,6,3,1,3,").date, QDate(2002, 3, 12));
    }

    // A test whose key was written by hand is found under that key, whatever its spelling;
    // keys that do not read as a test are passed over.
    void storedKeyOfHandWrittenEntry() {
        const QString fileName = file("handschrift.plx");
        QVERIFY(writeBytes(
            fileName,
            "[Mathe]\r\nx,2,1.3.2002=\"1\"\r\n05,02,1.3.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
            "5,3,01.03.2002=\"3,1,1,1,1,1,1,1,\"\r\n7,1,2.3.02=\"1,1,1,1,1,1,1,1,\"\r\n"));
        const IniStore store(fileName);
        const QString item = TestListItem(readClassTest("05,02,1.3.2002", "3,2,5,8,6,3,1,3,"));
        QCOMPARE(storedTestKey(store, "Mathe", item), "05,02,1.3.2002");
        QCOMPARE(findStoredTestKey(store, "mathe", 7, 1, QDate(2002, 3, 2)), "7,1,2.3.02");
        QCOMPARE(findStoredTestKey(store, "Mathe", 5, 3, QDate(2002, 3, 1)), "5,3,01.03.2002");
        QCOMPARE(findStoredTestKey(store, "Mathe", 5, 4, QDate(2002, 3, 1)), std::nullopt);
        QCOMPARE(findStoredTestKey(store, "Physik", 5, 2, QDate(2002, 3, 1)), std::nullopt);
        // Without a stored key of that meaning, the key as the program writes it.
        const QString other = TestListItem(readClassTest("6,1,01.03.2002", "3,2,5,8,6,3,1,3,"));
        QCOMPARE(storedTestKey(store, "Mathe", other), "6,1,01.03.2002");
    }

    // A remark with a double quote (only possible by editing the file) still gives an item of
    // twelve fields, and the quote comes back.
    void remarkWithQuote() {
        const ClassTest test =
            readClassTest("5,2,12.03.2002", "3,2,5,8,6,3,1,3,\"sagte \"\"x\"\"\"");
        QCOMPARE(test.remark, "sagte \"x\"");
        const QString item = TestListItem(test);
        QCOMPARE(splitCommaList(item).size(), ItemField::Count);
        QCOMPARE(classTestFromListItem(item).remark, test.remark);
        QCOMPARE(testValueFromListItem(item), TestValue(test));
    }

    void defaultValue() {
        const ClassTest test = readClassTest("5,1,01.09.2002", DefaultTestValue);
        QCOMPARE(test.lesson, 1);
        QCOMPARE(test.counts, (GradeCounts{1, 1, 1, 1, 1, 1}));
        QCOMPARE(test.ownGrade, 1);
        QCOMPARE(test.remark, "");
    }

    // Entries spelled otherwise than the program writes them are read by the same rules as
    // those it writes, field by field: the test as its list item, or the error.
    void oddEntries_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("message");
        const QString key = "5,2,12.03.2002";
        const QString counts = "3,2,5,8,6,3,1,3,";
        const auto test = [](const char* name, const QString& key, const QString& value,
                             const QString& item) {
            QTest::newRow(name) << key << value << item << QString();
        };
        const auto fault = [](const char* name, const QString& key, const QString& value,
                              const QString& message) {
            QTest::newRow(name) << key << value << QString() << message;
        };
        const QString plain = "2002-03-12,05,2,3,2,5,8,6,3,1,3,";
        test("blanks between fields", "5 , 2,  12.03.2002", "3, 2 ,5,8,6,3,1,3, x",
             plain + "\"x\"");
        test("leading blanks", " 5,2,12.03.2002", " " + counts + "x", plain + "\"x\"");
        test("signs", "+5,-2,12.03.2002", "+3,2,5,8,6,3,1,-3,",
             "2002-03-12,05,-2,3,2,5,8,6,3,1,-3,\"\"");
        test("leading zeros", "0005,02,12.03.2002", "03,0000000002,5,8,6,3,1,3,", plain + "\"\"");
        test("nine digits", "123456789,2,12.03.2002", counts,
             "2002-03-12,123456789,2,3,2,5,8,6,3,1,3,\"\"");
        test("largest integer", "2147483647,2,12.03.2002", counts,
             "2002-03-12,2147483647,2,3,2,5,8,6,3,1,3,\"\"");
        fault("overflow", "5,2,12.03.2002", "3,2,5,2147483648,6,3,1,3,",
              "'2147483648' ist kein gültiger Integerwert");
        fault("arabic-indic digit", "5,2,12.03.2002", "3,2,5,\u0668,6,3,1,3,",
              "'\u0668' ist kein gültiger Integerwert");
        fault("fullwidth digit", "\uFF15,2,12.03.2002", counts,
              "'\uFF15' ist kein gültiger Integerwert");
        fault("empty count", key, "3,2,,8,6,3,1,3,", "'' ist kein gültiger Integerwert");
        fault("arabic-indic date", "5,2,\u0661.03.2002", counts,
              "'\u0661.03.2002' ist kein gültiges Datum");
        fault("empty date", "5,2,", counts, "'' ist kein gültiges Datum");
        test("quoted date", "5,2,\"12.03.2002\"", counts, plain + "\"\"");
        test("date with a no-break space", "5,2,12.03.2002\u00A0", counts, plain + "\"\"");
        test("more key fields", "5,2,12.03.2002,x", counts, plain + "\"\"");
        test("quoted remark with comma", key, counts + "\"a, b\"", plain + "\"a, b\"");
        test("quoted empty remark", key, counts + "\"\"", plain + "\"\"");
        test("unclosed quote", key, counts + "\"a b", plain + "\"a b\"");
        test("doubled quote", key, counts + "\"a\"\"b\"", plain + "\"a\"\"b\"");
        test("text after the quotes", key, counts + "\"a\"b", plain + "\"a\"");
        test("quote inside a remark", key, counts + "a\"b", plain + "\"a\"\"b\"");
        test("remark up to a blank", key, counts + "a b", plain + "\"a\"");
        test("remark up to a comma", key, counts + "a,b", plain + "\"a\"");
        fault("blanks alone after the comma", key, counts + "  ",
              "Listenindex überschreitet das Maximum (8)");
        test("longest remark", key, counts + QString(MaxRemarkLength, u'x'),
             plain + u'"' + QString(MaxRemarkLength, u'x') + u'"');
        fault("remark too long", key, counts + "\"" + QString(MaxRemarkLength + 1, u'x') + "\"",
              "Die Bemerkung des Tests 5,2,12.03.2002 ist mit 32768 Zeichen zu lang; höchstens "
              "32767 Zeichen sind möglich.");
    }
    void oddEntries() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, item);
        QFETCH(QString, message);
        try {
            QCOMPARE(TestListItem(readClassTest(key, value)), item);
            QVERIFY(message.isEmpty());
        } catch (const AppError& error) {
            QCOMPARE(error.message(), message);
        }
    }

    void faultyEntries_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("grade level not an integer") << "5a,2,12.03.2002"
                                                    << "3,2,5,8,6,3,1,3,"
                                                    << "'5a' ist kein gültiger Integerwert";
        QTest::newRow("count not an integer") << "5,2,12.03.2002"
                                              << "3,2,5,x,6,3,1,3,"
                                              << "'x' ist kein gültiger Integerwert";
        QTest::newRow("bad date") << "5,2,31.02.2002"
                                  << "3,2,5,8,6,3,1,3,"
                                  << "'31.02.2002' ist kein gültiges Datum";
        QTest::newRow("two-part key") << "5,2"
                                      << "3,2,5,8,6,3,1,3,"
                                      << "Listenindex überschreitet das Maximum (2)";
        QTest::newRow("value without remark field") << "5,2,12.03.2002"
                                                    << "3,2,5,8,6,3,1,3"
                                                    << "Listenindex überschreitet das Maximum (8)";
        QTest::newRow("empty value") << "5,2,12.03.2002"
                                     << ""
                                     << "Listenindex überschreitet das Maximum (0)";
        // The integers come first: a bad count is reported even when the date is bad too.
        QTest::newRow("integer before date") << "5,2,xx"
                                             << "3,2,5,8,6,3,1,y,"
                                             << "'y' ist kein gültiger Integerwert";
    }
    void faultyEntries() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, message);
        try {
            readClassTest(key, value);
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), message);
        }
    }

    // A faulty entry stops the loading; the entries before it stay, the file is unchanged.
    void loadStopsAtFaultyEntry_data() {
        QTest::addColumn<QByteArray>("faulty");
        QTest::addColumn<QString>("message");
        QTest::newRow("not an integer") << QByteArray("7,x,01.01.2003=\"1,1,1,1,1,1,1,1,\"")
                                        << "'x' ist kein gültiger Integerwert";
        QTest::newRow("bad date") << QByteArray("7,1,2003-01-01=\"1,1,1,1,1,1,1,1,\"")
                                  << "'2003-01-01' ist kein gültiges Datum";
        QTest::newRow("too few fields") << QByteArray("7,1,01.01.2003=\"1,1,1\"")
                                        << "Listenindex überschreitet das Maximum (3)";
    }
    void loadStopsAtFaultyEntry() {
        QFETCH(QByteArray, faulty);
        QFETCH(QString, message);
        const QString fileName = file("fehler.plx");
        const QByteArray bytes = "[Mathe]\r\n"
                                 "6,1,15.09.2002=\"2,1,3,9,8,4,0,0,\"\r\n"
                                 "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"\r\n" +
                                 faulty +
                                 "\r\n"
                                 "5,1,01.02.2002=\"3,2,5,8,6,3,1,3,\"\r\n";
        QVERIFY(writeBytes(fileName, bytes));
        IniStore store(fileName);
        QStringList items;
        try {
            LoadSubjectTests(store, "mathe", items);
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), message);
        }
        QCOMPARE(items, (QStringList{"2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\"",
                                     "2002-09-15,06,1,2,1,3,9,8,4,0,0,\"\""}));
        QCOMPARE(readBytes(fileName), bytes);
    }

    // The list runs by date, then grade level, then number compared as text, whatever the
    // order of the entries in the file.
    void sortOrder() {
        const QString fileName = file("sortierung.plx");
        QVERIFY(writeBytes(fileName, "[Deutsch]\r\n"
                                     "12,1,12.03.2002=\"1,1,0,0,0,0,0,1,\"\r\n"
                                     "5,2,12.03.2002=\"1,1,0,0,0,0,0,1,\"\r\n"
                                     "6,1,01.01.2001=\"1,1,0,0,0,0,0,1,\"\r\n"
                                     "5,10,12.03.2002=\"1,1,0,0,0,0,0,1,\"\r\n"
                                     "5,1,13.03.2002=\"1,1,0,0,0,0,0,1,\"\r\n"
                                     "7,1,31.12.2001=\"1,1,0,0,0,0,0,1,\"\r\n"));
        IniStore store(fileName);
        QStringList items;
        LoadSubjectTests(store, "Deutsch", items);
        QStringList heads;
        for (const QString& item : items)
            heads.append(item.section(u',', 0, 2));
        QCOMPARE(heads, (QStringList{"2001-01-01,06,1", "2001-12-31,07,1", "2002-03-12,05,10",
                                     "2002-03-12,05,2", "2002-03-12,12,1", "2002-03-13,05,1"}));
    }

    void insertSortedIgnoresCase() {
        QStringList items;
        QCOMPARE(insertSorted(items, "2002-03-12,05,1,1,1,0,0,0,0,0,1,\"b\""), 0);
        QCOMPARE(insertSorted(items, "2002-03-12,05,1,1,1,0,0,0,0,0,1,\"C\""), 1);
        QCOMPARE(insertSorted(items, "2002-03-12,05,1,1,1,0,0,0,0,0,1,\"a\""), 0);
        QCOMPARE(insertSorted(items, "2002-03-12,05,1,1,1,0,0,0,0,0,1,\"B\""), 2);
        QCOMPARE(insertSorted(items, "2001-03-12,05,1,1,1,0,0,0,0,0,1,\"z\""), 0);
        QVERIFY(testListLess("2002-03-12,05,1,1,1,0,0,0,0,0,1,\"a\"",
                             "2002-03-12,05,1,1,1,0,0,0,0,0,1,\"B\""));
    }

    void missingSubjectLoadsNothing() {
        const QString fileName = file("leer.plx");
        IniStore store(fileName);
        QStringList items;
        LoadSubjectTests(store, "Mathe", items);
        QVERIFY(items.isEmpty());
        QVERIFY(!QFile::exists(fileName));
    }
};

QTEST_GUILESS_MAIN(TestClassTest)
#include "tst_classtest.moc"
