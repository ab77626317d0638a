#include "platform/localeformats.h"
#include "platform/programfolder.h"

#include <QTest>

// The formats the program takes from the locale, with its three corrections.
class TestLocaleFormats : public QObject {
    Q_OBJECT

private slots:
    void cLocaleCountsAsGerman() {
        const LocaleFormats formats{QLocale::c()};
        QCOMPARE(formats.locale().language(), QLocale::German);
        QCOMPARE(formats.shortDateFormat(), "dd.MM.yyyy");
        QCOMPARE(formats.longTimeFormat(), "HH:mm:ss");
        QCOMPARE(formats.decimalSeparator(), u',');
        QCOMPARE(formats.shortDateText(QDate(2002, 3, 12)), "12.03.2002");
    }

    void formats_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QChar>("decimal");
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "12.03.2002"
                               << "00:00:30" << QChar(u',');
        QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << "12.03.2002"
                               << "00:00:30" << QChar(u',');
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/12/2002"
                               << "12:00:30 AM" << QChar(u'.');
        QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "12/03/2002"
                               << "00:00:30" << QChar(u'.');
        QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << "12/03/2002"
                               << "00:00:30" << QChar(u',');
    }
    // Four-digit years (never 12.03.02) and times without a time zone, in every locale.
    void formats() {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QChar, decimal);
        const LocaleFormats formats(locale);
        QCOMPARE(formats.shortDateText(QDate(2002, 3, 12)), date);
        QCOMPARE(formats.parseShortDate(date), QDate(2002, 3, 12));
        QCOMPARE(formats.longTimeText(QTime(0, 0, 30)), time);
        QCOMPARE(formats.decimalSeparator(), decimal);
        QVERIFY(!formats.longTimeFormat().contains(u't'));
    }

    void parseShortDate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("four-digit year") << "12.03.2002" << QDate(2002, 3, 12);
        QTest::newRow("one-digit day and month") << "1.2.2003" << QDate(2003, 2, 1);
        QTest::newRow("blanks around") << " 12.03.2002 " << QDate(2002, 3, 12);
        QTest::newRow("year 1999") << "31.12.1999" << QDate(1999, 12, 31);
        QTest::newRow("no such day") << "31.02.2002" << QDate();
        QTest::newRow("month 13") << "01.13.2002" << QDate();
        QTest::newRow("ISO date") << "2002-03-12" << QDate();
        QTest::newRow("trailing text") << "12.03.2002x" << QDate();
        QTest::newRow("missing year") << "12.03." << QDate();
        QTest::newRow("three-digit day") << "120.03.2002" << QDate();
        QTest::newRow("empty") << "" << QDate();
    }
    void parseShortDate() {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        const LocaleFormats formats(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(formats.parseShortDate(text), date);
    }

    // Two-digit years lie within fifty years of the program's today.
    void twoDigitYearsFollowToday() {
        const LocaleFormats formats(QLocale(QLocale::German, QLocale::Germany));
        Clock::setToday(QDate(2090, 6, 1));
        QCOMPARE(formats.parseShortDate("1.1.30"), QDate(2130, 1, 1));
        QCOMPARE(formats.parseShortDate("1.1.45"), QDate(2045, 1, 1));
        Clock::setToday(QDate(2002, 6, 1));
        QCOMPARE(formats.parseShortDate("1.1.30"), QDate(2030, 1, 1));
        QCOMPARE(formats.parseShortDate("1.1.60"), QDate(1960, 1, 1));
        Clock::setToday(QDate());
    }

    void collationIgnoresCase() {
        const LocaleFormats formats(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(formats.compare("Mathe", "MATHE"), 0);
        QVERIFY(formats.compare("apfel", "Birne") < 0);
        QVERIFY(formats.compare(QString::fromUtf8("Äpfel"), "Birne") < 0);
        QVERIFY(formats.compare("Zeichnen", QString::fromUtf8("ärger")) > 0);
    }

    void currentCanBePinned() {
        LocaleFormats::setCurrent(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(LocaleFormats::current().shortDateText(QDate(2002, 3, 12)), "3/12/2002");
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(LocaleFormats::current().shortDateText(QDate(2002, 3, 12)), "12.03.2002");
    }
};

QTEST_GUILESS_MAIN(TestLocaleFormats)
#include "tst_localeformats.moc"
