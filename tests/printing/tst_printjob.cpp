#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "printing/printjob.h"
#include "printing/schoolyearreport.h"
#include "support/classtests.h"
#include "support/testfiles.h"

#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Title = QStringLiteral("[/home/anna/Noten.plx] - Mathematik");

QList<ClassTest> makeTests(int n) {
    QList<ClassTest> tests;
    for (int i = 0; i < n; ++i) {
        ClassTest t;
        t.gradeLevel = 7;
        t.number = i + 1;
        t.date = QDate(2003, 9, 1).addDays(i);
        t.lesson = 1 + i % 6;
        t.counts = {1 + i % 3, 5, 8, 4, 2, i % 2};
        t.ownGrade = i % 7;
        tests.append(t);
    }
    return tests;
}

PrintTestAt listOf(const QList<ClassTest>& tests) {
    return [tests](int index) { return tests.at(index); };
}

// A PDF printer on paper whose printable area is width x height mm (5 mm margins all round).
void setUpPdf(QPrinter& printer, const QString& fileName, int widthMm, int heightMm) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageSize(QPageSize(QSizeF(widthMm + 10, heightMm + 10), QPageSize::Millimeter,
                                  QString(), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
}

QStringList nonEmptyLines(const QString& text) {
    QStringList lines = text.split(u'\n');
    lines.removeAll(QString());
    return lines;
}

} // namespace

class TestPrintJob : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(dir.isValid());
    }

    void pageArithmetic() {
        QCOMPARE(pageFrame({277, 287}).testsPerPage, 22);
        QCOMPARE(pageFrame({277, 287}).H, 2470);
        QCOMPARE(pageFrame({277, 200}).testsPerPage, 14);
        QCOMPARE(pageFrame({277, 200}).H, 1600);
        QCOMPARE(pageFrame({277, 287}).W, 2370);
        // The smallest page that holds one test.
        QCOMPARE(pageFrame({100, 61}).testsPerPage, 1);
        QCOMPARE(pageFrame({100, 60}).testsPerPage, 0);

        QPrinter printer;
        setUpPdf(printer, dir.filePath("area.pdf"), 277, 287);
        QCOMPARE(printableArea(printer).widthMm, 277);
        QCOMPARE(printableArea(printer).heightMm, 287);
    }

    void pagesOfTests_data() {
        QTest::addColumn<int>("tests");
        QTest::addColumn<int>("heightMm");
        QTest::addColumn<QList<int>>("testsPerPage");
        QTest::newRow("22 on 287 mm") << 22 << 287 << QList<int>{22};
        QTest::newRow("23 on 287 mm") << 23 << 287 << QList<int>{22, 1};
        QTest::newRow("30 on 200 mm") << 30 << 200 << QList<int>{14, 14, 2};
        QTest::newRow("1 on 61 mm") << 2 << 61 << QList<int>{1, 1};
    }
    void pagesOfTests() {
        QFETCH(int, tests);
        QFETCH(int, heightMm);
        QFETCH(QList<int>, testsPerPage);
        const QString fileName =
            dir.filePath(QStringLiteral("pages-%1-%2.pdf").arg(tests).arg(heightMm));
        QPrinter printer;
        setUpPdf(printer, fileName, 400, heightMm);
        QCOMPARE(printTests(printer, Title, tests, PrintLayoutOptions{}, listOf(makeTests(tests))),
                 int(testsPerPage.size()));

        const QStringList pages = pdfPages(fileName);
        QCOMPARE(pages.size(), testsPerPage.size());
        int number = 1;
        for (int p = 0; p < pages.size(); ++p) {
            const QStringList lines = nonEmptyLines(pages[p]);
            // Texts upright: the header line is the first line read from every page.
            QCOMPARE(lines.value(0), Title);
            QVERIFY2(lines.contains(QStringLiteral("Seite %1").arg(p + 1)), qPrintable(pages[p]));
            QVERIFY(lines.contains(QStringLiteral("Klassenarbeit")));
            const QStringList numbers = lines.filter(QRegularExpression("^\\d+\\. Arbeit$"));
            QCOMPARE(numbers.size(), testsPerPage[p]);
            for (const QString& line : numbers)
                QCOMPARE(line, QStringLiteral("%1. Arbeit").arg(number++));
        }
        // The printer writes its own file again next time.
        QCOMPARE(printer.outputFileName(), fileName);
        QVERIFY(QDir(dir.path())
                    .entryList({QStringLiteral(".*.part")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
    }

    void overviewPagesOfTheReport_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("H");
        QTest::addColumn<QString>("pages"); // "first-last" of each page, "c" for the chart
        QTest::newRow("table and chart on one page") << 3 << 1600 << "0-2c";
        QTest::newRow("chart on a page of its own") << 15 << 1600 << "0-14|c";
        QTest::newRow("table over three pages") << 40 << 1600 << "0-18|19-37|38-39c";
        QTest::newRow("no subject") << 0 << 1600 << "c";
    }
    void overviewPagesOfTheReport() {
        QFETCH(int, rows);
        QFETCH(int, H);
        QStringList pages;
        for (const SchoolYearReport::OverviewPage& page : SchoolYearReport::overviewPages(rows, H))
            pages.append((page.last >= page.first
                              ? QStringLiteral("%1-%2").arg(page.first).arg(page.last)
                              : QString()) +
                         (page.chart ? QStringLiteral("c") : QString()));
        QTEST(pages.join(u'|'), "pages");
    }

    void schoolYearReport() {
        QList<ClassTest> deutsch;
        for (int i = 0; i < 30; ++i)
            deutsch.append(classTest(8, i + 1, QDate(2023, 9, 1).addDays(i)));
        const SubjectOverview overview({
            {QStringLiteral("Mathematik"),
             {classTest(7, 9, QDate(2023, 6, 1)), classTest(8, 1, QDate(2023, 10, 2))}},
            {QStringLiteral("Deutsch"), deutsch},
            {QStringLiteral("Sport"), {classTest(7, 1, QDate(2023, 7, 31))}},
        });
        const SchoolYearReport report(overview, 2023, QStringLiteral("/home/anna/Noten.plx"),
                                      QDate(2024, 5, 6));
        const QString fileName = dir.filePath(QStringLiteral("bericht.pdf"));
        QPrinter printer;
        // 190 mm high: 13 tests per page.
        setUpPdf(printer, fileName, 277, 190);
        QCOMPARE(printSchoolYearReport(printer, report, PrintLayoutOptions{}), 1 + 1 + 3);

        const QStringList pages = pdfPages(fileName);
        QCOMPARE(pages.size(), 5);
        // The overview first, then every subject with tests in the year, in the file's order.
        const QStringList first = nonEmptyLines(pages[0]);
        QCOMPARE(first.value(0), QStringLiteral("[Noten.plx] - Übersicht Schuljahr 2023/2024"));
        QVERIFY2(pages[0].contains(QStringLiteral("Gedruckt am 06.05.2024, Seite 1 von 5")),
                 qPrintable(pages[0]));
        for (const char* text : {"Klassenschnitt", "Eigene Note", "Mathematik", "Deutsch"})
            QVERIFY2(first.contains(QString::fromUtf8(text)) ||
                         pages[0].contains(QString::fromUtf8(text)),
                     text);
        QVERIFY(!pages[0].contains(QStringLiteral("Sport")));
        QVERIFY(nonEmptyLines(pages[1]).value(0) == QStringLiteral("[Noten.plx] - Mathematik"));
        QVERIFY(pages[1].contains(QStringLiteral("Seite 2 von 5")));
        // Only the tests of the year: not the one of June 2023.
        QCOMPARE(nonEmptyLines(pages[1]).filter(QStringLiteral(". Arbeit")).size(), 1);
        QVERIFY(!pages[1].contains(QStringLiteral("9. Arbeit")));
        for (int p = 2; p < 5; ++p) {
            QCOMPARE(nonEmptyLines(pages[p]).value(0), QStringLiteral("[Noten.plx] - Deutsch"));
            QVERIFY(pages[p].contains(QStringLiteral("Seite %1 von 5").arg(p + 1)));
        }
        QVERIFY(!pages.join(QString()).contains(QStringLiteral("/home/anna")));
    }

    void reportOfTheExampleFile() {
        const IniStore store(QFINDTESTDATA("../../examples/Beispiel.plx"));
        const QStringList subjects = store.ReadSections();
        const SchoolYearReport report(SubjectOverview::read(store, subjects), 2023,
                                      store.fileName(), QDate(2024, 7, 1));
        const QString fileName = dir.filePath(QStringLiteral("beispiel.pdf"));
        QPrinter printer;
        setUpPdf(printer, fileName, 277, 190);
        const int n = printSchoolYearReport(printer, report, PrintLayoutOptions{});
        const QStringList pages = pdfPages(fileName);
        QCOMPARE(pages.size(), n);
        QCOMPARE(n, 1 + int(subjects.size()));
        QVERIFY2(pages[0].contains(QStringLiteral("Übersicht Schuljahr 2023/2024")),
                 qPrintable(pages[0]));
        QVERIFY(pages[0].contains(QStringLiteral("Seite 1 von %1").arg(n)));
        for (int i = 0; i < subjects.size(); ++i) {
            QVERIFY(pages[0].contains(subjects[i]));
            QCOMPARE(nonEmptyLines(pages[i + 1]).value(0),
                     QStringLiteral("[Beispiel.plx] - ") + subjects[i]);
        }
    }

    void pageTooSmallIsRefused() {
        const QString fileName = dir.filePath("small.pdf");
        QPrinter printer;
        setUpPdf(printer, fileName, 200, 60);
        try {
            printTests(printer, Title, 3, PrintLayoutOptions{}, listOf(makeTests(3)));
            QFAIL("a page without room for a test was accepted");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("60 mm")),
                     qPrintable(error.message()));
            QVERIFY(error.message().contains(QStringLiteral("61 mm")));
        }
        QVERIFY(!QFile::exists(fileName));
    }

    void damagedTestAbortsTheJob() {
        // The second page meets a test that cannot be read. The chosen file keeps what it
        // held, no part of the new document is left behind, and the printer takes the next job.
        const QString fileName = dir.filePath("damaged.pdf");
        {
            QFile old(fileName);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the previous printout");
        }
        const QList<ClassTest> tests = makeTests(30);
        const PrintTestAt failing = [&tests](int e) {
            if (e == 25)
                throw AppError(QStringLiteral("'2003-02-30' ist kein gültiges Datum"));
            return tests.at(e);
        };
        QPrinter printer;
        setUpPdf(printer, fileName, 400, 287);
        try {
            printTests(printer, Title, 30, PrintLayoutOptions{}, failing);
            QFAIL("the damaged test went unnoticed");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("'2003-02-30' ist kein gültiges Datum"));
        }
        QFile old(fileName);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the previous printout"));
        old.close();
        QCOMPARE(
            QDir(dir.path()).entryList({QStringLiteral("*damaged*")}, QDir::Hidden | QDir::Files),
            QStringList{QStringLiteral("damaged.pdf")});
        QCOMPARE(printer.outputFileName(), fileName);

        QCOMPARE(printTests(printer, Title, 30, PrintLayoutOptions{}, listOf(tests)), 2);
        QCOMPARE(pdfPages(fileName).size(), 2);
    }

    void unwritableTargetIsReported() {
        const QString fileName = dir.filePath("no-such-folder/out.pdf");
        QPrinter printer;
        setUpPdf(printer, fileName, 400, 287);
        try {
            printTests(printer, Title, 3, PrintLayoutOptions{}, listOf(makeTests(3)));
            QFAIL("writing into a missing folder was reported as done");
        } catch (const AppError& error) {
            QCOMPARE(error.message(),
                     QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
        }
    }

    void newFileIsReadableByOthers() {
        const QString fileName = dir.filePath("shared.pdf");
        QPrinter printer;
        setUpPdf(printer, fileName, 400, 287);
        printTests(printer, Title, 1, PrintLayoutOptions{}, listOf(makeTests(1)));
        QVERIFY(QFileInfo(fileName).permissions().testFlag(QFileDevice::ReadOther));
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestPrintJob)
#include "tst_printjob.moc"
