#include "gradedata/gradebook.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "support/classtests.h"
#include "support/testfiles.h"
#include "undo/edithistory.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Mathe is the file's last section and the hand-spelled test its last entry, so that every
// entry written back lands where it stood and the file comes back byte for byte.
const QByteArray Example = "[Deutsch]\r\n"
                           "7,1,28.09.2023=\"2,3,8,10,5,1,0,2,Inhaltsangabe\"\r\n"
                           "[Mathe]\r\n"
                           "7,1,21.09.2023=\"3,2,5,9,7,3,1,3,Bruchrechnung\"\r\n"
                           "07,02,9.11.2023=\"2,4,6,8,6,2,1,2,\"Negative Zahlen\"\"\r\n";

enum class Change {
    TestAdded,
    FirstTestOfNewSubject,
    TestChanged,
    TestMovedToOtherDate,
    TestRemoved,
    SubjectAdded,
    SubjectRemoved
};

const QDate Day(2023, 11, 9);

// Makes the change through the book, as the window's handlers do.
void make(GradeBook& book, Change change) {
    book.openSubject(QStringLiteral("Mathe"));
    const int latest = 1; // 07,02,9.11.2023
    switch (change) {
    case Change::TestAdded:
        book.addTest(classTest(7, 3, QDate(2023, 12, 1)));
        break;
    case Change::FirstTestOfNewSubject:
        book.addSubject(QStringLiteral("Physik"));
        book.openSubject(QStringLiteral("Physik"));
        book.addTest(classTest(7, 1, QDate(2023, 10, 2), {1, 1, 1, 1, 1, 1}, 0));
        break;
    case Change::TestChanged:
        book.changeTest(latest, classTest(7, 2, Day, {2, 4, 6, 8, 6, 2}, 1, "Negative Zahlen"));
        break;
    case Change::TestMovedToOtherDate:
        book.changeTest(latest, classTest(7, 2, Day.addDays(1)));
        break;
    case Change::TestRemoved:
        book.removeTest(latest);
        break;
    case Change::SubjectAdded:
        book.addSubject(QStringLiteral("Physik"));
        break;
    case Change::SubjectRemoved:
        book.removeSubject(QStringLiteral("Mathe"));
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Change)

// The undo history on a grade book: each kind of change undone and redone through the store,
// one write a step, and refused where the file changed under it since.
class TestEditHistory : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString fileName_;

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(dir_.isValid());
    }

    void init() {
        fileName_ = dir_.filePath(QStringLiteral("noten.plx"));
        QVERIFY(writeBytes(fileName_, Example));
    }

    void undoAndRedo_data() {
        QTest::addColumn<Change>("change");
        // The status words of the steps, latest first, and the writes of the file each takes.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("test added")
            << Change::TestAdded
            << QStringList{"Arbeit 3 der Klasse 7 vom 01.12.2023 in Mathe eingetragen"}
            << QList<int>{1};
        // Undone, the test takes its section with it (the file had none), then the subject goes
        // from the list.
        QTest::newRow("first test of a new subject")
            << Change::FirstTestOfNewSubject
            << QStringList{"Arbeit 1 der Klasse 7 vom 02.10.2023 in Physik eingetragen",
                           "Schulfach Physik hinzugefügt"}
            << QList<int>{1, 0};
        // The hand-spelled key comes back as it was spelled.
        QTest::newRow("test changed")
            << Change::TestChanged
            << QStringList{"Arbeit 2 der Klasse 7 vom 09.11.2023 in Mathe geändert"}
            << QList<int>{1};
        QTest::newRow("test moved to another date")
            << Change::TestMovedToOtherDate
            << QStringList{"Arbeit 2 der Klasse 7 vom 10.11.2023 in Mathe geändert"}
            << QList<int>{1};
        QTest::newRow("test removed")
            << Change::TestRemoved
            << QStringList{"Arbeit 2 der Klasse 7 vom 09.11.2023 in Mathe entfernt"}
            << QList<int>{1};
        QTest::newRow("subject added")
            << Change::SubjectAdded << QStringList{"Schulfach Physik hinzugefügt"} << QList<int>{0};
        // All its tests come back in one write.
        QTest::newRow("subject removed")
            << Change::SubjectRemoved << QStringList{"Schulfach Mathe mit allen Arbeiten entfernt"}
            << QList<int>{1};
    }

    void undoAndRedo() {
        QFETCH(Change, change);
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, writes);
        GradeBook book(fileName_);
        book.readSubjects();
        EditHistory history(book);
        const QStringList subjectsBefore = book.subjects().toList();
        make(book, change);
        const QByteArray bytesAfter = readBytes(fileName_);
        const QStringList subjectsAfter = book.subjects().toList();
        QCOMPARE(history.undoCount(), steps.size());

        // Each step names itself and writes the file as often as it should, either way.
        const auto take = [&](bool redo, qsizetype i) {
            QCOMPARE(redo ? history.nextRedo() : history.nextUndo(), steps.at(i));
            const quint64 revision = book.store().contentsRevision();
            QCOMPARE(redo ? history.redo() : history.undo(), steps.at(i));
            QCOMPARE(book.store().contentsRevision() - revision, quint64(writes.at(i)));
        };
        for (qsizetype i = 0; i < steps.size() && !QTest::currentTestFailed(); ++i)
            take(false, i);
        QCOMPARE(readBytes(fileName_), Example);
        QCOMPARE(book.subjects().toList(), subjectsBefore);
        QVERIFY(!history.canUndo());
        QCOMPARE(history.undo(), QString());

        for (qsizetype i = steps.size() - 1; i >= 0 && !QTest::currentTestFailed(); --i)
            take(true, i);
        QCOMPARE(readBytes(fileName_), bytesAfter);
        QCOMPARE(book.subjects().toList(), subjectsAfter);
        QVERIFY(!history.canRedo());
    }

    void outsideChangeRefused_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("redo");
        // The section another program writes to, and whether the step is refused.
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("refused");
        QTest::newRow("undo, same subject") << Change::TestAdded << false << "Mathe" << true;
        QTest::newRow("redo, same subject") << Change::TestRemoved << true << "mathe" << true;
        // A subject given tests elsewhere stays in the list.
        QTest::newRow("undo of an added subject given tests")
            << Change::SubjectAdded << false << "Physik" << true;
        QTest::newRow("removed subject made again")
            << Change::SubjectRemoved << false << "Mathe" << true;
        // The store writes only the subject's lines; what changed elsewhere stays.
        QTest::newRow("undo, other subject") << Change::TestAdded << false << "Deutsch" << false;
        QTest::newRow("redo, other subject") << Change::TestRemoved << true << "Deutsch" << false;
    }

    void outsideChangeRefused() {
        QFETCH(Change, change);
        QFETCH(bool, redo);
        QFETCH(QString, section);
        QFETCH(bool, refused);
        GradeBook book(fileName_);
        book.readSubjects();
        EditHistory history(book);
        make(book, change);
        if (redo)
            history.undo();
        IniStore(fileName_).WriteString(section, QStringLiteral("8,1,01.02.2024"),
                                        QStringLiteral("\"1,1,1,1,1,1,1,1,\""));
        const QByteArray outside = readBytes(fileName_);
        const qsizetype steps = redo ? history.redoCount() : history.undoCount();
        try {
            redo ? history.redo() : history.undo();
            QVERIFY(!refused);
            QVERIFY(readBytes(fileName_).contains("8,1,01.02.2024=\"1,1,1,1,1,1,1,1,\""));
        } catch (const AppError& error) {
            QVERIFY2(refused, qPrintable(error.message()));
            QVERIFY(error.message().contains(QStringLiteral("nicht überschrieben")));
            QVERIFY(error.message().contains(QStringLiteral("Schulfach")));
            QCOMPARE(readBytes(fileName_), outside);
            // The step stays, to be taken when the subject is as the step left it again.
            QCOMPARE(redo ? history.redoCount() : history.undoCount(), steps);
        }
    }

    void refusedWriteKeepsTheStep() {
        GradeBook book(fileName_);
        book.readSubjects();
        EditHistory history(book);
        make(book, Change::SubjectRemoved);
        const QByteArray after = readBytes(fileName_);
        {
            RefusedWrites full;
            QVERIFY_THROWS_EXCEPTION(AppError, history.undo());
        }
        QCOMPARE(readBytes(fileName_), after);
        QCOMPARE(history.undoCount(), 1);
        history.undo();
        QCOMPARE(readBytes(fileName_), Example);
    }

    void newChangeClearsRedo() {
        GradeBook book(fileName_);
        book.readSubjects();
        EditHistory history(book);
        make(book, Change::TestAdded);
        make(book, Change::TestRemoved);
        history.undo();
        QVERIFY(history.canRedo());
        // A test stored again as it stands changes nothing and is no step.
        book.changeTest(0, book.tests().test(0));
        QVERIFY(history.canRedo());
        make(book, Change::SubjectAdded);
        QVERIFY(!history.canRedo());
        QCOMPARE(history.undoCount(), 2);
        QCOMPARE(history.nextUndo(), QStringLiteral("Schulfach Physik hinzugefügt"));
    }
};

QTEST_GUILESS_MAIN(TestEditHistory)
#include "tst_edithistory.moc"
