#include "gradedata/testform.h"

#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "gradedata/inistore.h"

namespace {

bool isLineBreaking(QChar c) {
    const auto category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

TestForm testFormFromListItem(const QString& item) {
    const QStringList fields = splitCommaList(item);
    TestForm form;
    const auto level = readLenientInteger(fields.value(ItemField::GradeLevel));
    if (level && *level >= 1 && *level <= GradeLevels)
        form.gradeLevel = QString::number(*level);
    form.number = fields.value(ItemField::Number);
    form.date = ParseIsoDate(fields.value(ItemField::Date));
    form.lesson = fields.value(ItemField::Lesson);
    for (int g = 0; g < 6; ++g)
        form.counts[g] = fields.value(ItemField::FirstCount + g);
    const QString own = fields.value(ItemField::OwnGrade);
    const auto grade = readLenientInteger(own);
    if (own == QStringLiteral("0"))
        form.ownGrade = 0;
    else if (grade && *grade >= 1 && *grade <= 6)
        form.ownGrade = *grade;
    form.remark = fields.value(ItemField::Remark);
    return form;
}

TestForm testFormFromTest(const ClassTest& test) {
    TestForm form;
    if (test.gradeLevel >= 1 && test.gradeLevel <= GradeLevels)
        form.gradeLevel = QString::number(test.gradeLevel);
    form.number = QString::number(test.number);
    form.date = test.date;
    form.lesson = QString::number(test.lesson);
    for (int g = 0; g < 6; ++g)
        form.counts[g] = QString::number(test.counts[g]);
    form.ownGrade = test.ownGrade >= 0 && test.ownGrade <= 6 ? test.ownGrade : NoOwnGrade;
    form.remark = test.remark;
    return form;
}

bool validateTestForm(TestForm& form) {
    bool faulty = false;
    for (const QString* text : {&form.gradeLevel, &form.number, &form.lesson}) {
        if (!readLenientInteger(*text))
            faulty = true;
    }

    std::array<std::optional<int>, 6> counts;
    qint64 participants = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (form.counts[i].isEmpty())
            form.counts[i] = QStringLiteral("0");
        counts[i] = readLenientInteger(form.counts[i]);
        if (!counts[i] || *counts[i] < 0)
            faulty = true;
        else
            participants += *counts[i];
    }
    if (participants < 1)
        faulty = true;

    if (form.ownGrade < 0 || form.ownGrade > 6)
        faulty = true;
    else if (form.ownGrade > 0 && counts[form.ownGrade - 1].value_or(0) == 0)
        faulty = true;

    return !faulty;
}

QString cleanRemark(const QString& remark) {
    if (remark == QStringLiteral(","))
        return QString();
    QString cleaned;
    cleaned.reserve(remark.size());
    bool inBreak = false;
    for (const QChar c : remark) {
        if (c == u'"')
            continue;
        if (isLineBreaking(c)) {
            if (!inBreak)
                cleaned += u' ';
            inBreak = true;
            continue;
        }
        inBreak = false;
        cleaned += c;
    }
    return cleaned;
}

ClassTest classTestFromForm(const TestForm& form) {
    ClassTest test;
    test.gradeLevel = toInteger(form.gradeLevel);
    test.number = toInteger(form.number);
    test.date = form.date;
    test.lesson = toInteger(form.lesson);
    for (std::size_t i = 0; i < test.counts.size(); ++i)
        test.counts[i] = toInteger(form.counts[i]);
    test.ownGrade = form.ownGrade;
    test.remark = form.remark;
    return test;
}

QString testIdentity(const ClassTest& test) {
    return PadNumber(test.gradeLevel) + u',' + QString::number(test.number) + u',' +
           ShortDateText(test.date);
}

QString testIdentityFromListItem(const QString& item) {
    const QStringList fields = splitCommaList(item);
    return fields.value(ItemField::GradeLevel) + u',' + fields.value(ItemField::Number) + u',' +
           ShortDateText(ParseIsoDate(fields.value(ItemField::Date)));
}

bool collidesWithOtherTest(const IniStore& store, const QString& subject, const ClassTest& test,
                           const QString& changedItem) {
    if (!findStoredTestKey(store, subject, test.gradeLevel, test.number, test.date))
        return false;
    // The key is taken; that is fine only when it is the key of the test being changed.
    return changedItem.isEmpty() || testIdentity(test) != testIdentityFromListItem(changedItem);
}
