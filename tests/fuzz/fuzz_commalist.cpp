// The comma-list rules and the texts built on them: splitting never fails, the copying and the
// copy-free split agree, joining and splitting again gives the same fields, and a test list item
// or data-file entry that reads as a test is written back so that it reads as the same test.

#include "fuzzinput.h"
#include "gradedata/classtest.h"
#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "platform/apperror.h"

namespace {

QString describe(const QStringList& fields) {
    return u'[' + fields.join(QStringLiteral("|")) + u']';
}

bool sameTest(const ClassTest& a, const ClassTest& b) {
    return a.gradeLevel == b.gradeLevel && a.number == b.number && a.date == b.date &&
           a.lesson == b.lesson && a.counts == b.counts && a.ownGrade == b.ownGrade &&
           a.remark == b.remark;
}

void checkSplitAndJoin(const QString& text) {
    const QStringList fields = splitCommaList(text);
    const CommaFields views(text);
    FUZZ_CHECK(views.size() == fields.size(), text);
    for (qsizetype i = 0; i < fields.size(); ++i)
        FUZZ_CHECK(views[i] == fields.at(i), text);
    if (fields.isEmpty())
        return;
    const QString joined = joinCommaList(fields);
    FUZZ_CHECK(splitCommaList(joined) == fields, text + u'\n' + joined + u'\n' + describe(fields));
}

void checkItem(const QString& text) {
    ClassTest test;
    try {
        test = classTestFromListItem(text);
    } catch (const AppError&) {
        return;
    }
    // What reads as a test is written as one, and reads back the same.
    const QString item = TestListItem(test);
    ClassTest back;
    try {
        back = classTestFromListItem(item);
    } catch (const AppError& error) {
        fuzzFailure("a written list item does not read back", item + u'\n' + error.message());
    }
    FUZZ_CHECK(sameTest(test, back), text + u'\n' + item);
    FUZZ_CHECK(TestListItem(back) == item, item);
    // The data-file form of a test without line breaks in its remark reads back the same.
    if (test.remark.contains(u'"'))
        return;
    const QString key = TestKey(test);
    QString value = TestValue(test);
    FUZZ_CHECK(value.size() >= 2 && value.front() == u'"' && value.back() == u'"', value);
    value = value.mid(1, value.size() - 2);
    try {
        FUZZ_CHECK(sameTest(readClassTest(key, value), test), key + u'=' + value);
    } catch (const AppError& error) {
        // Dates the short format cannot hold (years beyond four digits) stay out of keys.
        if (test.date.year() >= 1 && test.date.year() <= 9999)
            fuzzFailure("a written entry does not read back",
                        key + u'=' + value + u'\n' + error.message());
    }
}

void checkConversions(const QString& text) {
    const auto lenient = readLenientInteger(text);
    try {
        const int value = toInteger(text);
        FUZZ_CHECK(lenient && *lenient == value, text);
        FUZZ_CHECK(NumberText(text, false) == QString::number(value), text);
    } catch (const AppError&) {
        FUZZ_CHECK(!lenient, text);
    }
    try {
        const QDate date = ParseIsoDate(text);
        FUZZ_CHECK(date.isValid(), text);
        FUZZ_CHECK(ParseIsoDate(FormatIsoDate(date)) == date, text);
    } catch (const AppError&) {
    }
    try {
        const QDate date = ParseShortDate(text);
        FUZZ_CHECK(date.isValid(), text);
        FUZZ_CHECK(ParseShortDate(ShortDateText(date)) == date, text);
    } catch (const AppError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    useGermanFormats();
    FuzzInput input(data, size);
    // The first byte chooses how the rest is read: as UTF-8 text, or built from the palette of
    // characters that matter.
    const bool palette = input.byte() & 1;
    const QString text = palette ? input.text(400) : QString::fromUtf8(input.rest());
    checkSplitAndJoin(text);
    checkItem(text);
    checkConversions(text);
    return 0;
}
