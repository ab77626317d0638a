#pragma once

#include "gradedata/classtest.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class IniStore;

// A school year by its first calendar year (2023 for 2023/2024); none means all years.
using SchoolYear = std::optional<int>;

// "2023/2024", or "Alle Schuljahre" for none.
QString schoolYearText(SchoolYear year);

// One subject of the overview, over the tests of the chosen school year.
struct OverviewRow {
    QString subject;
    int testCount = 0;
    // Mean of the test averages; none when no test had participants.
    std::optional<long double> classAverage;
    // Mean of the own grades; none when the pupil took part in none of the tests.
    std::optional<long double> ownAverage;
    // The own average rounded as the subject's summary rounds it; 0 when there is none.
    int ownGrade = 0;
    // Own average − class average; none when either is missing.
    std::optional<long double> difference;
    // The own grades 1 .. 6 of the tests the pupil took part in, in list order.
    QList<int> ownGrades;
};

// The texts of the overview's figures, with the locale's decimal separator: averages "0.#"
// ("2,4"), the difference with its sign ("+0,3", "-1,2", "0"), NoAverageText when missing.
QString overviewAverageText(const std::optional<long double>& value);
QString overviewDifferenceText(const std::optional<long double>& value);
QString overviewGradeText(int grade);

// The tests of every subject of a data file, read once and kept typed, and the figures of the
// overview computed from them with the subject statistics.
class SubjectOverview {
public:
    struct Subject {
        QString name;
        QList<ClassTest> tests; // in list order
    };

    SubjectOverview() = default;
    explicit SubjectOverview(QList<Subject> subjects);

    // Reads the tests of the listed subjects from the store (the file is parsed once). A faulty
    // entry raises its error. Read again from the same store while its contents did not change,
    // the tests read before are given without reading them again.
    static SubjectOverview read(const IniStore& store, const QStringList& subjects);

    const QList<Subject>& subjects() const { return subjects_; }
    // The school years the tests lie in, ascending.
    QList<int> schoolYears() const;
    // The tests of a subject that lie in the school year, in list order.
    QList<ClassTest> testsOf(const Subject& subject, SchoolYear year) const;
    // One row per subject that has a test in the school year, in the order of the subjects.
    QList<OverviewRow> rows(SchoolYear year) const;

private:
    QList<Subject> subjects_;
};
