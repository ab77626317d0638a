#include "gradedata/classtest.h"

#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"

#include <algorithm>

namespace {

// Field index of a split list; a missing field raises the list index error.
const QString& field(const QStringList& fields, qsizetype index) {
    if (index >= fields.size())
        throw AppError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(index));
    return fields.at(index);
}

// Lesson, the six counts and the own grade, as decimal numbers.
QStringList valueNumbers(const ClassTest& test) {
    QStringList fields;
    fields.reserve(9);
    fields.append(QString::number(test.lesson));
    for (const int count : test.counts)
        fields.append(QString::number(count));
    fields.append(QString::number(test.ownGrade));
    return fields;
}

} // namespace

QString TestKey(const ClassTest& test) {
    return QString::number(test.gradeLevel) + u',' + QString::number(test.number) + u',' +
           ShortDateText(test.date);
}

QString TestValue(const ClassTest& test) {
    QStringList fields = valueNumbers(test);
    fields.append(test.remark);
    return u'"' + joinCommaList(fields) + u'"';
}

QString TestListItem(const ClassTest& test) {
    // The remark is always quoted; quoteField doubles any quote in it, so that the item
    // splits into its twelve fields again whatever the remark holds.
    return FormatIsoDate(test.date) + u',' + PadNumber(test.gradeLevel, 2) + u',' +
           QString::number(test.number) + u',' + valueNumbers(test).join(u',') + u',' +
           quoteField(test.remark);
}

QString testValueFromListItem(const QString& item) {
    QStringList fields = splitCommaList(item);
    fields.remove(0, std::min<qsizetype>(3, fields.size()));
    return u'"' + joinCommaList(fields) + u'"';
}

QString testKeyFromListItem(const QString& item) {
    const QStringList fields = splitCommaList(item);
    const QString& date = field(fields, ItemField::Date);
    const QString& gradeLevel = field(fields, ItemField::GradeLevel);
    const QString& number = field(fields, ItemField::Number);
    return NumberText(gradeLevel, false) + u',' + number + u',' + ShortDateText(ParseIsoDate(date));
}

ClassTest readClassTest(const QString& key, const QString& value) {
    const QStringList keyFields = splitCommaList(key);
    const QStringList valueFields = splitCommaList(value);
    ClassTest test;
    test.gradeLevel = toInteger(field(keyFields, 0));
    test.number = toInteger(field(keyFields, 1));
    test.lesson = toInteger(field(valueFields, 0));
    for (int grade = 0; grade < 6; ++grade)
        test.counts[grade] = toInteger(field(valueFields, 1 + grade));
    test.ownGrade = toInteger(field(valueFields, 7));
    test.date = ParseShortDate(field(keyFields, 2));
    test.remark = field(valueFields, 8);
    return test;
}

ClassTest classTestFromListItem(const QString& item) {
    const QStringList fields = splitCommaList(item);
    ClassTest test;
    test.date = ParseIsoDate(field(fields, ItemField::Date));
    test.gradeLevel = toInteger(field(fields, ItemField::GradeLevel));
    test.number = toInteger(field(fields, ItemField::Number));
    test.lesson = toInteger(field(fields, ItemField::Lesson));
    for (int grade = 0; grade < 6; ++grade)
        test.counts[grade] = toInteger(field(fields, ItemField::FirstCount + grade));
    test.ownGrade = toInteger(field(fields, ItemField::OwnGrade));
    test.remark = field(fields, ItemField::Remark);
    return test;
}

bool testListLess(const QString& a, const QString& b) {
    return LocaleFormats::current().compare(a, b) < 0;
}

int insertSorted(QStringList& items, const QString& item) {
    // Entries are mostly stored in date order, so look at the end first.
    if (items.isEmpty() || !testListLess(item, items.back())) {
        items.append(item);
        return int(items.size() - 1);
    }
    const auto place = std::upper_bound(items.begin(), items.end(), item, testListLess);
    const auto index = place - items.begin();
    items.insert(index, item);
    return int(index);
}

void LoadSubjectTests(const IniStore& store, const QString& subject, QStringList& items) {
    // One read of the section gives every listed key together with its value, so the file is
    // parsed once per subject and a listed key never lacks its value (DefaultTestValue, the
    // stand-in for such a key, is not needed here).
    for (const auto& [key, value] : store.ReadSectionValues(subject))
        insertSorted(items, TestListItem(readClassTest(key, value)));
}
