#include "gradedata/commalist.h"
#include "gradedata/inistore.h"
#include "gradedata/testlistmodel.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "stats/gradecolours.h"
#include "stats/numberformat.h"
#include "stats/ranking.h"
#include "stats/rankingrowpainter.h"
#include "stats/spokentext.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>

namespace {

// "2002-03-12,05,1,<lesson>,<counts>,<own>,\"\"".
QString item(const GradeCounts& c, const QString& own = QStringLiteral("0"), int lesson = 3) {
    return QStringLiteral("2002-03-12,05,1,%1,%2,%3,%4,%5,%6,%7,%8,\"\"")
        .arg(lesson)
        .arg(c[0])
        .arg(c[1])
        .arg(c[2])
        .arg(c[3])
        .arg(c[4])
        .arg(c[5])
        .arg(own);
}

// A data-file entry line for the test with the given counts.
QString entry(int number, const GradeCounts& c) {
    return QStringLiteral("5,%1,12.03.2002=\"3,%2,%3,%4,%5,%6,%7,0,\"\r\n")
        .arg(number)
        .arg(c[0])
        .arg(c[1])
        .arg(c[2])
        .arg(c[3])
        .arg(c[4])
        .arg(c[5]);
}

QString section(const QString& name, const QList<GradeCounts>& tests) {
    QString text = u'[' + name + QStringLiteral("]\r\n");
    for (int i = 0; i < tests.size(); ++i)
        text += entry(i + 1, tests.at(i));
    return text;
}

QStringList subjectsOf(const QStringList& entries) {
    QStringList names;
    for (const QString& e : entries)
        names << splitRankingEntry(e).subject;
    return names;
}

} // namespace

class TestStats : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void testAverage_data();
    void testAverage();
    void remainingSum();
    void formats_data();
    void formats();
    void formatsFollowTheLocale();
    void summaryMeans();
    void summaryOwnGrade_data();
    void summaryOwnGrade();
    void summaryWithoutParticipants();
    void summaryRefusesFaultyFields();
    void academicYear_data();
    void academicYear();
    void blendColour();
    void gradeColourTable();
    void rankingOrder();
    void rankingEqualToTenDecimals();
    void rankingKeepsNamesWhole();
    void rankingSkipsSubjectsWithoutFigures();
    void rankingFaultyValueKeepsEarlierEntries();
    void rankingReadsCountsHoweverWritten();
    void rankingShownAverage_data();
    void rankingShownAverage();
    void spokenTestRow_data();
    void spokenTestRow();
    void spokenRankingRow_data();
    void spokenRankingRow();
    void spokenAverageBar();

private:
    QTemporaryDir dir_;
    std::unique_ptr<IniStore> store(const QString& content);
};

std::unique_ptr<IniStore> TestStats::store(const QString& content) {
    static int n = 0;
    const QString name = dir_.filePath(QStringLiteral("noten%1.plx").arg(++n));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(name));
    file.close();
    return std::make_unique<IniStore>(name);
}

void TestStats::testAverage_data() {
    QTest::addColumn<GradeCounts>("counts");
    QTest::addColumn<qint64>("participants");
    QTest::addColumn<double>("average");
    QTest::addColumn<QString>("text");
    QTest::newRow("2,5,8,4,1,0") << GradeCounts{2, 5, 8, 4, 1, 0} << qint64(20) << 2.85 << "2,9";
    QTest::newRow("only grade 6") << GradeCounts{0, 0, 0, 0, 0, 3} << qint64(3) << 6.0 << "6";
    QTest::newRow("30 pupils, 2.0") << GradeCounts{0, 30, 0, 0, 0, 0} << qint64(30) << 2.0 << "2";
    QTest::newRow("huge counts do not overflow")
        << GradeCounts{INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX} << qint64(INT_MAX) * 6
        << 3.5 << "3,5";
}

void TestStats::testAverage() {
    QFETCH(GradeCounts, counts);
    QFETCH(qint64, participants);
    QFETCH(double, average);
    QFETCH(QString, text);
    QCOMPARE(Participants(counts), participants);
    const auto result = TestAverage(counts);
    QVERIFY(result.has_value());
    QVERIFY(std::fabs(double(*result) - average) < 1e-12);
    QCOMPARE(TestAverageText(counts), text);
}

void TestStats::remainingSum() {
    const QStringList fields =
        splitCommaList(QStringLiteral("2002-03-12,05,1,3,0,3,0,0,0,0,0,\"\""));
    QCOMPARE(RemainingSum(fields, 6, 8), qint64(1)); // 0, 0, 0
    QCOMPARE(RemainingSum(fields, 4, 6), qint64(3)); // 0, 3, 0
    QCOMPARE(RemainingSum(fields, 4, 9), qint64(3));
    QCOMPARE(RemainingSum(GradeCounts{1, 0, 0, 0, 0, 0}, 2, 6), qint64(1));
    QCOMPARE(RemainingSum(std::array<long double, 6>{0, 0, 0, 0, 0, 0}, 1, 6), 1.0L);
    QCOMPARE(RemainingSum(std::array<long double, 6>{0, 0.5L, 0.25L, 0, 0, 0}, 2, 6), 0.75L);

    const QStringList faulty = splitCommaList(QStringLiteral("2002-03-12,05,1,3,x1,3,0,0,0,0,0"));
    try {
        RemainingSum(faulty, 4, 9);
        QFAIL("a field that is not an integer must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("'x1' ist kein gültiger Integerwert"));
    }
    // The test without participants, every zero count, is not a division by zero.
    QCOMPARE(TestAverage(GradeCounts{}), std::nullopt);
    QCOMPARE(TestAverageText(GradeCounts{}), NoAverageText);
}

void TestStats::formats_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("2.85") << 2.85 << 1 << "2,9";
    QTest::newRow("2.25 half away from zero") << 2.25 << 1 << "2,3";
    QTest::newRow("2.35") << 2.35 << 1 << "2,4";
    QTest::newRow("3.0 without decimals") << 3.0 << 1 << "3";
    QTest::newRow("2.04 drops the zero") << 2.04 << 1 << "2";
    QTest::newRow("9.96 carries") << 9.96 << 1 << "10";
    QTest::newRow("0.05") << 0.05 << 1 << "0,1";
    QTest::newRow("small") << 0.0004 << 1 << "0";
    QTest::newRow("negative half") << -2.25 << 1 << "-2,3";
    QTest::newRow("negative to zero") << -0.01 << 1 << "0";
    QTest::newRow("2.3333333333 two places") << 2.3333333333 << 2 << "2,33";
    QTest::newRow("2.345 two places") << 2.345 << 2 << "2,35";
    QTest::newRow("2.5 two places") << 2.5 << 2 << "2,5";
    QTest::newRow("16.5") << 16.5 << 1 << "16,5";
}

void TestStats::formats() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(formatDecimal(value, decimals), text);
}

void TestStats::formatsFollowTheLocale() {
    QCOMPARE(formatDecimal(57.0L / 20.0L, 1), QStringLiteral("2,9"));
    QCOMPARE(ClassAverageText(2.5L), QStringLiteral("2,5000000000"));
    QCOMPARE(ClassAverageText(7.0L / 3.0L), QStringLiteral("2,3333333333"));
    QCOMPARE(ClassAverageText(3.0L), QStringLiteral("3,0000000000"));
    QCOMPARE(ClassAverageText(5.99999999999L), QStringLiteral("6,0000000000"));
    QCOMPARE(formatFixed(123456789.123456789L, 10, 16), QStringLiteral("123456789,1234568000"));
    QCOMPARE(formatDecimal(std::numeric_limits<long double>::quiet_NaN(), 1), QString());
    QCOMPARE(parseLocaleReal(QStringLiteral("2,5000000000")), 2.5L);
    QCOMPARE(parseLocaleReal(QStringLiteral("2,5x")), std::nullopt);
    // Plain texts of up to 15 digits give the double that the general reader gives.
    for (const char* text : {"2,3333333333", "0,1", "5,9999999999", "12345,678901234", "7"}) {
        QString c = QString::fromLatin1(text);
        QCOMPARE(parseLocaleReal(QString::fromLatin1(text)),
                 static_cast<long double>(QLocale::c().toDouble(c.replace(u',', u'.'))));
    }

    LocaleFormats::setCurrent(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(formatDecimal(2.85L, 1), QStringLiteral("2.9"));
    QCOMPARE(ClassAverageText(2.5L), QStringLiteral("2.5000000000"));
    QCOMPARE(shownClassAverage(QStringLiteral("2.3333333333")), QStringLiteral("2.33"));
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
}

void TestStats::summaryMeans() {
    QCOMPARE(computeSubjectSummary({}), std::nullopt);

    // Averages 2.0 (30 pupils) and 4.0 (2 pupils): each test weighs the same.
    const auto s = computeSubjectSummary({item({0, 30, 0, 0, 0, 0}, QStringLiteral("2"), 2),
                                          item({0, 0, 0, 2, 0, 0}, QStringLiteral("0"), 5)});
    QVERIFY(s.has_value());
    QCOMPARE(s->TestCount, 2);
    QCOMPARE(s->MeanAverage, 3.0L);
    QCOMPARE(s->MeanParticipants, 16.0L);
    QCOMPARE(s->MeanLesson, 3.5L);
    QCOMPARE(s->meanCount(2), 15.0L);
    QCOMPARE(s->meanCount(4), 1.0L);
    QCOMPARE(s->meanCount(1), 0.0L);
    // The test not taken counts towards every mean but not towards the own average.
    QCOMPARE(s->NotTaken, 1);
    QCOMPARE(s->OwnAverage, 2.0L);
    QCOMPARE(s->OwnGrade, 2);
}

void TestStats::summaryOwnGrade_data() {
    QTest::addColumn<QStringList>("owns");
    QTest::addColumn<double>("ownAverage");
    QTest::addColumn<int>("ownGrade");
    QTest::addColumn<int>("notTaken");
    QTest::newRow("2 and 3 give 2") << QStringList{"2", "3"} << 2.5 << 2 << 0;
    QTest::newRow("3 and 4 give 4") << QStringList{"3", "4"} << 3.5 << 4 << 0;
    QTest::newRow("2, 3, 3 give 3") << QStringList{"2", "3", "3"} << 8.0 / 3 << 3 << 0;
    QTest::newRow("0 stays out of the divisor") << QStringList{"0", "5"} << 5.0 << 5 << 1;
    QTest::newRow("all not taken") << QStringList{"0", "0"} << 0.0 << 0 << 2;
    QTest::newRow("grades outside 1 to 6 are left out")
        << QStringList{"9", "-1", "4"} << 4.0 << 4 << 0;
}

void TestStats::summaryOwnGrade() {
    QFETCH(QStringList, owns);
    QFETCH(double, ownAverage);
    QFETCH(int, ownGrade);
    QFETCH(int, notTaken);
    QStringList items;
    for (const QString& own : owns)
        items << item({1, 1, 1, 1, 1, 1}, own);
    const auto s = computeSubjectSummary(items);
    QVERIFY(s.has_value());
    QVERIFY(std::fabs(double(s->OwnAverage) - ownAverage) < 1e-12);
    QCOMPARE(s->OwnGrade, ownGrade);
    QCOMPARE(s->NotTaken, notTaken);
}

void TestStats::summaryWithoutParticipants() {
    // A hand-edited test with every count 0 is a test without participants and without average.
    auto s = computeSubjectSummary(
        {item({0, 0, 0, 0, 0, 0}), item({0, 0, 0, 4, 0, 0}, QStringLiteral("4"))});
    QVERIFY(s.has_value());
    QCOMPARE(s->TestCount, 2);
    QCOMPARE(s->MeanParticipants, 2.0L);
    QCOMPARE(s->meanCount(4), 2.0L);
    QCOMPARE(s->MeanAverage, 4.0L);

    s = computeSubjectSummary({item({0, 0, 0, 0, 0, 0}), item({0, 0, 0, 0, 0, 0})});
    QVERIFY(s.has_value());
    QCOMPARE(s->MeanAverage, std::nullopt);
    QCOMPARE(s->MeanParticipants, 0.0L);
    for (int g = 1; g <= 6; ++g)
        QVERIFY(std::isfinite(s->meanCount(g)));
}

void TestStats::summaryRefusesFaultyFields() {
    try {
        computeSubjectSummary({item({1, 1, 1, 1, 1, 1}), item({1, 1, 1, 1, 1, 1}, "x")});
        QFAIL("an own grade that is not an integer must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("'x' ist kein gültiger Integerwert"));
    }
}

void TestStats::academicYear_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("gradeLevel");
    QTest::addColumn<QString>("text");
    QTest::newRow("March") << QDate(2004, 3, 15) << "05"
                           << "5. Klasse (2003/2004)";
    QTest::newRow("1 August") << QDate(2003, 8, 1) << "07"
                              << "7. Klasse (2003/2004)";
    QTest::newRow("31 July") << QDate(2003, 7, 31) << "07"
                             << "7. Klasse (2002/2003)";
    QTest::newRow("31 December") << QDate(2003, 12, 31) << "12"
                                 << "12. Klasse (2003/2004)";
    QTest::newRow("no date") << QDate() << "12"
                             << "12. Klasse";
}

void TestStats::academicYear() {
    QFETCH(QDate, date);
    QFETCH(QString, gradeLevel);
    QFETCH(QString, text);
    QCOMPARE(gradeLevelText(gradeLevel, date), text);
}

void TestStats::blendColour() {
    const QColor from(0xFFFFD6), to(0xD6FFD6);
    QCOMPARE(BlendColour(from, to, 0, 195), from);
    QCOMPARE(BlendColour(from, to, 195, 195), to);
    // (0xD6 - 0xFF) * 1 / 195 is -0.2: truncated toward zero, not down to -1.
    QCOMPARE(BlendColour(from, to, 1, 195).red(), 255);
    QCOMPARE(BlendColour(from, to, 100, 195).red(), 255 - 4100 / 195);
    QCOMPARE(BlendColour(QColor(0, 0, 0), QColor(255, 255, 255), 1, 2), QColor(127, 127, 127));
    QCOMPARE(BlendColour(from, to, 5, 0), from);
}

void TestStats::gradeColourTable() {
    QCOMPARE(gradeBarColour(1), QColor(0x008000));
    QCOMPARE(gradeLabelColour(3), QColor(0xFFFFFF));
    QCOMPARE(gradeBarColour(5), QColor(0xFFB76F));
    QCOMPARE(gradeBarColour(6, false), QColor(0x606060));
    QCOMPARE(gradeLabelColour(5, false), QColor(0xFFFFFF));
    QCOMPARE(gradeBarColour(2, false), QColor(0xE9E9E9));
}

void TestStats::rankingOrder() {
    // Mathe and Englisch both average 2.0; Deutsch is better, Kunst worse.
    const auto ini =
        store(section("Mathe", {{0, 1, 0, 0, 0, 0}, {1, 0, 1, 0, 0, 0}}) +
              section("Englisch", {{0, 3, 0, 0, 0, 0}}) + section("Deutsch", {{1, 0, 0, 0, 0, 0}}) +
              section("Kunst", {{0, 0, 0, 5, 0, 0}}) + section("biologie", {{0, 0, 0, 5, 0, 0}}));
    const QStringList entries =
        BuildRankingEntries(*ini, {"Mathe", "Kunst", "Englisch", "biologie", "Deutsch"});
    QCOMPARE(subjectsOf(entries),
             (QStringList{"Deutsch", "Englisch", "Mathe", "biologie", "Kunst"}));
    const RankingFields mathe = splitRankingEntry(entries.at(2));
    QCOMPARE(mathe.average, QStringLiteral("2,0000000000"));
    QCOMPARE(mathe.testCount, QStringLiteral("2"));
    QCOMPARE(entries.at(0), QStringLiteral("\"1,0000000000\",Deutsch,1"));

    // Averages 2.0 (30 pupils) and 4.0 (2 pupils): class average 3.0, not the pooled 2.125.
    const auto weights = store(section("Physik", {{0, 30, 0, 0, 0, 0}, {0, 0, 0, 2, 0, 0}}));
    QCOMPARE(splitRankingEntry(BuildRankingEntries(*weights, {"Physik"}).value(0)).average,
             QStringLiteral("3,0000000000"));
}

void TestStats::rankingEqualToTenDecimals() {
    // Englisch lies 2.5e-11 above 2.0: different numbers, equal texts, so the names decide.
    QList<GradeCounts> englisch(19, GradeCounts{0, 1, 0, 0, 0, 0});
    englisch.append(GradeCounts{0, 1999999999, 1, 0, 0, 0});
    const auto ini = store(section("Mathe", {{0, 2, 0, 0, 0, 0}}) + section("Englisch", englisch));
    const QStringList entries = BuildRankingEntries(*ini, {"Mathe", "Englisch"});
    QCOMPARE(subjectsOf(entries), (QStringList{"Englisch", "Mathe"}));
    QCOMPARE(splitRankingEntry(entries.at(0)).average, QStringLiteral("2,0000000000"));
    QCOMPARE(splitRankingEntry(entries.at(0)).testCount, QStringLiteral("20"));
    QVERIFY(rankingEntryLess(entries.at(0), entries.at(1)));
    QVERIFY(!rankingEntryLess(entries.at(1), entries.at(0)));
}

void TestStats::rankingKeepsNamesWhole() {
    const auto ini = store(section("Bildende Kunst", {{0, 1, 0, 0, 0, 0}}) +
                           section("Sport, Spiel", {{0, 0, 1, 0, 0, 0}}) +
                           section("Musik \"alt\"", {{0, 0, 0, 1, 0, 0}}));
    const QStringList entries =
        BuildRankingEntries(*ini, {"Sport, Spiel", "Musik \"alt\"", "Bildende Kunst"});
    QCOMPARE(subjectsOf(entries), (QStringList{"Bildende Kunst", "Sport, Spiel", "Musik \"alt\""}));
    QCOMPARE(splitRankingEntry(entries.at(1)).testCount, QStringLiteral("1"));
    QCOMPARE(splitRankingEntry(entries.at(2)).average, QStringLiteral("4,0000000000"));
}

void TestStats::rankingSkipsSubjectsWithoutFigures() {
    const auto empty = store(QStringLiteral("[Mathe]\r\n\r\n[Deutsch]\r\n"));
    QCOMPARE(BuildRankingEntries(*empty, {"Mathe", "Deutsch", "Latein"}), QStringList());

    // Tests without participants are left out of the class average; a subject that has only
    // such tests has no class average and no entry.
    const auto zero = store(section("Mathe", {{0, 0, 0, 0, 0, 0}, {0, 0, 4, 0, 0, 0}}) +
                            section("Chemie", {{0, 0, 0, 0, 0, 0}}));
    const QStringList entries = BuildRankingEntries(*zero, {"Mathe", "Chemie"});
    QCOMPARE(entries, QStringList{QStringLiteral("\"3,0000000000\",Mathe,2")});
}

void TestStats::rankingFaultyValueKeepsEarlierEntries() {
    const auto ini = store(section("Deutsch", {{1, 0, 0, 0, 0, 0}}) +
                           QStringLiteral("[Mathe]\r\n5,1,12.03.2002=\"3,1,x,0,0,0,0,0,\"\r\n") +
                           QStringLiteral("[Latein]\r\n5,1,12.03.2002=\"3,1,2\"\r\n"));
    QStringList entries;
    try {
        BuildRankingEntries(*ini, {"Deutsch", "Mathe"}, entries);
        QFAIL("a count that is not an integer must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("'x' ist kein gültiger Integerwert"));
    }
    QCOMPARE(subjectsOf(entries), QStringList{"Deutsch"});
    try {
        BuildRankingEntries(*ini, {"Latein"});
        QFAIL("a value with too few fields must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("Listenindex überschreitet das Maximum (3)"));
    }
}

// The counts as the program writes them and the same counts written by hand (blanks, signs,
// leading zeros, quotes, a remark with commas and quotes) give the same average; a value that
// goes wrong only after the usual start raises the usual errors.
void TestStats::rankingReadsCountsHoweverWritten() {
    const QList<GradeCounts> counts = {
        {2, 5, 9, 7, 3, 1}, {0, 4, 10, 8, 3, 1}, {1, 2, 3, 4, 5, 6}, {1, 0, 0, 0, 0, 0}};
    const auto ini =
        store(section("Plain", counts) +
              QStringLiteral("[Written]\r\n"
                             "5,1,12.03.2002=\" 3 , 2,5 ,09,7,3,+1,0,\"\r\n"
                             "5,2,12.03.2002=3,0,4,10,8,3,1,2,\"Test, mit \"\"Zitat\"\"\"\r\n"
                             "5,3,12.03.2002=\"27\",1,\"2\",3,4,5,6\r\n"
                             "5,4,12.03.2002=3,0000000001,0,0,0,0,0,0,\r\n"
                             "[Short]\r\n5,1,12.03.2002=3,1,2,3,4,5\r\n"
                             "[Glued]\r\n5,1,12.03.2002=3,1,2,3,4,5,6x,0\r\n"
                             "[Huge]\r\n5,1,12.03.2002=3,99999999999,0,0,0,0,0,0,\r\n"));
    long double sum = 0;
    for (const GradeCounts& c : counts)
        sum += *TestAverage(c);
    const QString expected = ClassAverageText(sum / counts.size());

    const QStringList entries = BuildRankingEntries(*ini, {"Plain", "Written"});
    QCOMPARE(entries.size(), 2);
    for (const QString& e : entries) {
        QCOMPARE(splitRankingEntry(e).average, expected);
        QCOMPARE(splitRankingEntry(e).testCount, QStringLiteral("4"));
    }
    try {
        BuildRankingEntries(*ini, {"Short"});
        QFAIL("a value with six fields must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("Listenindex überschreitet das Maximum (6)"));
    }
    try {
        BuildRankingEntries(*ini, {"Glued"});
        QFAIL("a count with a letter must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("'6x' ist kein gültiger Integerwert"));
    }
    try {
        BuildRankingEntries(*ini, {"Huge"});
        QFAIL("a count beyond the integers must raise");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("'99999999999' ist kein gültiger Integerwert"));
    }
}

void TestStats::rankingShownAverage_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("2,5") << "2,5000000000"
                         << "2,5";
    QTest::newRow("2,33") << "2,3333333333"
                          << "2,33";
    QTest::newRow("3") << "3,0000000000"
                       << "3";
    QTest::newRow("half away from zero") << "2,3450000000"
                                         << "2,35";
    QTest::newRow("2,995") << "2,9950000000"
                           << "3";
    QTest::newRow("not a number") << "abc"
                                  << "abc";
}

void TestStats::rankingShownAverage() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(shownClassAverage(stored), shown);
    QCOMPARE(testCountText(QStringLiteral("1")), QStringLiteral("1 Arbeit"));
    QCOMPARE(testCountText(QStringLiteral("4")), QStringLiteral("4 Arbeiten"));
    QCOMPARE(testCountText(QStringLiteral("11")), QStringLiteral("11 Arbeiten"));
}

void TestStats::spokenTestRow_data() {
    QTest::addColumn<ClassTest>("test");
    QTest::addColumn<QString>("spoken");
    const auto test = [](int level, int number, QDate date, int lesson, GradeCounts counts, int own,
                         const QString& remark) {
        return ClassTest{level, number, date, lesson, counts, own, remark};
    };
    QTest::newRow("own grade and remark")
        << test(8, 1, QDate(2025, 11, 14), 3, {4, 7, 8, 4, 1, 1}, 3, "Bruchrechnung")
        << "8. Klasse, Arbeit 1, Freitag, 14. November 2025, 3. Stunde, 25 Teilnehmer, "
           "Durchschnitt 2,8, eigene Note 3, Bruchrechnung";
    QTest::newRow("not taken, no remark")
        << test(12, 3, QDate(2003, 3, 12), 10, {2, 5, 8, 4, 1, 0}, 0, QString())
        << "12. Klasse, Arbeit 3, Mittwoch, 12. März 2003, 10. Stunde, 20 Teilnehmer, "
           "Durchschnitt 2,9, nicht teilgenommen";
    QTest::newRow("whole average, remark with commas")
        << test(5, 2, QDate(2004, 3, 15), 1, {0, 0, 3, 0, 0, 0}, 6, "Lesen, Schreiben")
        << "5. Klasse, Arbeit 2, Montag, 15. März 2004, 1. Stunde, 3 Teilnehmer, "
           "Durchschnitt 3, eigene Note 6, Lesen, Schreiben";
    QTest::newRow("no participants, own grade out of range")
        << test(7, 1, QDate(2024, 1, 5), 2, {0, 0, 0, 0, 0, 0}, 9, QString())
        << "7. Klasse, Arbeit 1, Freitag, 5. Januar 2024, 2. Stunde, 0 Teilnehmer, "
           "kein Durchschnitt";
}

void TestStats::spokenTestRow() {
    QFETCH(ClassTest, test);
    QFETCH(QString, spoken);
    QCOMPARE(::spokenTestRow(test), spoken);
}

void TestStats::spokenRankingRow_data() {
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("shownAverage");
    QTest::addColumn<int>("tests");
    QTest::addColumn<int>("rank");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("first") << "Mathe"
                           << "3,02" << 2 << 1 << "Mathe, Rang 1, Durchschnitt 3,02, 2 Arbeiten";
    QTest::newRow("one test, a %1 in the name")
        << "Kunst %1 %2"
        << "2" << 1 << 12 << "Kunst %1 %2, Rang 12, Durchschnitt 2, 1 Arbeit";
}

void TestStats::spokenRankingRow() {
    QFETCH(QString, subject);
    QFETCH(QString, shownAverage);
    QFETCH(int, tests);
    QFETCH(int, rank);
    QFETCH(QString, spoken);
    RankedSubject entry;
    entry.averageText = ClassAverageText(3);
    entry.shownAverage = shownAverage;
    entry.subject = subject;
    entry.testCount = tests;
    QCOMPARE(::spokenRankingRow(entry, rank), spoken);
}

void TestStats::spokenAverageBar() {
    QCOMPARE(::spokenAverageBar(std::nullopt), QStringLiteral("Keine Arbeiten"));
    const auto summary = computeSubjectSummary(
        {"2002-03-12,05,2,3,2,5,8,4,1,0,2,\"\"", "2002-05-12,05,3,4,0,0,3,0,0,0,3,\"\""});
    QCOMPARE(::spokenAverageBar(summary),
             QStringLiteral("Durchschnitt aller Arbeiten 2,9, im Mittel 11,5 Teilnehmer, "
                            "Schulstunde im Mittel 3,5, eigene Note im Mittel 2,5"));
}

QTEST_GUILESS_MAIN(TestStats)
#include "tst_stats.moc"
