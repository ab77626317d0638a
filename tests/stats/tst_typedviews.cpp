#include "gradedata/gradebook.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "stats/averagebarpainter.h"
#include "stats/ranking.h"
#include "stats/rankinglistmodel.h"
#include "stats/rankingrowpainter.h"
#include "stats/spokentext.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"
#include "support/classtests.h"
#include "support/testfiles.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

DrawStyle style(bool selected) {
    DrawStyle result;
    result.font = QFont(QStringLiteral("Liberation Sans"), 8);
    result.selected = selected;
    return result;
}

template <typename Paint> QImage painted(QSize size, Paint paint) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter p(&image);
    paint(p);
    return image;
}

} // namespace

// The views drawn from typed tests and ranking entries are the views drawn from their texts,
// pixel for pixel; the ranking is built again only when the file or the subjects changed.
class TestTypedViews : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(dir_.isValid());
    }

    void rowsAndBarAsFromTexts() {
        const QString fileName = dir_.filePath(QStringLiteral("zeilen.plx"));
        QVERIFY(writeBytes(fileName,
                           "[Mathe]\r\n"
                           "7,1,21.09.2023=\"3,2,5,9,7,3,1,3,Bruchrechnung\"\r\n"
                           "7,2,09.11.2023=\"2,4,6,8,6,2,1,0,\"Negative Zahlen\"\"\r\n"
                           "12,10,01.02.2010=\"10,0,0,0,0,0,3,6,\"Analysis, Teil 1\"\"\r\n"
                           "5,3,31.07.2003=\"1,0,0,0,0,0,0,1,\"\r\n"));
        GradeBook book(fileName);
        book.openSubject(QStringLiteral("Mathe"));
        QCOMPARE(book.tests().count(), 4);
        const QRect rect(0, 1, 753, 30);
        for (int row = 0; row < book.tests().count(); ++row) {
            for (const bool selected : {false, true}) {
                const QImage fromText = painted({753, 32}, [&](QPainter& p) {
                    paintTestRow(p, rect, book.tests().item(row), style(selected));
                });
                const QImage typed = painted({753, 32}, [&](QPainter& p) {
                    paintTestRow(p, rect, book.tests().test(row), style(selected));
                });
                QVERIFY2(typed == fromText, qPrintable(book.tests().item(row)));
            }
        }
        const auto typed = subjectSummaryOf(book.tests().rows());
        const auto fromText = computeSubjectSummary(book.tests().items());
        QVERIFY(typed && fromText);
        QCOMPARE(AverageBarImage(751, typed, style(false)),
                 AverageBarImage(751, fromText, style(false)));
        QCOMPARE(typed->MeanCounts, fromText->MeanCounts);
        QCOMPARE(typed->OwnGrade, fromText->OwnGrade);
        QCOMPARE(typed->NotTaken, 1);
    }

    void rankingAsFromTexts() {
        const QString fileName = dir_.filePath(QStringLiteral("rang.plx"));
        QVERIFY(writeBytes(fileName, "[Mathe]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                                     "[Bildende Kunst]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                                     "[Englisch]\r\n5,2,12.03.2002=\"3,1,1,0,0,0,0,1,\"\r\n"
                                     "5,3,13.03.2002=\"3,0,1,0,0,0,0,1,\"\r\n"));
        GradeBook book(fileName);
        book.readSubjects();
        SubjectRanking ranking;
        const QList<RankedSubject>& entries = ranking.of(book);
        QStringList texts;
        for (const RankedSubject& entry : entries)
            texts.append(entry.entry());
        QCOMPARE(texts, BuildRankingEntries(book.store(), book.subjects()));
        QCOMPARE(texts.first(), QStringLiteral("\"1,7500000000\",Englisch,2"));
        for (int row = 0; row < entries.size(); ++row) {
            const QImage fromText = painted({353, 30}, [&](QPainter& p) {
                paintRankingRow(p, QRect(0, 0, 353, 30), texts.at(row), row, style(row == 1));
            });
            const QImage typed = painted({353, 30}, [&](QPainter& p) {
                paintRankingRow(p, QRect(0, 0, 353, 30), entries.at(row), row, style(row == 1));
            });
            QVERIFY(typed == fromText);
        }
    }

    // Entries prepared ahead from the book's store are taken as they are, in the ranking's
    // order; after a change of the file, or with a faulty subject, the ranking computes itself.
    void preparedRankingTakenWhileTheFileIsUnchanged() {
        const QString fileName = dir_.filePath(QStringLiteral("vorab.plx"));
        const QByteArray good = "[Mathe]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                                "[Settings]\r\nStandardFile=x\r\n"
                                "[Englisch]\r\n5,2,12.03.2002=\"3,1,1,0,0,0,0,1,\"\r\n";
        QVERIFY(writeBytes(fileName, good));
        GradeBook book(fileName);
        book.readSubjects();
        PreparedRanking prepared = prepareRanking(book.store());
        QVERIFY(prepared.complete);
        QCOMPARE(prepared.find(u"Mathe")->shownAverage, "3,24");
        QCOMPARE(prepared.find(u"mathe"), nullptr);
        prepared.find(u"Mathe")->shownAverage = QStringLiteral("vorab");
        SubjectRanking ranking;
        ranking.usePrepared(prepared);
        QCOMPARE(ranking.of(book).size(), 2);
        QCOMPARE(ranking.entries().at(0).subject, QStringLiteral("Englisch"));
        QCOMPARE(ranking.entries().at(1).shownAverage, QStringLiteral("vorab"));
        // Subjects of the same average stand in the same order as when the ranking computes
        // itself: the prepared entries are taken in the subjects' order first.
        QByteArray same;
        for (const char* subject : {"Musik", "Chemie", "Biologie", "Erdkunde", "Deutsch"})
            same += QByteArray("[") + subject + "]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n";
        QVERIFY(writeBytes(fileName, same));
        book.readSubjects();
        const QList<RankedSubject> computed = SubjectRanking().of(book);
        ranking.usePrepared(prepareRanking(book.store()));
        QCOMPARE(ranking.of(book).size(), 5);
        for (int row = 0; row < 5; ++row)
            QCOMPARE(ranking.entries().at(row).entry(), computed.at(row).entry());
        QCOMPARE(ranking.entries().at(0).subject, QStringLiteral("Biologie"));
        QVERIFY(writeBytes(fileName, good));
        book.readSubjects();

        QVERIFY(
            writeBytes(fileName, good + "[Physik]\r\n5,2,12.03.2002=\"3,2,xx,8,6,3,1,3,\"\r\n"));
        book.readSubjects();
        QVERIFY(!prepareRanking(book.store()).complete);
        ranking.usePrepared(prepared);
        QVERIFY_THROWS_EXCEPTION(AppError, ranking.of(book));
        QCOMPARE(ranking.entries().at(1).shownAverage, QStringLiteral("3,24"));
    }

    void rankingBuiltOnlyWhenChanged() {
        const QString fileName = dir_.filePath(QStringLiteral("wechsel.plx"));
        QVERIFY(writeBytes(fileName, "[Mathe]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"));
        GradeBook book(fileName);
        book.readSubjects();
        SubjectRanking ranking;
        QCOMPARE(ranking.of(book).size(), 1);
        QCOMPARE(ranking.of(book).size(), 1);
        book.openSubject(QStringLiteral("Mathe"));
        QCOMPARE(ranking.of(book).size(), 1);
        QCOMPARE(ranking.builds(), 1);

        // A test stored by the program, a subject added, a file changed by another program.
        ClassTest test = classTest(5, 3, QDate(2002, 4, 1), {1, 0, 0, 0, 0, 0}, 0);
        test.lesson = 1;
        book.addTest(test);
        QCOMPARE(ranking.of(book).first().testCount, 2);
        QCOMPARE(ranking.builds(), 2);
        book.addSubject(QStringLiteral("Physik"));
        ranking.of(book);
        QCOMPARE(ranking.builds(), 3);
        QVERIFY(writeBytes(fileName, "[Physik]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"));
        QCOMPARE(ranking.of(book).first().subject, QStringLiteral("Physik"));
        QCOMPARE(ranking.builds(), 4);

        // A faulty entry: the error every time it is asked for, until the file is mended.
        QVERIFY(writeBytes(fileName, "[Physik]\r\n5,2,12.03.2002=\"3,2,xx,8,6,3,1,3,\"\r\n"));
        QVERIFY_THROWS_EXCEPTION(AppError, ranking.of(book));
        QVERIFY_THROWS_EXCEPTION(AppError, ranking.of(book));
    }

    // The ranking's list model gives each row's entry and spoken sentence; entries given again
    // unchanged leave the views' selection alone, changed ones reset it.
    void rankingModelRowsAndSelection() {
        const QList<RankedSubject> entries{{"2,5000000000", "2,5", "Mathe", 4},
                                           {"3,0000000000", "3", "Deutsch", 2}};
        RankingListModel model;
        model.setEntries(entries);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1).data().toString(), entries.at(1).entry());
        QCOMPARE(model.index(1).data(Qt::AccessibleTextRole).toString(),
                 spokenRankingRow(entries.at(1), 2));
        QItemSelectionModel selection(&model);
        selection.select(model.index(1), QItemSelectionModel::Select);
        model.setEntries(QList<RankedSubject>(entries));
        QVERIFY(selection.isSelected(model.index(1)));
        QList<RankedSubject> changed = entries;
        changed[1].testCount = 3;
        model.setEntries(changed);
        QVERIFY(!selection.hasSelection());
        QCOMPARE(model.index(1).data().toString(), changed.at(1).entry());
    }
};

QTEST_MAIN(TestTypedViews)
#include "tst_typedviews.moc"
