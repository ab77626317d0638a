#include "gradedata/classtest.h"

#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "gradedata/inistore.h"
#include "gradedata/permute.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace {

AppError missingField(qsizetype index) {
    return AppError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(index));
}

// Field index of a split list; a missing field raises the list index error.
const QString& field(const QStringList& fields, qsizetype index) {
    if (index >= fields.size())
        throw missingField(index);
    return fields.at(index);
}

QStringView field(const CommaFields& fields, qsizetype index) {
    if (index >= fields.size())
        throw missingField(index);
    return fields[index];
}

// Collects the characters of a test's numbers on the stack and makes one string of them at
// the end. Twelve numbers of at most eleven characters, with their separators, fit.
class TextBuilder {
public:
    void add(char16_t c) { chars_[size_++] = c; }
    // The decimal text of n, with "0" in front up to width (at most 4) digits.
    void addNumber(int n, int width = 0) {
        char16_t digits[12];
        int length = 0;
        unsigned magnitude = n < 0 ? 0u - unsigned(n) : unsigned(n);
        do {
            digits[length++] = char16_t(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude > 0);
        if (n < 0)
            digits[length++] = u'-';
        for (int pad = length; pad < width; ++pad)
            chars_[size_++] = u'0';
        while (length > 0)
            chars_[size_++] = digits[--length];
    }
    // Lesson, the six counts and the own grade, separated by commas.
    void addValueNumbers(const ClassTest& test) {
        addNumber(test.lesson);
        for (const int count : test.counts) {
            add(u',');
            addNumber(count);
        }
        add(u',');
        addNumber(test.ownGrade);
    }
    QString text(QStringView tail = {}) const {
        QString text;
        text.reserve(size_ + tail.size() + 2);
        text.append(QStringView(chars_, size_));
        text.append(tail);
        return text;
    }

private:
    char16_t chars_[192];
    qsizetype size_ = 0;
};

} // namespace

QString TestKey(const ClassTest& test) {
    return QString::number(test.gradeLevel) + u',' + QString::number(test.number) + u',' +
           ShortDateText(test.date);
}

QString TestValue(const ClassTest& test) {
    TextBuilder text;
    text.add(u'"');
    text.addValueNumbers(test);
    text.add(u',');
    // The remark goes through the joining rule: quoted when it needs it, empty as nothing.
    return text.text(test.remark.isEmpty() ? QString() : joinCommaList({test.remark})) + u'"';
}

QString TestListItem(const ClassTest& test) {
    TextBuilder text;
    if (test.date.isValid()) {
        int year = 0, month = 0, day = 0;
        test.date.getDate(&year, &month, &day);
        text.addNumber(year, 4);
        text.add(u'-');
        text.addNumber(month, 2);
        text.add(u'-');
        text.addNumber(day, 2);
    }
    text.add(u',');
    text.addNumber(test.gradeLevel, 2);
    text.add(u',');
    text.addNumber(test.number);
    text.add(u',');
    text.addValueNumbers(test);
    text.add(u',');
    // The remark is always quoted; quoteField doubles any quote in it, so that the item
    // splits into its twelve fields again whatever the remark holds.
    if (test.remark.contains(u'"'))
        return text.text(quoteField(test.remark));
    text.add(u'"');
    QString item = text.text(test.remark);
    item += u'"';
    return item;
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

namespace {

// Whether key names the test of this grade level, number and date, whatever its spelling.
bool keyNamesTest(const QString& key, int gradeLevel, int number, const QDate& date) {
    const CommaFields fields(key);
    if (fields.size() < 3 || readLenientInteger(fields[0]) != gradeLevel ||
        readLenientInteger(fields[1]) != number)
        return false;
    return LocaleFormats::current().parseShortDate(fields[2]) == date;
}

} // namespace

std::optional<QString> findStoredTestKey(const IniStore& store, const QString& subject,
                                         int gradeLevel, int number, const QDate& date) {
    ClassTest test;
    test.gradeLevel = gradeLevel;
    test.number = number;
    test.date = date;
    // The program's own spelling is the usual case and needs no pass over the section.
    const QString key = TestKey(test);
    if (store.ValueExists(subject, key))
        return key;
    for (const QString& stored : store.ReadSection(subject)) {
        if (keyNamesTest(stored, gradeLevel, number, date))
            return stored;
    }
    return std::nullopt;
}

QString storedTestKey(const IniStore& store, const QString& subject, const QString& item) {
    const ClassTest test = classTestFromListItem(item);
    return findStoredTestKey(store, subject, test.gradeLevel, test.number, test.date)
        .value_or(TestKey(test));
}

namespace {

// Characters of an unquoted field: anything but blanks, control characters and the comma.
inline bool isUnquotedFieldChar(char16_t c) {
    return c > u' ' && c != u',';
}

// An integer field as the program writes it, at p: one to nine ASCII digits (no sign, no
// blank, no overflow possible) and the comma after them. Returns the position after the comma,
// or nothing for any other text.
inline const char16_t* readPlainNumber(const char16_t* p, const char16_t* end, int& value) {
    const char16_t* const start = p;
    const char16_t* const digitsEnd = end - p > 9 ? p + 9 : end;
    int n = 0;
    while (p < digitsEnd && char16_t(*p - u'0') <= 9)
        n = n * 10 + (*p++ - u'0');
    if (p == start || p == end || *p != u',')
        return nullptr;
    value = n;
    return p + 1;
}

// Reads an entry as the program writes it ("5,2,12.03.2002" = "3,2,5,8,6,3,1,3,Bruchrechnung",
// the remark maybe quoted) straight from its characters, without splitting it into fields.
// Whatever else the entry holds (blanks, signs, long numbers, doubled quotes, a faulty field)
// makes it return false, and the entry is read field by field, which gives the same test or
// raises the error of the first faulty field.
bool readPlainClassTest(QStringView key, QStringView value, ClassTest& test) {
    const char16_t* p = key.utf16();
    const char16_t* end = p + key.size();
    if (!(p = readPlainNumber(p, end, test.gradeLevel)) ||
        !(p = readPlainNumber(p, end, test.number)))
        return false;
    // The date field runs to the next comma or blank; further fields are not read.
    const char16_t* const dateStart = p;
    while (p < end && isUnquotedFieldChar(*p))
        ++p;
    if (p == dateStart || *dateStart == u'"')
        return false;
    test.date = LocaleFormats::current().parseShortDate(QStringView(dateStart, p));
    if (!test.date.isValid())
        return false;

    p = value.utf16();
    end = p + value.size();
    if (!(p = readPlainNumber(p, end, test.lesson)))
        return false;
    for (int& count : test.counts) {
        if (!(p = readPlainNumber(p, end, count)))
            return false;
    }
    if (!(p = readPlainNumber(p, end, test.ownGrade)))
        return false;
    // The remark: nothing after the comma is an empty remark; a quoted one runs to its closing
    // quote (or the end), any other one to the next comma or blank.
    QStringView remark;
    if (p < end && *p == u'"') {
        const char16_t* const start = ++p;
        while (p < end && *p != u'"')
            ++p;
        if (p + 1 < end && p[1] == u'"')
            return false; // a doubled quote inside
        remark = QStringView(start, p);
    } else if (p < end) {
        if (*p <= u' ')
            return false;
        const char16_t* const start = p;
        while (p < end && isUnquotedFieldChar(*p))
            ++p;
        remark = QStringView(start, p);
    }
    if (remark.size() > MaxRemarkLength)
        return false;
    test.remark = remark.toString();
    return true;
}

} // namespace

ClassTest readClassTest(const QString& key, const QString& value) {
    return readClassTest(QStringView(key), QStringView(value));
}

ClassTest readClassTest(QStringView key, QStringView value) {
    ClassTest test;
    if (readPlainClassTest(key, value, test))
        return test;
    test = ClassTest();
    const CommaFields keyFields(key);
    const CommaFields valueFields(value);
    test.gradeLevel = toInteger(field(keyFields, 0));
    test.number = toInteger(field(keyFields, 1));
    test.lesson = toInteger(field(valueFields, 0));
    for (int grade = 0; grade < 6; ++grade)
        test.counts[grade] = toInteger(field(valueFields, 1 + grade));
    test.ownGrade = toInteger(field(valueFields, 7));
    test.date = ParseShortDate(field(keyFields, 2));
    const QStringView remark = field(valueFields, 8);
    if (remark.size() > MaxRemarkLength)
        throw AppError(QStringLiteral("Die Bemerkung des Tests %1 ist mit %2 Zeichen zu lang; "
                                      "höchstens %3 Zeichen sind möglich.")
                           .arg(key)
                           .arg(remark.size())
                           .arg(MaxRemarkLength));
    test.remark = remark.toString();
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

namespace {

// Characters whose order in the collation is their order as code points: digits after the
// punctuation "," and "-". A "," never meets a "-" at the same place of two items as the
// program writes them; where it does, the collator decides.
bool isPlainItemChar(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u',' || c == u'-';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The order of two items as far as their first n characters decide it: -1 or 1 where they first
// differ in plain characters, one of them a digit; 0 where they leave it to the collator.
int plainOrder(const char16_t* a, const char16_t* b, qsizetype n) {
    qsizetype i = 0;
    while (i < n && a[i] == b[i] && isPlainItemChar(a[i]))
        ++i;
    if (i < n && a[i] != b[i] && isPlainItemChar(a[i]) && isPlainItemChar(b[i]) &&
        (isDigit(a[i]) || isDigit(b[i])))
        return a[i] < b[i] ? -1 : 1;
    return 0;
}

// A row's place while rows are sorted: its number and the first characters of its item, side
// by side with the others', so that most comparisons end without reaching into the rows.
struct SortKey {
    static constexpr int HeadLength = 16;
    std::array<char16_t, HeadLength> head{};
    int headLength = 0; // the item's first characters, all of them for a shorter item
    qsizetype row = 0;
};

} // namespace

int compareTestListItems(QStringView a, QStringView b) {
    if (const int order = plainOrder(a.utf16(), b.utf16(), std::min(a.size(), b.size()));
        order != 0)
        return order;
    return LocaleFormats::current().compare(a.toString(), b.toString());
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

TestRow makeTestRow(ClassTest test) {
    QString item = TestListItem(test);
    return {std::move(test), std::move(item)};
}

namespace {

// The places of the rows in list order, by their keys: each row's number with the first
// characters of its item (the item's date, grade level and number), side by side. Empty when
// the rows are in order already.
std::vector<qsizetype> orderByKeys(const QList<TestRow>& rows) {
    std::vector<SortKey> keys(size_t(rows.size()));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        SortKey& key = keys[size_t(r)];
        const QString& item = rows.at(r).item;
        key.headLength = int(std::min<qsizetype>(item.size(), SortKey::HeadLength));
        std::copy_n(item.utf16(), key.headLength, key.head.begin());
        key.row = r;
    }
    const auto less = [&](const SortKey& a, const SortKey& b) {
        const int order =
            plainOrder(a.head.data(), b.head.data(), std::min(a.headLength, b.headLength));
        return order != 0 ? order < 0 : testRowLess(rows.at(a.row), rows.at(b.row));
    };
    if (std::is_sorted(keys.begin(), keys.end(), less))
        return {};
    std::stable_sort(keys.begin(), keys.end(), less);
    std::vector<qsizetype> order(keys.size());
    std::transform(keys.begin(), keys.end(), order.begin(),
                   [](const SortKey& key) { return key.row; });
    return order;
}

// The same by the rows' numbers alone, which take less room. Empty when the rows are in order.
std::vector<qsizetype> orderByNumbers(const QList<TestRow>& rows) {
    if (std::is_sorted(rows.begin(), rows.end(), testRowLess))
        return {};
    std::vector<qsizetype> order(size_t(rows.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return testRowLess(rows.at(a), rows.at(b)); });
    return order;
}

} // namespace

void sortTestRows(QList<TestRow>& rows) {
    // Entries are mostly stored in date order; then one pass finds them sorted. Otherwise the
    // rows' places are sorted, and each row is moved once to its place. A subject of very many
    // tests (a hand-made or hostile file) is sorted by the rows' numbers alone: the merging
    // needs room for half the numbers, not for half the keys.
    constexpr qsizetype sortedByNumbersFrom = 1 << 16;
    std::vector<qsizetype> order =
        rows.size() < sortedByNumbersFrom ? orderByKeys(rows) : orderByNumbers(rows);
    if (!order.empty())
        permute(rows, order);
}

void loadSubjectRows(const IniStore& store, const QString& subject, QList<TestRow>& rows) {
    // One walk over the section gives every listed key together with its value, uncopied; a
    // key without a value (a line without "=") gets the stand-in DefaultTestValue.
    try {
        store.forEachEntry(subject, DefaultTestValue, [&](QStringView key, QStringView value) {
            rows.append(makeTestRow(readClassTest(key, value)));
        });
    } catch (...) {
        sortTestRows(rows);
        throw;
    }
    sortTestRows(rows);
}

void LoadSubjectTests(const IniStore& store, const QString& subject, QStringList& items) {
    QList<TestRow> rows;
    try {
        loadSubjectRows(store, subject, rows);
    } catch (...) {
        for (const TestRow& row : std::as_const(rows))
            insertSorted(items, row.item);
        throw;
    }
    for (const TestRow& row : std::as_const(rows))
        insertSorted(items, row.item);
}
