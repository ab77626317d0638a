#include "platform/datetime.h"
#include "platform/localeformats.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestDateTime : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void bothDirections_data() {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<double>("days");
        const auto at = [](int y, int m, int d, int h = 0, int min = 0, int s = 0) {
            return QDateTime(QDate(y, m, d), QTime(h, min, s));
        };
        QTest::newRow("day zero") << at(1899, 12, 30) << 0.0;
        QTest::newRow("next day") << at(1899, 12, 31) << 1.0;
        QTest::newRow("noon of day zero") << at(1899, 12, 30, 12) << 0.5;
        QTest::newRow("1 Jan 1900 18:00") << at(1900, 1, 1, 18) << 2.75;
        QTest::newRow("12 Mar 2002") << at(2002, 3, 12) << 37327.0;
        QTest::newRow("leap day 2024 06:00") << at(2024, 2, 29, 6) << 45351.25;
        QTest::newRow("day before day zero") << at(1899, 12, 29) << -1.0;
        // Before day zero the fraction still counts forward from that day's midnight.
        QTest::newRow("29 Dec 1899 06:00") << at(1899, 12, 29, 6) << -1.25;
        QTest::newRow("28 Dec 1899 18:00") << at(1899, 12, 28, 18) << -2.75;
        QTest::newRow("1 Jan 0001") << at(1, 1, 1) << -693593.0;
    }

    void bothDirections() {
        QFETCH(QDateTime, dateTime);
        QFETCH(double, days);
        QCOMPARE(daysSince1899(dateTime), days);
        QCOMPARE(dateTimeFromDays(days), dateTime);
    }

    void secondsSurviveTheRoundTrip() {
        const QDateTime moment(QDate(2003, 7, 14), QTime(23, 59, 59, 999));
        QCOMPARE(dateTimeFromDays(daysSince1899(moment)), moment);
        const QDateTime early(QDate(1850, 6, 1), QTime(0, 0, 1));
        QCOMPARE(dateTimeFromDays(daysSince1899(early)), early);
    }

    void fractionRoundingToAWholeDayIsNextMidnight() {
        QCOMPARE(dateTimeFromDays(0.9999999999), QDateTime(QDate(1899, 12, 31), QTime(0, 0)));
        QCOMPARE(dateTimeFromDays(-1.9999999999), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    }

    void unusableNumbersGiveNoDate_data() {
        QTest::addColumn<double>("days");
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("after 9999") << 2958466.0;
        QTest::newRow("before year 1") << -693594.0;
        QTest::newRow("huge") << 1e300;
    }

    void unusableNumbersGiveNoDate() {
        QFETCH(double, days);
        QVERIFY(!dateTimeFromDays(days).isValid());
    }

    void binaryForm() {
        // IEEE 754 double 1.0, little-endian.
        QCOMPARE(daysToBinary(1.0), QByteArray::fromHex("000000000000f03f"));
        QCOMPARE(daysFromBinary(QByteArray::fromHex("000000000000f03f")), std::optional(1.0));
        QCOMPARE(daysFromBinary(daysToBinary(37327.75)), std::optional(37327.75));
        QCOMPARE(daysFromBinary(daysToBinary(-1.25)), std::optional(-1.25));
        QVERIFY(!daysFromBinary(QByteArray(4, '\0')).has_value());
        QVERIFY(!daysFromBinary(QByteArray()).has_value());
    }
};

QTEST_GUILESS_MAIN(TestDateTime)
#include "tst_datetime.moc"
