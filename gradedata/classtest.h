#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class IniStore;

// Pupils with grade 1 .. 6, in that order.
using GradeCounts = std::array<int, 6>;

// One class test of a subject.
struct ClassTest {
    int gradeLevel = 0; // "Klasse", 1 .. 13
    int number = 0;     // number of the test within the grade level
    QDate date;
    int lesson = 0; // "Schulstunde"
    GradeCounts counts{};
    int ownGrade = 0; // 1 .. 6, 0 = "nicht teilgenommen"
    QString remark;
};

// Field positions of a TestListItem after splitting it.
namespace ItemField {
constexpr int Date = 0, GradeLevel = 1, Number = 2, Lesson = 3, FirstCount = 4, OwnGrade = 10,
              Remark = 11, Count = 12;
}

// The longest remark the entry form's field holds. A longer one (a hand-edited file) is refused
// when the test is read: shown cut, it would be lost at the next "Ändern", and a remark of
// megabytes would freeze the window that lays it out.
constexpr int MaxRemarkLength = 32767;

// Value used for a listed key that cannot be read.
inline const QString DefaultTestValue = QStringLiteral("1,1,1,1,1,1,1,1,\"\"");

// "5,2,12.03.2002": grade level, number, short date.
QString TestKey(const ClassTest& test);
// "\"3,2,5,8,6,3,1,3,Bruchrechnung\"": lesson, six counts, own grade, remark, in quotes.
QString TestValue(const ClassTest& test);
// "2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\"": the text of a test in the test list.
QString TestListItem(const ClassTest& test);

// The TestValue of a list item: its fields without date, grade level and number, joined.
QString testValueFromListItem(const QString& item);
// The TestKey of a list item: grade level without padding, number, short date.
QString testKeyFromListItem(const QString& item);

// The key under which the subject stores a test with this grade level, number and date.
// Keys written by hand may spell the same test differently from the program ("05,02,1.3.2002"
// for "5,2,01.03.2002"). The program's own spelling is looked up first, then the first stored
// key of the same meaning; keys that do not read as a test are passed over. Nothing when no
// stored key names the test.
std::optional<QString> findStoredTestKey(const IniStore& store, const QString& subject,
                                         int gradeLevel, int number, const QDate& date);
// The stored key of the test a list item shows; the key as the program writes it when the
// subject holds none of that meaning.
QString storedTestKey(const IniStore& store, const QString& subject, const QString& item);

// Reads a data-file entry into a test. Fields are taken in the order grade level, number,
// lesson, counts, own grade, date, remark; the first faulty one raises its conversion error,
// a missing field "Listenindex überschreitet das Maximum (<index>)", a remark longer than
// MaxRemarkLength "Die Bemerkung des Tests <key> ist mit <n> Zeichen zu lang; höchstens 32767
// Zeichen sind möglich.".
ClassTest readClassTest(QStringView key, QStringView value);
ClassTest readClassTest(const QString& key, const QString& value);
// Splits a list item into its test; raises like readClassTest.
ClassTest classTestFromListItem(const QString& item);

// Case-insensitive order of the test list (date, then grade level, then number), in the
// locale's collation (<0, 0, >0). Items as the program writes them are told apart by their
// leading numbers and dates, which are compared character by character without the collator;
// only what lies beyond (the remark, or characters other than digits, "-" and ",") goes to it.
int compareTestListItems(QStringView a, QStringView b);
inline bool testListLess(const QString& a, const QString& b) {
    return compareTestListItems(a, b) < 0;
}
// Inserts item at its sorted place; returns its index.
int insertSorted(QStringList& items, const QString& item);

// A class test together with its test list item, the text the list shows and sorts by.
struct TestRow {
    ClassTest test;
    QString item;
};
TestRow makeTestRow(ClassTest test);
inline bool testRowLess(const TestRow& a, const TestRow& b) {
    return compareTestListItems(a.item, b.item) < 0;
}
// Sorts rows into list order; rows of equal items keep their order.
void sortTestRows(QList<TestRow>& rows);

// Appends the tests of the subject to rows, in list order. A faulty entry raises its error;
// the tests read before it stay in rows, sorted. The file is never changed.
void loadSubjectRows(const IniStore& store, const QString& subject, QList<TestRow>& rows);
// The same as list items.
void LoadSubjectTests(const IniStore& store, const QString& subject, QStringList& items);
