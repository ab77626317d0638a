#include "overview/subjectoverview.h"

#include "gradedata/inistore.h"
#include "stats/numberformat.h"
#include "stats/statistics.h"

#include <algorithm>

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

SubjectOverview::SubjectOverview(QList<Subject> subjects) : subjects_(std::move(subjects)) {}

SubjectOverview SubjectOverview::read(const IniStore& store, const QStringList& subjects) {
    QList<Subject> result;
    result.reserve(subjects.size());
    for (const QString& name : subjects) {
        // The entries of the subject, typed; a key without a value counts as the stand-in
        // value, as when the subject is loaded.
        Subject subject{name, {}};
        store.forEachEntry(name, DefaultTestValue, [&](QStringView key, QStringView value) {
            subject.tests.append(readClassTest(key, value));
        });
        // List order, which is by date and grade level first (levels of two digits); tests alike
        // in both (rare) are ordered by their list items. Entries are mostly stored in that
        // order already, and one pass finds them so.
        const auto less = [](const ClassTest& a, const ClassTest& b) {
            if (a.date != b.date)
                return a.date < b.date;
            const auto twoDigits = [](int level) { return level >= 0 && level <= 99; };
            if (a.gradeLevel != b.gradeLevel && twoDigits(a.gradeLevel) && twoDigits(b.gradeLevel))
                return a.gradeLevel < b.gradeLevel;
            return testListLess(TestListItem(a), TestListItem(b));
        };
        if (!std::is_sorted(subject.tests.cbegin(), subject.tests.cend(), less))
            std::stable_sort(subject.tests.begin(), subject.tests.end(), less);
        result.append(std::move(subject));
    }
    return SubjectOverview(std::move(result));
}

QList<int> SubjectOverview::schoolYears() const {
    QList<int> years;
    for (const Subject& subject : subjects_) {
        for (const ClassTest& test : subject.tests)
            years.append(academicYearStart(test.date));
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

QList<ClassTest> SubjectOverview::testsOf(const Subject& subject, SchoolYear year) const {
    if (!year)
        return subject.tests;
    QList<ClassTest> tests;
    for (const ClassTest& test : subject.tests) {
        if (academicYearStart(test.date) == *year)
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
