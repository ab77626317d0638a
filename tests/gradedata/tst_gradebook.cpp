#include "gradedata/gradebook.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "platform/regularfile.h"
#include "support/classtests.h"
#include "support/testfiles.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QList<int> numbers(const TestListModel& tests) {
    QList<int> result;
    for (const ClassTest& test : tests.tests())
        result.append(test.number);
    return result;
}

} // namespace

// The open data file as a document: subjects, the tests of the shown subject, and every
// operation on them, each written to the file before the document changes.
class TestGradeBook : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString fileName_;

    // A data file with Mathe (tests 2, 1 stored out of date order), Deutsch and a Settings
    // section that is no subject.
    void writeExample() {
        QVERIFY(writeBytes(fileName_, "[Mathe]\r\n"
                                      "7,2,09.11.2023=\"2,4,6,8,6,2,1,2,\"Negative Zahlen\"\"\r\n"
                                      "7,1,21.09.2023=\"3,2,5,9,7,3,1,3,Bruchrechnung\"\r\n"
                                      "[settings]\r\n"
                                      "x=1\r\n"
                                      "[deutsch]\r\n"
                                      "7,1,28.09.2023=\"2,3,8,10,5,1,0,2,Inhaltsangabe\"\r\n"));
    }

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(dir_.isValid());
    }

    void init() {
        fileName_ = dir_.filePath(QStringLiteral("noten.plx"));
        QFile::setPermissions(fileName_, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(fileName_);
    }

    void subjectsReadSortedWithoutSettings() {
        writeExample();
        GradeBook book(fileName_);
        QSignalSpy changed(&book, &GradeBook::subjectsChanged);
        QCOMPARE(book.subjects().toList(), QStringList());
        book.readSubjects();
        QCOMPARE(book.subjects().toList(), (QStringList{"deutsch", "Mathe"}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(book.findSubject(QStringLiteral("MATHE")), 1);
        QCOMPARE(book.findSubject(QStringLiteral("Settings")), -1);
    }

    // The subjects in the order of the locale's collation, names of equal order in file order,
    // through the changes of the list.
    void subjectListOrderAndChanges() {
        QStringList names{"Zebra", "Ölkunde", "apfel", "Äpfel", "10er", "9er", "ober", "Obst"};
        QString file;
        for (const QString& name : names)
            file += u'[' + name + QStringLiteral("]\r\n");
        QVERIFY(writeBytes(fileName_, file.toUtf8()));
        GradeBook book(fileName_);
        book.readSubjects();
        std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return LocaleFormats::current().compare(a, b) < 0;
        });
        QCOMPARE(book.subjects().toList(), names);
        QCOMPARE(book.subjects().indexOf(u"Äpfel"), names.indexOf(QStringLiteral("Äpfel")));
        QCOMPARE(book.subjects().indexOf(u"äpfel"), -1);

        SubjectList list = book.subjects();
        list.insert(1, list); // itself, in the middle
        QCOMPARE(list.toList(), names.first(1) + names + names.sliced(1));
        QCOMPARE(book.subjects().toList(), names); // the copy changed alone
        list.remove(1, names.size());
        list.replace(0, u"Neu");
        QCOMPARE(list.mid(0, 2).toList(), (QStringList{"Neu"} + names.sliced(1, 1)));
        for (int i = 0; i < 3000; ++i)
            list.append(u"Fach");
        list.remove(names.size(), 3000); // the texts of removed names are given back
        QCOMPARE(list.toList(), QStringList{"Neu"} + names.sliced(1));
        QVERIFY(list != book.subjects());
    }

    void addingSubjectsWritesNothing() {
        writeExample();
        const QByteArray before = readBytes(fileName_);
        GradeBook book(fileName_);
        book.readSubjects();
        QSignalSpy changed(&book, &GradeBook::subjectsChanged);
        QCOMPARE(book.addSubject(QStringLiteral("Englisch")), GradeBook::Addition::Added);
        QCOMPARE(book.addSubject(QStringLiteral("Bildende Kunst")), GradeBook::Addition::Added);
        QCOMPARE(book.subjects().toList(),
                 (QStringList{"Bildende Kunst", "deutsch", "Englisch", "Mathe"}));
        QCOMPARE(book.addSubject(QStringLiteral("mathe")), GradeBook::Addition::Exists);
        QCOMPARE(book.addSubject(QStringLiteral("SETTINGS")), GradeBook::Addition::Unusable);
        QCOMPARE(book.addSubject(QStringLiteral("Kunst]")), GradeBook::Addition::Unusable);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(book.subjects().size(), 4);
        QCOMPARE(readBytes(fileName_), before);

        // A subject without tests has no section: it is gone when the file is read again.
        book.readSubjects();
        QCOMPARE(book.subjects().toList(), (QStringList{"deutsch", "Mathe"}));
    }

    void removingSubjectErasesItsSection() {
        writeExample();
        GradeBook book(fileName_);
        book.readSubjects();
        book.openSubject(QStringLiteral("Mathe"));
        QCOMPARE(book.tests().count(), 2);
        book.removeSubject(QStringLiteral("Mathe"));
        QCOMPARE(book.subjects().toList(), QStringList{"deutsch"});
        QCOMPARE(readBytes(fileName_), QByteArray("[settings]\r\n"
                                                  "x=1\r\n"
                                                  "[deutsch]\r\n"
                                                  "7,1,28.09.2023=\"2,3,8,10,5,1,0,2,"
                                                  "Inhaltsangabe\"\r\n"));
        // The subject shown is gone, and its tests with it.
        QCOMPARE(book.currentSubject(), QString());
        QCOMPARE(book.tests().count(), 0);
        // A subject added and never given a test leaves the file alone.
        book.addSubject(QStringLiteral("Physik"));
        const QByteArray before = readBytes(fileName_);
        book.removeSubject(QStringLiteral("Physik"));
        QCOMPARE(readBytes(fileName_), before);
        QCOMPARE(book.subjects().toList(), QStringList{"deutsch"});
    }

    void testsTypedInDateOrder() {
        writeExample();
        GradeBook book(fileName_);
        QSignalSpy changed(&book, &GradeBook::testsChanged);
        book.openSubject(QStringLiteral("Mathe"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(book.currentSubject(), QStringLiteral("Mathe"));
        QCOMPARE(numbers(book.tests()), (QList<int>{1, 2}));
        const ClassTest& first = book.tests().test(0);
        QCOMPARE(first.date, QDate(2023, 9, 21));
        QCOMPARE(first.counts, (GradeCounts{2, 5, 9, 7, 3, 1}));
        QCOMPARE(first.ownGrade, 3);
        QCOMPARE(book.tests().test(1).remark, QStringLiteral("Negative Zahlen"));
        QCOMPARE(book.tests().item(1),
                 QStringLiteral("2023-11-09,07,2,2,4,6,8,6,2,1,2,\"Negative Zahlen\""));
        book.closeSubject();
        QCOMPARE(book.tests().count(), 0);
    }

    void faultyEntryKeepsTestsReadBeforeIt() {
        QVERIFY(writeBytes(fileName_, "[Mathe]\r\n"
                                      "7,3,01.02.2024=\"1,1,1,1,1,1,1,1,\"\r\n"
                                      "7,1,21.09.2023=\"3,2,5,9,7,3,1,3,\"\r\n"
                                      "7,2,09.11.2023=\"2,4,6,x,6,2,1,2,\"\r\n"
                                      "7,4,01.03.2024=\"2,4,6,1,6,2,1,2,\"\r\n"));
        const QByteArray before = readBytes(fileName_);
        GradeBook book(fileName_);
        QVERIFY_THROWS_EXCEPTION(AppError, book.openSubject(QStringLiteral("Mathe")));
        try {
            book.openSubject(QStringLiteral("Mathe"));
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("'x' ist kein gültiger Integerwert"));
        }
        QCOMPARE(numbers(book.tests()), (QList<int>{1, 3}));
        QCOMPARE(readBytes(fileName_), before);
    }

    void proposal() {
        GradeBook book(fileName_);
        book.openSubject(QStringLiteral("Mathe"));
        QVERIFY(!book.proposeNextTest());
        QVERIFY(writeBytes(fileName_, "[Mathe]\r\n"
                                      "10,6,01.03.2024=\"2,4,6,1,6,2,1,2,\"\r\n"
                                      "10,5,01.02.2024=\"2,4,6,1,6,2,1,2,\"\r\n"));
        book.openSubject(QStringLiteral("Mathe"));
        const auto proposal = book.proposeNextTest();
        QVERIFY(proposal);
        QCOMPARE(proposal->gradeLevel, 10);
        QCOMPARE(proposal->number, 7);
    }

    void newChangeRemove() {
        GradeBook book(fileName_);
        book.addSubject(QStringLiteral("Mathe"));
        book.openSubject(QStringLiteral("Mathe"));
        const quint64 revision = book.revision();
        QSignalSpy changed(&book, &GradeBook::testsChanged);

        const ClassTest later = classTest(5, 3, QDate(2002, 6, 20), {1, 4, 6, 7, 5, 2}, 0,
                                          QStringLiteral("Lineare Gleichungen"));
        const ClassTest earlier = classTest(5, 2, QDate(2002, 3, 12), {2, 5, 8, 6, 3, 1}, 3,
                                            QStringLiteral("Bruchrechnung"));
        QCOMPARE(book.addTest(later), 0);
        QCOMPARE(book.addTest(earlier), 0);
        QCOMPARE(changed.count(), 2);
        QVERIFY(book.revision() > revision);
        QCOMPARE(readBytes(fileName_),
                 QByteArray("[Mathe]\r\n"
                            "5,3,20.06.2002=\"3,1,4,6,7,5,2,0,\"Lineare Gleichungen\"\"\r\n"
                            "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"\r\n"));
        QCOMPARE(numbers(book.tests()), (QList<int>{2, 3}));

        // Ändern: the test moves to its new place, its key is replaced in one write.
        ClassTest moved = earlier;
        moved.date = QDate(2002, 9, 1);
        QCOMPARE(book.changeTest(0, moved), 1);
        QCOMPARE(numbers(book.tests()), (QList<int>{3, 2}));
        QCOMPARE(readBytes(fileName_),
                 QByteArray("[Mathe]\r\n"
                            "5,3,20.06.2002=\"3,1,4,6,7,5,2,0,\"Lineare Gleichungen\"\"\r\n"
                            "5,2,01.09.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"\r\n"));

        // Entfernen: the key goes, and the subject is read again from the file.
        book.removeTest(0);
        QCOMPARE(numbers(book.tests()), QList<int>{2});
        QCOMPARE(readBytes(fileName_),
                 QByteArray("[Mathe]\r\n"
                            "5,2,01.09.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"\r\n"));
    }

    void collisions() {
        QVERIFY(writeBytes(fileName_, "[Mathe]\r\n"
                                      "05,02,1.3.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                                      "5,3,20.06.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                                      "[Physik]\r\n"
                                      "5,4,20.06.2002=\"3,2,5,8,6,3,1,3,\"\r\n"));
        GradeBook book(fileName_);
        book.openSubject(QStringLiteral("Mathe"));
        // A key written by hand names the same test as the program's spelling.
        QVERIFY(book.collides(classTest(5, 2, QDate(2002, 3, 1))));
        QVERIFY(book.collides(classTest(5, 3, QDate(2002, 6, 20))));
        QVERIFY(!book.collides(classTest(5, 4, QDate(2002, 6, 20))));
        // Changing a test without changing its identity is no collision; taking the identity
        // of another test is.
        QCOMPARE(book.tests().test(0).number, 2);
        QVERIFY(!book.collides(classTest(5, 2, QDate(2002, 3, 1)), 0));
        QVERIFY(book.collides(classTest(5, 3, QDate(2002, 6, 20)), 0));
        QVERIFY(!book.collides(classTest(5, 5, QDate(2002, 6, 20)), 0));

        // Ändern and Entfernen act on the key as it is stored.
        book.changeTest(0, classTest(5, 2, QDate(2002, 3, 1), {1, 1, 1, 1, 1, 1}, 0));
        QCOMPARE(readBytes(fileName_), QByteArray("[Mathe]\r\n"
                                                  "5,3,20.06.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                                                  "5,2,01.03.2002=\"3,1,1,1,1,1,1,0,\"\r\n"
                                                  "[Physik]\r\n"
                                                  "5,4,20.06.2002=\"3,2,5,8,6,3,1,3,\"\r\n"));
    }

    void refusedWriteChangesNothing() {
        writeExample();
        GradeBook book(fileName_);
        book.readSubjects();
        book.openSubject(QStringLiteral("Mathe"));
        const QByteArray before = readBytes(fileName_);
        const QStringList items = book.tests().items();
        QVERIFY(QFile::setPermissions(fileName_, QFile::ReadOwner | QFile::ReadGroup));
        QSignalSpy changed(&book, &GradeBook::testsChanged);
        QSignalSpy subjectsChanged(&book, &GradeBook::subjectsChanged);

        QVERIFY_THROWS_EXCEPTION(AppError, book.addTest(classTest(7, 9, QDate(2024, 1, 1))));
        QVERIFY_THROWS_EXCEPTION(AppError, book.changeTest(0, classTest(7, 9, QDate(2024, 1, 1))));
        QVERIFY_THROWS_EXCEPTION(AppError, book.removeTest(1));
        QVERIFY_THROWS_EXCEPTION(AppError, book.removeSubject(QStringLiteral("Mathe")));
        QCOMPARE(book.tests().items(), items);
        QCOMPARE(book.subjects().toList(), (QStringList{"deutsch", "Mathe"}));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(subjectsChanged.count(), 0);
        QCOMPARE(readBytes(fileName_), before);
    }

    // Also for changes of the same size within one tick of the file system's clock, and under a
    // file system that keeps whole seconds only (FAT sticks, network shares).
    void revisionFollowsTheFile_data() {
        QTest::addColumn<qint64>("timeStep");
        QTest::newRow("file system's own times") << qint64(0);
        QTest::newRow("whole seconds") << qint64(1'000'000'000);
    }
    void revisionFollowsTheFile() {
        QFETCH(qint64, timeStep);
        setFileTimeStepForTests(timeStep);
        const auto restore = qScopeGuard([] { setFileTimeStepForTests(0); });
        writeExample();
        GradeBook book(fileName_);
        const quint64 first = book.revision();
        QCOMPARE(book.revision(), first);
        book.openSubject(QStringLiteral("Mathe"));
        QCOMPARE(book.revision(), first);
        // Another program writes the file: a different size.
        QVERIFY(writeBytes(fileName_, readBytes(fileName_) +
                                          "[Physik]\r\n7,1,01.10.2023=\"1,1,0,0,0,0,0,"
                                          "0,\"\r\n"));
        const quint64 second = book.revision();
        QVERIFY(second > first);
        QCOMPARE(book.revision(), second);
        book.addTest(classTest(7, 9, QDate(2024, 1, 1)));
        QVERIFY(book.revision() > second);

        // Another program changes one digit, again and again, right after each look.
        int missed = 0;
        for (int i = 0; i < 300; ++i) {
            const quint64 before = book.revision();
            QByteArray bytes = readBytes(fileName_);
            const qsizetype digit = bytes.indexOf("7,9,") + 2;
            bytes[digit] = bytes.at(digit) == '9' ? '8' : '9';
            QFile other(fileName_);
            QVERIFY(other.open(QIODevice::ReadWrite));
            QCOMPARE(other.write(bytes), bytes.size());
            other.close();
            missed += book.revision() > before ? 0 : 1;
        }
        QCOMPARE(missed, 0);
    }
};

QTEST_GUILESS_MAIN(TestGradeBook)
#include "tst_gradebook.moc"
