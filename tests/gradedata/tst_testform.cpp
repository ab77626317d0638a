#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "gradedata/testform.h"
#include "platform/localeformats.h"

#include <QTemporaryDir>
#include <QTest>

using Counts = std::array<QString, 6>;
Q_DECLARE_METATYPE(Counts)

namespace {

TestForm validForm() {
    TestForm form;
    form.gradeLevel = QStringLiteral("5");
    form.number = QStringLiteral("2");
    form.date = QDate(2002, 3, 12);
    form.lesson = QStringLiteral("3");
    form.counts = {QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("8"),
                   QStringLiteral("6"), QStringLiteral("3"), QStringLiteral("1")};
    form.ownGrade = 3;
    form.remark = QStringLiteral("Bruchrechnung");
    return form;
}

} // namespace

// The rules of the class-test entry form and of subject names.
class TestTestForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void validation_data() {
        QTest::addColumn<QString>("gradeLevel");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("lesson");
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<int>("ownGrade");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Counts>("countsAfter");

        const Counts usual = {"2", "5", "8", "6", "3", "1"};
        QTest::newRow("usual") << "5"
                               << "2"
                               << "3" << usual << 3 << true << usual;
        QTest::newRow("all counts empty")
            << "5"
            << "2"
            << "3" << Counts{} << 0 << false << Counts{"0", "0", "0", "0", "0", "0"};
        QTest::newRow("some counts empty") << "5"
                                           << "2"
                                           << "3" << Counts{"", "4", "", "", "", "1"} << 2 << true
                                           << Counts{"0", "4", "0", "0", "0", "1"};
        QTest::newRow("count 2a") << "5"
                                  << "2"
                                  << "3" << Counts{"1", "2a", "3", "", "", ""} << 1 << false
                                  << Counts{"1", "2a", "3", "0", "0", "0"};
        QTest::newRow("count -1") << "5"
                                  << "2"
                                  << "3" << Counts{"3", "-1", "3", "", "", ""} << 1 << false
                                  << Counts{"3", "-1", "3", "0", "0", "0"};
        QTest::newRow("count too large for an integer")
            << "5"
            << "2"
            << "3" << Counts{"99999999999", "1", "", "", "", ""} << 2 << false
            << Counts{"99999999999", "1", "0", "0", "0", "0"};
        QTest::newRow("huge counts do not overflow the sum")
            << "5"
            << "2"
            << "3" << Counts{"2147483647", "2147483647", "2147483647", "1", "1", "1"} << 1 << true
            << Counts{"2147483647", "2147483647", "2147483647", "1", "1", "1"};
        QTest::newRow("leading blanks and a plus sign")
            << "5"
            << "2"
            << "3" << Counts{" 4", "+2", "", "", "", ""} << 1 << true
            << Counts{" 4", "+2", "0", "0", "0", "0"};
        QTest::newRow("own grade 3 with count 0") << "5"
                                                  << "2"
                                                  << "3" << Counts{"4", "4", "0", "4", "", ""} << 3
                                                  << false << Counts{"4", "4", "0", "4", "0", "0"};
        QTest::newRow("own grade 3 with count empty")
            << "5"
            << "2"
            << "3" << Counts{"4", "4", "", "4", "", ""} << 3 << false
            << Counts{"4", "4", "0", "4", "0", "0"};
        QTest::newRow("own grade count not an integer")
            << "5"
            << "2"
            << "3" << Counts{"4", "x", "", "", "", ""} << 2 << false
            << Counts{"4", "x", "0", "0", "0", "0"};
        QTest::newRow("no own grade") << "5"
                                      << "2"
                                      << "3" << usual << NoOwnGrade << false << usual;
        QTest::newRow("not taken part") << "5"
                                        << "2"
                                        << "3" << Counts{"", "", "", "", "", "3"} << 0 << true
                                        << Counts{"0", "0", "0", "0", "0", "3"};
        QTest::newRow("no grade level") << ""
                                        << "2"
                                        << "3" << usual << 3 << false << usual;
        QTest::newRow("number not an integer") << "5"
                                               << "zwei"
                                               << "3" << usual << 3 << false << usual;
        QTest::newRow("number empty") << "5"
                                      << ""
                                      << "3" << usual << 3 << false << usual;
        QTest::newRow("lesson empty") << "5"
                                      << "2"
                                      << "" << usual << 3 << false << usual;
        QTest::newRow("number 7 and lesson 12 typed") << "5"
                                                      << "7"
                                                      << "12" << usual << 3 << true << usual;
    }

    void validation() {
        QFETCH(QString, gradeLevel);
        QFETCH(QString, number);
        QFETCH(QString, lesson);
        QFETCH(Counts, counts);
        QFETCH(int, ownGrade);
        QFETCH(bool, valid);
        QFETCH(Counts, countsAfter);

        TestForm form = validForm();
        form.gradeLevel = gradeLevel;
        form.number = number;
        form.lesson = lesson;
        form.counts = counts;
        form.ownGrade = ownGrade;
        QCOMPARE(validateTestForm(form), valid);
        QCOMPARE(form.counts, countsAfter);
    }

    void classTestOfForm() {
        TestForm form = validForm();
        form.number = QStringLiteral("02");
        form.ownGrade = 0;
        QVERIFY(validateTestForm(form));
        const ClassTest test = classTestFromForm(form);
        QCOMPARE(TestKey(test), QStringLiteral("5,2,12.03.2002"));
        QCOMPARE(TestValue(test), QStringLiteral("\"3,2,5,8,6,3,1,0,Bruchrechnung\""));
        QCOMPARE(TestListItem(test),
                 QStringLiteral("2002-03-12,05,2,3,2,5,8,6,3,1,0,\"Bruchrechnung\""));
    }

    // A selected test fills the form so that storing it again gives the same entry; what the
    // form cannot offer (grade level 14, own grade 7 or 12 from a hand-edited file) stays
    // unchosen.
    void formOfListItem() {
        const QString item =
            QStringLiteral("2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Brüche, \"\"x\"\"\"");
        TestForm form = testFormFromListItem(item);
        QCOMPARE(form.gradeLevel, QStringLiteral("5"));
        QCOMPARE(form.number, QStringLiteral("2"));
        QCOMPARE(form.date, QDate(2002, 3, 12));
        QCOMPARE(form.lesson, QStringLiteral("3"));
        QCOMPARE(form.counts, (std::array<QString, 6>{"2", "5", "8", "6", "3", "1"}));
        QCOMPARE(form.ownGrade, 3);
        QCOMPARE(form.remark, QStringLiteral("Brüche, \"x\""));
        QVERIFY(validateTestForm(form));
        QCOMPARE(TestListItem(classTestFromForm(form)), item);

        QCOMPARE(testFormFromListItem("2002-03-12,05,2,3,2,5,8,6,3,1,0,\"\"").ownGrade, 0);
        for (const char* own : {"7", "12", "-1", "x"}) {
            const QString other = QStringLiteral("2002-03-12,05,2,3,2,5,8,6,3,1,%1,\"\"").arg(own);
            QVERIFY2(testFormFromListItem(other).ownGrade == NoOwnGrade, own);
        }
        QCOMPARE(testFormFromListItem("2002-03-12,14,2,3,2,5,8,6,3,1,0,\"\"").gradeLevel,
                 QString());
        QCOMPARE(testFormFromListItem("2002-03-12,13,2,3,2,5,8,6,3,1,0,\"\"").gradeLevel, "13");
    }

    void remarkCleaning_data() {
        QTest::addColumn<QString>("remark");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("plain") << "Bruchrechnung"
                               << "Bruchrechnung";
        QTest::newRow("blanks kept") << " Lineare  Gleichungen "
                                     << " Lineare  Gleichungen ";
        QTest::newRow("one comma") << ","
                                   << "";
        QTest::newRow("two commas") << ",,"
                                    << ",,";
        QTest::newRow("double quotes") << "Das \"beste\" Thema"
                                       << "Das beste Thema";
        QTest::newRow("quoted comma") << "\",\""
                                      << ",";
        QTest::newRow("only quotes") << "\"\"\""
                                     << "";
        QTest::newRow("CR LF") << "Teil 1\r\nTeil 2"
                               << "Teil 1 Teil 2";
        QTest::newRow("LF and tab") << "a\n\tb"
                                    << "a b";
        QTest::newRow("control characters") << QString("a\x01"
                                                       "b\x7f")
                                            << "a b ";
        QTest::newRow("line separator") << QStringLiteral(u"a\u2028b") << "a b";
    }

    void remarkCleaning() {
        QFETCH(QString, remark);
        QFETCH(QString, cleaned);
        QCOMPARE(cleanRemark(remark), cleaned);
    }

    void duplicates() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        IniStore store(dir.filePath(QStringLiteral("noten.plx")));
        ClassTest stored = classTestFromForm(validForm());
        store.WriteString(QStringLiteral("Mathe"), TestKey(stored), TestValue(stored));
        const QString storedItem = TestListItem(stored);

        ClassTest same = stored;
        same.counts = {1, 1, 1, 1, 1, 1};
        // A new test with the key of a stored one collides, in its own subject only.
        QVERIFY(collidesWithOtherTest(store, QStringLiteral("Mathe"), same, QString()));
        QVERIFY(collidesWithOtherTest(store, QStringLiteral("MATHE"), same, QString()));
        QVERIFY(!collidesWithOtherTest(store, QStringLiteral("Physik"), same, QString()));
        // Changing the stored test itself keeps its key.
        QVERIFY(!collidesWithOtherTest(store, QStringLiteral("Mathe"), same, storedItem));

        ClassTest other = stored;
        other.date = QDate(2002, 3, 19);
        store.WriteString(QStringLiteral("Mathe"), TestKey(other), TestValue(other));
        // Moving the first test onto the date of the second collides.
        ClassTest moved = other;
        QVERIFY(collidesWithOtherTest(store, QStringLiteral("Mathe"), moved, storedItem));
        // Moving it to a free date does not.
        moved.date = QDate(2002, 3, 26);
        QVERIFY(!collidesWithOtherTest(store, QStringLiteral("Mathe"), moved, storedItem));
        QCOMPARE(testIdentityFromListItem(storedItem), QStringLiteral("05,2,12.03.2002"));
        QCOMPARE(testIdentity(stored), QStringLiteral("05,2,12.03.2002"));
    }

    void subjectNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::newRow("plain") << "Mathe" << true;
        QTest::newRow("with blank") << "Bildende Kunst" << true;
        QTest::newRow("with comma and quote") << "Kunst, \"modern\"" << true;
        QTest::newRow("umlaut") << "Erdkunde/Geschichte äöü" << true;
        QTest::newRow("bracket inside") << "Mathe [Kurs]" << false;
        QTest::newRow("closing bracket") << "a]b" << false;
        QTest::newRow("opening bracket only") << "[Kurs" << true;
        QTest::newRow("leading blank") << " Mathe" << false;
        QTest::newRow("trailing blank") << "Mathe " << false;
        QTest::newRow("tab") << "Ma\tthe" << false;
        QTest::newRow("line break") << "Ma\nthe" << false;
        QTest::newRow("Settings") << "Settings" << false;
        QTest::newRow("SETTINGS") << "SETTINGS" << false;
        QTest::newRow("settings") << "settings" << false;
        QTest::newRow("Settings 2") << "Settings 2" << true;
        QTest::newRow("settings tab caption") << "Einstellungen (Strg+E)" << false;
        QTest::newRow("settings tab caption other case") << "einstellungen (strg+e)" << true;
        QTest::newRow("empty") << "" << false;
    }

    void subjectNames() {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        QCOMPARE(isUsableSubjectName(name), usable);
    }
};

QTEST_GUILESS_MAIN(TestTestForm)
#include "tst_testform.moc"
