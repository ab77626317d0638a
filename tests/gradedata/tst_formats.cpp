#include "gradedata/commalist.h"
#include "gradedata/datafilename.h"
#include "gradedata/formats.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Comma lists, number and date texts, and the rules for data file names.
class TestFormats : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void splitCommaList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty text") << "" << QStringList{};
        QTest::newRow("only blanks") << "  \t " << QStringList{};
        QTest::newRow("plain") << "3,2,5" << QStringList{"3", "2", "5"};
        QTest::newRow("blank ends a field") << "a b" << QStringList{"a", "b"};
        QTest::newRow("blanks around commas") << "  a ,  b  " << QStringList{"a", "b"};
        QTest::newRow("control character ends a field") << "a\tb\x01"
                                                           "c"
                                                        << QStringList{"a", "b", "c"};
        QTest::newRow("empty field between commas") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("leading comma") << ",a" << QStringList{"", "a"};
        QTest::newRow("trailing comma") << "a,b," << QStringList{"a", "b", ""};
        QTest::newRow("only a comma") << "," << QStringList{"", ""};
        QTest::newRow("comma then blank at the end") << "a, " << QStringList{"a"};
        QTest::newRow("quoted with blank and comma")
            << "1,\"Lineare Gleichungen, Teil 2\""
            << QStringList{"1", "Lineare Gleichungen, Teil 2"};
        QTest::newRow("doubled quote inside quotes")
            << "\"a \"\"b\"\" c\"" << QStringList{"a \"b\" c"};
        QTest::newRow("two double quotes are one empty field") << "\"\"" << QStringList{""};
        QTest::newRow("empty quoted remark at the end")
            << "1,1,1,1,1,1,1,1,\"\"" << QStringList{"1", "1", "1", "1", "1", "1", "1", "1", ""};
        QTest::newRow("text after closing quote starts a field")
            << "\"ab\"cd,e" << QStringList{"ab", "cd", "e"};
        QTest::newRow("unclosed quote runs to the end") << "a,\"b, c" << QStringList{"a", "b, c"};
        QTest::newRow("quote inside unquoted field") << "a\"b,c" << QStringList{"a\"b", "c"};
        QTest::newRow("umlauts and no-break space are field text")
            << QString::fromUtf8("Prüfung\u00a0Ä,x")
            << QStringList{QString::fromUtf8("Prüfung\u00a0Ä"), "x"};
    }
    void splitCommaList() {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        QCOMPARE(::splitCommaList(text), fields);
    }

    void joinCommaList_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("text");
        QTest::newRow("no fields") << QStringList{} << "";
        QTest::newRow("one empty field") << QStringList{""} << "\"\"";
        QTest::newRow("two empty fields") << QStringList{"", ""} << ",";
        QTest::newRow("plain") << QStringList{"3", "Bruchrechnung"} << "3,Bruchrechnung";
        QTest::newRow("empty last field") << QStringList{"0", ""} << "0,";
        QTest::newRow("blank") << QStringList{"Lineare Gleichungen"} << "\"Lineare Gleichungen\"";
        QTest::newRow("comma") << QStringList{"a,b"} << "\"a,b\"";
        QTest::newRow("quote doubled") << QStringList{"a\"b"} << "\"a\"\"b\"";
        QTest::newRow("control character") << QStringList{"a\tb"} << "\"a\tb\"";
        QTest::newRow("umlaut stays plain")
            << QStringList{QString::fromUtf8("Übung")} << QString::fromUtf8("Übung");
    }
    void joinCommaList() {
        QFETCH(QStringList, fields);
        QFETCH(QString, text);
        QCOMPARE(::joinCommaList(fields), text);
        // What is joined splits into the same fields again (the empty list aside, which has
        // no text of its own).
        if (!fields.isEmpty())
            QCOMPARE(::splitCommaList(text), fields);
    }

    void quoteField() {
        QCOMPARE(::quoteField(""), "\"\"");
        QCOMPARE(::quoteField("Bruchrechnung"), "\"Bruchrechnung\"");
        QCOMPARE(::quoteField("sagte \"nein\""), "\"sagte \"\"nein\"\"\"");
    }

    void readLenientInteger_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "12" << true << 12;
        QTest::newRow("leading zero") << "05" << true << 5;
        QTest::newRow("leading blanks") << "  \t7" << true << 7;
        QTest::newRow("plus") << "+3" << true << 3;
        QTest::newRow("minus") << "-3" << true << -3;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("many zeros") << "000000000000000042" << true << 42;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "  " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("trailing blank") << "5 " << false << 0;
        QTest::newRow("letter") << "05x" << false << 0;
        QTest::newRow("decimal") << "2,5" << false << 0;
        QTest::newRow("hex") << "0x1F" << false << 0;
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("too small") << "-2147483649" << false << 0;
        QTest::newRow("far too large") << "99999999999999999999" << false << 0;
        QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0665") << false << 0;
    }
    void readLenientInteger() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<int> read = ::readLenientInteger(text);
        QCOMPARE(read.has_value(), valid);
        if (valid)
            QCOMPARE(*read, value);
    }

    void conversionErrors() {
        try {
            toInteger("05x");
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QString::fromUtf8("'05x' ist kein gültiger Integerwert"));
        }
        try {
            NumberText("", false);
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QString::fromUtf8("'' ist kein gültiger Integerwert"));
        }
        try {
            ParseShortDate("31.02.2002");
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QString::fromUtf8("'31.02.2002' ist kein gültiges Datum"));
        }
        try {
            ParseIsoDate("2002-13-01");
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QString::fromUtf8("'2002-13-01' ist kein gültiges Datum"));
        }
    }

    void numberTexts() {
        QCOMPARE(PadNumber(5, 2), "05");
        QCOMPARE(PadNumber(12, 2), "12");
        QCOMPARE(PadNumber(123, 2), "123");
        QCOMPARE(PadNumber(0, 2), "00");
        QCOMPARE(NumberText("05", false), "5");
        QCOMPARE(NumberText("05", true), "05");
        QCOMPARE(NumberText(" 7", true), "07");
        QCOMPARE(NumberText("12", true), "12");
    }

    void isoDates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("plain") << "2002-03-12" << QDate(2002, 3, 12);
        QTest::newRow("one-digit month and day") << "2002-3-9" << QDate(2002, 3, 9);
        QTest::newRow("leap day") << "2004-02-29" << QDate(2004, 2, 29);
        QTest::newRow("no leap day") << "2003-02-29" << QDate();
        QTest::newRow("short date") << "12.03.2002" << QDate();
        QTest::newRow("two-digit year") << "02-03-12" << QDate();
        QTest::newRow("missing day") << "2002-03" << QDate();
        QTest::newRow("trailing text") << "2002-03-12x" << QDate();
        QTest::newRow("empty") << "" << QDate();
        // A field with one digit too many is no date, even where the digits would make one.
        QTest::newRow("three-digit month") << "2002-003-01" << QDate();
        QTest::newRow("three-digit day") << "2002-03-012" << QDate();
        QTest::newRow("five-digit year") << "02002-03-01" << QDate();
    }
    void isoDates() {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        if (!date.isValid()) {
            QVERIFY_THROWS_EXCEPTION(AppError, ParseIsoDate(text));
            return;
        }
        QCOMPARE(ParseIsoDate(text), date);
        QCOMPARE(ParseIsoDate(FormatIsoDate(date)), date);
    }

    void isoDateText() {
        QCOMPARE(FormatIsoDate(QDate(2002, 3, 12)), "2002-03-12");
        QCOMPARE(FormatIsoDate(QDate(987, 1, 2)), "0987-01-02");
    }

    void shortDates() {
        QCOMPARE(ShortDateText(QDate(2002, 3, 12)), "12.03.2002");
        QCOMPARE(ParseShortDate("12.03.2002"), QDate(2002, 3, 12));
        QCOMPARE(ParseShortDate("12.3.2002"), QDate(2002, 3, 12));
        // Reading an ISO date must not have changed the short date format.
        ParseIsoDate("2002-03-12");
        QCOMPARE(ShortDateText(QDate(2002, 3, 12)), "12.03.2002");
        QVERIFY_THROWS_EXCEPTION(AppError, ParseShortDate("2002-03-12"));
        QVERIFY_THROWS_EXCEPTION(AppError, ParseShortDate("12.03.2002x"));
    }

    void dataFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("file in existing folder") << "%1/noten.plx" << true;
        QTest::newRow("missing file is fine") << "%1/neu.plx" << true;
        QTest::newRow("blank and umlaut") << QString::fromUtf8("%1/Noten Schüler.plx") << true;
        QTest::newRow("no folder part") << "noten.plx" << false;
        QTest::newRow("missing folder") << "%1/fehlt/noten.plx" << false;
        QTest::newRow("folder part is a file") << "%1/noten.plx/x.plx" << false;
        QTest::newRow("empty file name") << "%1/" << false;
        QTest::newRow("dot") << "%1/." << false;
        QTest::newRow("backslash") << "%1/a\\b.plx" << false;
        QTest::newRow("colon") << "%1/a:b.plx" << false;
        QTest::newRow("star") << "%1/*.plx" << false;
        QTest::newRow("question mark") << "%1/a?.plx" << false;
        QTest::newRow("double quote") << "%1/a\".plx" << false;
        QTest::newRow("less") << "%1/a<.plx" << false;
        QTest::newRow("greater") << "%1/a>.plx" << false;
        QTest::newRow("bar") << "%1/a|.plx" << false;
        QTest::newRow("root folder") << "/noten.plx" << true;
        QTest::newRow("empty") << "" << false;
    }
    void dataFileNames() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile existing(dir.filePath("noten.plx"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        if (name.contains("%1"))
            name = name.arg(dir.path());
        QCOMPARE(IsValidDataFileName(name), valid);
        QCOMPARE(InvalidFileNameChars, QString("\\/:*?\"<>|"));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
