#include "gradedata/classtest.h"
#include "gradedata/testlistmodel.h"
#include "platform/localeformats.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

ClassTest classTest(QDate date, int level, int number, QString remark = QString()) {
    ClassTest test;
    test.gradeLevel = level;
    test.number = number;
    test.date = date;
    test.lesson = 2;
    test.counts = {1, 2, 3, 4, 5, 6};
    test.ownGrade = 2;
    test.remark = std::move(remark);
    return test;
}

// Items as the program writes them, with unusual numbers and remarks, and a few it never writes:
// a "," meeting a "-", text meeting numbers, nothing at all.
QStringList unusualItems() {
    QRandomGenerator random(8);
    const QStringList remarks = {"",  "a",   "A",   "a b",   "ä",      "Zeugnis",
                                 "z", "\"q", "1,2", "Ärger", "éclair", "-"};
    QStringList items;
    for (int i = 0; i < 400; ++i) {
        ClassTest test;
        test.date = QDate(1999, 1, 1).addDays(random.bounded(3) * 40 + random.bounded(2));
        test.gradeLevel = random.bounded(-12, 120);
        test.number = random.bounded(-3, 25);
        test.lesson = random.bounded(0, 12);
        for (int& count : test.counts)
            count = random.bounded(-2, 15);
        test.ownGrade = random.bounded(-1, 8);
        test.remark = remarks.at(random.bounded(remarks.size()));
        items.append(TestListItem(test));
    }
    items.append(QStringLiteral("2002-01-01,,5"));
    items.append(QStringLiteral("2002-01-01,-5"));
    items.append(QStringLiteral("x,05"));
    items.append(QStringLiteral("2002-01-01"));
    items.append(QString());
    return items;
}

} // namespace

// The list model of a subject's tests and the order of the test list.
class TestTestListModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    // Rows are kept in list order through every change, and the model tells its views so
    // in the way Qt's item views expect.
    void changesKeepListOrder() {
        TestListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

        QCOMPARE(model.insert(classTest(QDate(2003, 5, 1), 7, 2)), 0);
        QCOMPARE(model.insert(classTest(QDate(2002, 5, 1), 12, 1)), 0);
        QCOMPARE(model.insert(classTest(QDate(2002, 5, 1), 5, 1)), 0);
        QCOMPARE(model.insert(classTest(QDate(2004, 1, 1), 7, 3)), 3);
        // Numbers compare as text, as in the list items: 10 before 9.
        QCOMPARE(model.insert(classTest(QDate(2003, 5, 1), 7, 10)), 2);
        QCOMPARE(inserted.count(), 5);
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.items(), (QStringList{
                                    "2002-05-01,05,1,2,1,2,3,4,5,6,2,\"\"",
                                    "2002-05-01,12,1,2,1,2,3,4,5,6,2,\"\"",
                                    "2003-05-01,07,10,2,1,2,3,4,5,6,2,\"\"",
                                    "2003-05-01,07,2,2,1,2,3,4,5,6,2,\"\"",
                                    "2004-01-01,07,3,2,1,2,3,4,5,6,2,\"\"",
                                }));
        QCOMPARE(model.data(model.index(1, 0)).toString(), model.item(1));
        QCOMPARE(
            model.data(model.index(1, 0), TestListModel::TestRole).value<ClassTest>().gradeLevel,
            12);
        QVERIFY(!model.data(model.index(1, 0), Qt::DecorationRole).isValid());

        // A changed test takes its new place.
        QCOMPARE(model.replace(0, classTest(QDate(2005, 1, 1), 5, 1)), 4);
        QCOMPARE(model.test(4).date, QDate(2005, 1, 1));
        QCOMPARE(model.test(0).gradeLevel, 12);
        model.remove(2);
        QCOMPARE(model.count(), 4);
        QCOMPARE(model.rowOfItem(QStringLiteral("2004-01-01,07,3,2,1,2,3,4,5,6,2,\"\"")), 2);
        QCOMPARE(model.rowOfItem(QStringLiteral("2003-05-01,07,2,2,1,2,3,4,5,6,2,\"\"")), -1);

        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.reset({});
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    // Tests with equal items keep the order in which they came, also in a subject of so many
    // tests that they are sorted through their numbers.
    void equalItemsKeepTheirOrder_data() {
        QTest::addColumn<int>("copies");
        QTest::newRow("few") << 1;
        QTest::newRow("very many") << 20000;
    }
    void equalItemsKeepTheirOrder() {
        QFETCH(int, copies);
        QList<TestRow> rows;
        for (int copy = 0; copy < copies; ++copy) {
            for (const char* remark : {"b", "B", "a", "b"}) {
                rows.append(
                    makeTestRow(classTest(QDate(2002, 1, 1), 5, 1, QString::fromUtf8(remark))));
                // Tells equal items apart, with the item unchanged.
                rows.back().test.lesson = int(rows.size());
            }
        }
        sortTestRows(rows);
        QStringList remarks;
        for (const TestRow& row : std::as_const(rows).first(4))
            remarks.append(row.test.remark);
        const QStringList first =
            copies == 1 ? QStringList{"a", "b", "B", "b"} : QStringList(4, "a");
        QCOMPARE(remarks, first);
        QCOMPARE(rows.at(copies).test.remark, QStringLiteral("b"));
        for (qsizetype i = 1; i < rows.size(); ++i) {
            if (i != copies)
                QVERIFY(rows.at(i - 1).test.lesson < rows.at(i).test.lesson);
        }
    }

    // The quick order of the test list is the order of the locale's collation, for items as
    // the program writes them and for items with unusual numbers and remarks.
    void orderIsTheCollationsOrder() {
        const QStringList items = unusualItems();
        const LocaleFormats& formats = LocaleFormats::current();
        for (const QString& a : std::as_const(items)) {
            for (const QString& b : std::as_const(items)) {
                const int quick = compareTestListItems(a, b);
                const int collated = formats.compare(a, b);
                if ((quick < 0) != (collated < 0) || (quick > 0) != (collated > 0))
                    QFAIL(qPrintable(a + QStringLiteral(" <> ") + b));
            }
        }
    }

    // Rows are sorted as by their items' order, also where their first characters are alike.
    void sortedAsByTheirItems() {
        QList<TestRow> rows;
        for (const QString& item : unusualItems())
            rows.append({ClassTest(), item});
        QList<TestRow> expected = rows;
        std::stable_sort(expected.begin(), expected.end(), testRowLess);
        sortTestRows(rows);
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(rows.at(i).item, expected.at(i).item);
    }
};

QTEST_GUILESS_MAIN(TestTestListModel)
#include "tst_testlistmodel.moc"
