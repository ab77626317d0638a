#pragma once

#include <QList>
#include <QString>

// "Welche Note brauche ich?": the grade that each of the tests still to come needs so that the
// own average reaches a target, every test weighing the same as in the subject's own average.
struct NeededGrade {
    // The target can be reached: with `grade` or better in each remaining test.
    bool reachable = false;
    // The worst whole grade (1 .. 6) that still reaches the target when every remaining test
    // gets it; 0 when the target cannot be reached.
    int grade = 0;
    // The own average with `grade` in every remaining test; when the target cannot be
    // reached, the best average left (a 1 in every remaining test).
    long double average = 0;
};

// ownGrades: the own grades 1 .. 6 so far; targetTenths: the target average in tenths (25 for
// 2,5), 10 .. 60; remaining: the number of tests still to come, at least 1. The average
// reaches the target when it is at most the target; the arithmetic is exact.
NeededGrade neededGrade(const QList<int>& ownGrades, int targetTenths, int remaining);

// The answer in words, e.g. "Die nächste Arbeit braucht mindestens die Note 3 (Durchschnitt
// dann 2,4)." or "Das Ziel 2,0 ist nicht erreichbar: ...".
QString neededGradeText(const NeededGrade& needed, int targetTenths, int remaining);
