#include "support/classtests.h"

#include "gradedata/inistore.h"
#include "overview/neededgrade.h"
#include "overview/overviewtablemodel.h"
#include "overview/subjectoverview.h"
#include "platform/localeformats.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Two school years: 2022/2023 (tests until July 2023) and 2023/2024.
SubjectOverview twoYears() {
    using S = SubjectOverview::Subject;
    return SubjectOverview({
        S{QStringLiteral("Deutsch"),
          {classTest(7, 1, QDate(2023, 7, 31), {0, 0, 1, 0, 0, 0}, 2),
           classTest(8, 1, QDate(2023, 8, 1), {0, 1, 0, 0, 0, 0}, 4),
           classTest(8, 2, QDate(2024, 2, 1), {0, 0, 0, 1, 0, 0}, 0)}},
        S{QStringLiteral("Mathematik"),
          {classTest(8, 1, QDate(2023, 9, 1), {1, 1, 0, 0, 0, 0}, 1),
           classTest(8, 2, QDate(2023, 11, 1), {0, 0, 0, 0, 0, 0}, 2)}},
        S{QStringLiteral("Sport"), {classTest(7, 1, QDate(2023, 3, 1), {0, 0, 0, 0, 1, 1}, 0)}},
    });
}

OverviewRow rowOf(const QList<OverviewRow>& rows, const QString& subject) {
    for (const OverviewRow& row : rows) {
        if (row.subject == subject)
            return row;
    }
    return {};
}

} // namespace

class TestOverview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void schoolYears() {
        QCOMPARE(twoYears().schoolYears(), QList<int>({2022, 2023}));
        // Tests out of date order (only possible when built by hand) are each placed.
        const SubjectOverview unordered(
            {{QStringLiteral("Sport"),
              {classTest(8, 1, QDate(2024, 8, 1), {1, 0, 0, 0, 0, 0}, 0),
               classTest(7, 1, QDate(2023, 7, 31), {1, 0, 0, 0, 0, 0}, 0),
               classTest(8, 2, QDate(2024, 7, 31), {1, 0, 0, 0, 0, 0}, 0),
               classTest(8, 3, QDate(2023, 8, 1), {1, 0, 0, 0, 0, 0}, 0)}}});
        QCOMPARE(unordered.schoolYears(), QList<int>({2022, 2023, 2024}));
        QCOMPARE(unordered.testsOf(unordered.subjects().first(), 2023).size(), 2);
        QCOMPARE(schoolYearText(2023), QStringLiteral("2023/2024"));
        QCOMPARE(schoolYearText(std::nullopt), QStringLiteral("Alle Schuljahre"));
    }

    void rowsPerSchoolYear_data() {
        QTest::addColumn<int>("year"); // 0: all years
        QTest::addColumn<QString>("subject");
        QTest::addColumn<int>("tests");
        QTest::addColumn<QString>("classAverage");
        QTest::addColumn<QString>("ownAverage");
        QTest::addColumn<QString>("ownGrade");
        QTest::addColumn<QString>("difference");
        // Class averages 3, 2, 4: 3; own 2 and 4 (the third not taken): 3, grade 3.
        QTest::newRow("all years") << 0 << "Deutsch" << 3 << "3"
                                   << "3"
                                   << "3"
                                   << "0";
        // 31 July belongs to the year before, 1 August to the new one.
        QTest::newRow("2022/2023") << 2022 << "Deutsch" << 1 << "3"
                                   << "2"
                                   << "2"
                                   << "-1";
        QTest::newRow("2023/2024") << 2023 << "Deutsch" << 2 << "3"
                                   << "4"
                                   << "4"
                                   << "+1";
        // A test without participants counts as a test but has no average.
        QTest::newRow("no participants") << 2023 << "Mathematik" << 2 << "1,5"
                                         << "1,5"
                                         << "2"
                                         << "0";
        QTest::newRow("never taken part") << 2022 << "Sport" << 1 << "5,5"
                                          << "–"
                                          << "–"
                                          << "–";
    }
    void rowsPerSchoolYear() {
        QFETCH(int, year);
        QFETCH(QString, subject);
        const SchoolYear schoolYear = year ? SchoolYear(year) : std::nullopt;
        const OverviewRow row = rowOf(twoYears().rows(schoolYear), subject);
        QCOMPARE(row.subject, subject);
        QTEST(row.testCount, "tests");
        QTEST(overviewAverageText(row.classAverage), "classAverage");
        QTEST(overviewAverageText(row.ownAverage), "ownAverage");
        QTEST(overviewGradeText(row.ownGrade), "ownGrade");
        QTEST(overviewDifferenceText(row.difference), "difference");
    }

    void subjectsWithoutTestsInTheYearAreLeftOut() {
        const QList<OverviewRow> rows = twoYears().rows(2023);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).subject, QStringLiteral("Deutsch"));
        QCOMPARE(rows.at(1).subject, QStringLiteral("Mathematik"));
        QCOMPARE(rowOf(rows, QStringLiteral("Deutsch")).ownGrades, QList<int>({4}));
    }

    void readFromTheDataFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Noten.plx"));
        QVERIFY(writeBytes(file, "[Physik]\r\n8,2,01.02.2024=\"1,0,0,2,0,0,0,1,\"\"\"\r\n"
                                 "8,1,01.10.2023=\"1,1,1,0,0,0,0,2,\"\"\"\r\n"));
        const IniStore store(file);
        const SubjectOverview overview = SubjectOverview::read(store, {QStringLiteral("Physik")});
        QCOMPARE(overview.subjects().size(), 1);
        // In list order, whatever the order in the file.
        QCOMPARE(overview.subjects().first().tests.first().number, 1);
        const OverviewRow row = overview.rows(2023).first();
        QCOMPARE(row.ownGrades, QList<int>({2, 1}));
        // The own average 1,5 is rounded as the subject's summary rounds it: half to even.
        QCOMPARE(row.ownGrade, 2);
        // Test averages 3 and 1,5.
        QCOMPARE(overviewAverageText(row.classAverage), QStringLiteral("2,3"));
    }

    // Read again while the file is unchanged, the tests read before are given; a change of the
    // file, another subject list or another store reads anew.
    void readAgainOnlyAfterAChange() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Noten.plx"));
        QVERIFY(writeBytes(file, "[Physik]\r\n8,1,01.10.2023=\"1,1,1,0,0,0,0,2,\"\"\"\r\n"));
        IniStore store(file);
        const QStringList physics{QStringLiteral("Physik")};
        const auto testsOf = [](const SubjectOverview& overview) {
            return overview.subjects().first().tests;
        };
        const QList<ClassTest> first = testsOf(SubjectOverview::read(store, physics));
        QVERIFY(testsOf(SubjectOverview::read(store, physics)).isSharedWith(first));
        QVERIFY(!testsOf(SubjectOverview::read(IniStore(file), physics)).isSharedWith(first));
        QCOMPARE(SubjectOverview::read(store, physics + QStringList{"Chemie"}).subjects().size(),
                 2);

        store.WriteString(QStringLiteral("Physik"), QStringLiteral("8,2,01.02.2024"),
                          QStringLiteral("\"1,0,0,2,0,0,0,1,\""));
        QCOMPARE(testsOf(SubjectOverview::read(store, physics)).size(), 2);
        // Another program writes the file.
        QVERIFY(writeBytes(file, "[Physik]\r\n8,3,01.03.2024=\"1,0,0,2,0,0,0,1,\"\r\n"));
        QCOMPARE(testsOf(SubjectOverview::read(store, physics)).first().number, 3);
    }

    void neededGradeArithmetic_data() {
        QTest::addColumn<QList<int>>("grades");
        QTest::addColumn<int>("target"); // tenths
        QTest::addColumn<int>("remaining");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("average");
        // (2 + 3 + g) / 3 <= 2,5: g <= 2,5.
        QTest::newRow("one to come") << QList<int>{2, 3} << 25 << 1 << true << 2 << "2,3";
        QTest::newRow("exactly on the target") << QList<int>{2, 3} << 30 << 1 << true << 4 << "3";
        QTest::newRow("two to come") << QList<int>{4, 4} << 30 << 2 << true << 2 << "3";
        QTest::newRow("nicht erreichbar") << QList<int>{4, 5} << 20 << 1 << false << 0 << "3,3";
        QTest::newRow("target 1,0 after a 2") << QList<int>{1, 2} << 10 << 3 << false << 0 << "1,2";
        QTest::newRow("target 1,0 with only ones")
            << QList<int>{1, 1} << 10 << 1 << true << 1 << "1";
        QTest::newRow("target 6,0: any grade") << QList<int>{6, 5} << 60 << 1 << true << 6 << "5,7";
        QTest::newRow("no grade yet") << QList<int>{} << 25 << 1 << true << 2 << "2";
        QTest::newRow("many to come") << QList<int>{6} << 20 << 9 << true << 1 << "1,5";
    }
    void neededGradeArithmetic() {
        QFETCH(QList<int>, grades);
        QFETCH(int, target);
        QFETCH(int, remaining);
        const NeededGrade needed = neededGrade(grades, target, remaining);
        QTEST(needed.reachable, "reachable");
        QTEST(needed.grade, "grade");
        QTEST(overviewAverageText(needed.average), "average");
    }

    void neededGradeTexts() {
        QCOMPARE(neededGradeText(neededGrade({2, 3}, 25, 1), 25, 1),
                 QStringLiteral("Die nächste Arbeit braucht mindestens die Note 2 (Schnitt dann "
                                "2,3)."));
        QCOMPARE(neededGradeText(neededGrade({4, 5}, 20, 2), 20, 2),
                 QStringLiteral("Der Schnitt 2,0 ist nicht erreichbar: Auch mit einer 1 in jeder "
                                "der 2 Arbeiten wird er nur 2,8."));
        QVERIFY(neededGradeText(neededGrade({6}, 60, 1), 60, 1).contains(u"mit jeder Note"));
    }

    void sortsByFigureWithMissingLast() {
        OverviewTableModel model;
        model.setRows(twoYears().rows(std::nullopt));
        const auto subjects = [&model] {
            QStringList names;
            for (int r = 0; r < model.rowCount(); ++r)
                names.append(model.index(r, OverviewTableModel::Subject).data().toString());
            return names;
        };
        // Own grades: Deutsch 3, Mathematik 2 (1,5 to even), Sport none.
        model.sort(OverviewTableModel::OwnGrade, Qt::AscendingOrder);
        QCOMPARE(subjects(), QStringList({"Mathematik", "Deutsch", "Sport"}));
        model.sort(OverviewTableModel::OwnGrade, Qt::DescendingOrder);
        QCOMPARE(subjects(), QStringList({"Deutsch", "Mathematik", "Sport"}));
        model.sort(OverviewTableModel::ClassAverage, Qt::DescendingOrder);
        QCOMPARE(subjects(), QStringList({"Sport", "Deutsch", "Mathematik"}));
        QCOMPARE(model.headerData(OverviewTableModel::Difference, Qt::Horizontal).toString(),
                 QStringLiteral("Differenz"));
        QCOMPARE(model.index(0, OverviewTableModel::ClassAverage).data().toString(),
                 QStringLiteral("5,5"));
    }
};

QTEST_GUILESS_MAIN(TestOverview)
#include "tst_overview.moc"
