#include "overview/subjectoverview.h"

#include "gradedata/inistore.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "stats/numberformat.h"
#include "stats/statistics.h"

#include <algorithm>
#include <numeric>
#include <vector>

QString schoolYearText(SchoolYear year) {
    if (!year)
        return QStringLiteral("Alle Schuljahre");
    return QStringLiteral("%1/%2").arg(*year).arg(*year + 1);
}

QString overviewAverageText(const std::optional<long double>& value) {
    return value ? formatDecimal(*value, 1) : NoAverageText;
}

QString overviewDifferenceText(const std::optional<long double>& value) {
    if (!value)
        return NoAverageText;
    QString text = formatDecimal(*value, 1);
    // A difference that rounds to 0 has no sign.
    if (text == u"-0")
        text = QStringLiteral("0");
    if (*value > 0 && text != u"0")
        text.prepend(u'+');
    return text;
}

QString overviewGradeText(int grade) {
    return grade >= 1 ? QString::number(grade) : NoAverageText;
}

namespace {

// The school year of dates, remembering the days of the last one found: tests in list order
// follow each other within a school year, and then the year is found without taking the date
// apart.
class SchoolYearOfDate {
public:
    int operator()(const QDate& date) {
        const qint64 day = date.toJulianDay();
        if (!date.isValid() || day < first_ || day >= end_) {
            year_ = academicYearStart(date);
            const QDate first(year_, 8, 1), end(year_ + 1, 8, 1);
            // No range is kept where the calendar has no such day (around year 0).
            const bool whole = date.isValid() && first.isValid() && end.isValid();
            first_ = whole ? first.toJulianDay() : 0;
            end_ = whole ? end.toJulianDay() : 0;
        }
        return year_;
    }

private:
    int year_ = 0;
    qint64 first_ = 0, end_ = 0;
};

} // namespace

SubjectOverview::SubjectOverview(QList<Subject> subjects) : subjects_(std::move(subjects)) {}

namespace {

// The overview read last, and what it was read from: the store's revision, which no other state
// of any store shares, the subjects, and the date format and year that the keys were read with
// (a year of two digits lies within fifty years of today).
struct LastRead {
    quint64 revision = 0;
    QStringList subjects;
    QString dateFormat;
    int thisYear = 0;
    SubjectOverview overview;
};

LastRead& lastRead() {
    static LastRead last;
    return last;
}

} // namespace

SubjectOverview SubjectOverview::read(const IniStore& store, const QStringList& subjects) {
    // The main window keeps its store, and the overview and the print dialog read every subject
    // each time they open: while the file did not change, the tests read last time are given
    // again (they are shared, not copied).
    LastRead& last = lastRead();
    const quint64 revision = store.contentsRevision();
    const QString& dateFormat = LocaleFormats::current().shortDateFormat();
    const int thisYear = Clock::today().year();
    if (revision == last.revision && subjects == last.subjects && dateFormat == last.dateFormat &&
        thisYear == last.thisYear)
        return last.overview;

    // List order, which is by date and grade level first (levels of two digits); tests alike in
    // both (rare) are ordered by their list items.
    const auto less = [](const ClassTest& a, const ClassTest& b) {
        if (a.date != b.date)
            return a.date < b.date;
        const auto twoDigits = [](int level) { return level >= 0 && level <= 99; };
        if (a.gradeLevel != b.gradeLevel && twoDigits(a.gradeLevel) && twoDigits(b.gradeLevel))
            return a.gradeLevel < b.gradeLevel;
        return testListLess(TestListItem(a), TestListItem(b));
    };
    QList<Subject> result;
    result.reserve(subjects.size());
    for (const QString& name : subjects)
        result.append(Subject{name, {}});
    // The entries of every subject from one look at the file, typed; a key without a value
    // counts as the stand-in value, as when the subject is loaded. The tests of a subject are
    // collected, then their positions sorted and each test moved once to its place.
    QList<ClassTest> read; // keeps its room from subject to subject
    std::vector<qsizetype> order;
    qsizetype current = -1;
    const auto finishSubject = [&] {
        if (current < 0)
            return;
        order.resize(read.size());
        std::iota(order.begin(), order.end(), 0);
        const auto before = [&](qsizetype a, qsizetype b) { return less(read[a], read[b]); };
        if (!std::is_sorted(order.cbegin(), order.cend(), before))
            std::stable_sort(order.begin(), order.end(), before);
        QList<ClassTest>& tests = result[current].tests;
        tests.reserve(read.size());
        for (const qsizetype at : order)
            tests.append(std::move(read[at]));
        read.clear();
    };
    store.forEachEntry(subjects, DefaultTestValue,
                       [&](qsizetype index, QStringView key, QStringView value) {
                           if (index != current) {
                               finishSubject();
                               current = index;
                           }
                           read.append(readClassTest(key, value));
                       });
    finishSubject();
    last = {revision, subjects, dateFormat, thisYear, SubjectOverview(std::move(result))};
    return last.overview;
}

QList<int> SubjectOverview::schoolYears() const {
    QList<int> years;
    SchoolYearOfDate yearOf;
    for (const Subject& subject : subjects_) {
        for (const ClassTest& test : subject.tests) {
            const int year = yearOf(test.date);
            if (years.isEmpty() || years.back() != year)
                years.append(year);
        }
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

QList<ClassTest> SubjectOverview::testsOf(const Subject& subject, SchoolYear year) const {
    if (!year)
        return subject.tests;
    QList<ClassTest> tests;
    SchoolYearOfDate yearOf;
    for (const ClassTest& test : subject.tests) {
        if (yearOf(test.date) == *year)
            tests.append(test);
    }
    return tests;
}

QList<OverviewRow> SubjectOverview::rows(SchoolYear year) const {
    QList<OverviewRow> rows;
    for (const Subject& subject : subjects_) {
        const QList<ClassTest> tests = testsOf(subject, year);
        const std::optional<SubjectSummary> summary = subjectSummaryOf(tests);
        if (!summary)
            continue;
        OverviewRow row;
        row.subject = subject.name;
        row.testCount = summary->TestCount;
        row.classAverage = summary->MeanAverage;
        for (const ClassTest& test : tests) {
            if (test.ownGrade >= 1 && test.ownGrade <= 6)
                row.ownGrades.append(test.ownGrade);
        }
        if (!row.ownGrades.isEmpty()) {
            row.ownAverage = summary->OwnAverage;
            row.ownGrade = summary->OwnGrade;
        }
        if (row.ownAverage && row.classAverage)
            row.difference = *row.ownAverage - *row.classAverage;
        rows.append(std::move(row));
    }
    return rows;
}
