#pragma once

#include "gradedata/classtest.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Arithmetic on grade distributions. Nothing is stored: every figure is computed from the
// test list items or data-file values it is given.
//
// A test whose six counts are all 0 (possible only in a hand-edited file) has no average: it
// counts as a test everywhere, with 0 participants, but is left out wherever averages are
// averaged, so that no figure becomes 0 / 0.

// Shown where a test or a subject has no average.
inline const QString NoAverageText = QStringLiteral("–");

// c1 + ... + c6, summed in 64 bits so that hand-edited huge counts cannot overflow.
qint64 Participants(const GradeCounts& counts);

// (1·c1 + 2·c2 + ... + 6·c6) / (c1 + ... + c6) in extended precision, not rounded; empty when
// the test has no participants.
std::optional<long double> TestAverage(const GradeCounts& counts);

// The average as the views show it ("0.#": 2,9), or NoAverageText.
QString TestAverageText(const GradeCounts& counts);

// Sum of a run of values, with 1 in place of a sum of 0. The bar diagrams give the bar of
// grade g the share value(g) / RemainingSum(g .. 6) of the width still left.
// Fields first .. last (inclusive) of a split test list item, converted with toInteger (a
// field that is not an integer raises its conversion error).
qint64 RemainingSum(const QStringList& itemFields, int first, int last);
// Counts of grades first .. last (1 .. 6).
qint64 RemainingSum(const GradeCounts& counts, int firstGrade, int lastGrade);
// Mean counts of grades first .. last (1 .. 6).
long double RemainingSum(const std::array<long double, 6>& meanCounts, int firstGrade,
                         int lastGrade);

// The width in whole pixels of a bar that gets `share` of the `left` pixels still left: the
// integer part of share, kept within 0 .. left. Hand-edited negative or huge counts can give
// any share; the bar then still neither overflows nor leaves its frame.
int barWidth(long double share, int left);

// The means of one subject over the test list items of its tests.
struct SubjectSummary {
    int TestCount = 0;
    // Mean number of pupils per test for grade 1 .. 6 (index 0 is grade 1); see meanCount().
    std::array<long double, 6> MeanCounts{};
    long double MeanParticipants = 0;
    // Mean of the test averages, each test weighing the same; tests without participants
    // are left out. Empty when no test has participants.
    std::optional<long double> MeanAverage;
    long double MeanLesson = 0;
    // Tests whose own-grade field is exactly "0" ("nicht teilgenommen").
    int NotTaken = 0;
    // Mean of the own grades 1 .. 6; own grades outside 1 .. 6 (a hand-edited file) are left
    // out like "0". 0 when no test carries a grade.
    long double OwnAverage = 0;
    // OwnAverage rounded to the nearest whole number, halves to even; 0 marks nothing.
    int OwnGrade = 0;

    long double meanCount(int grade) const { return MeanCounts[grade - 1]; }
};

// The summary of the test list items of one subject; empty when there are none. A field that
// is not an integer raises its conversion error ("'x' ist kein gültiger Integerwert").
std::optional<SubjectSummary> computeSubjectSummary(const QStringList& testListItems);
// The summary of the tests of one subject, in list order; empty when there are none.
std::optional<SubjectSummary> subjectSummaryOf(const QList<ClassTest>& tests);
std::optional<SubjectSummary> subjectSummaryOf(const QList<TestRow>& rows);

// Rounds to the nearest whole number, an exact half going to the even neighbour.
long long roundHalfToEven(long double value);

// First calendar year of the academic year (August to July) that the date lies in.
int academicYearStart(const QDate& date);
// "2003/2004".
QString academicYearText(const QDate& date);

// The remark of a test list item (field 11 without its quotes); empty when it has none.
QString TestRemark(const QString& testListItem);
