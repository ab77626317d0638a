#include "overview/neededgrade.h"

#include "stats/numberformat.h"

#include <algorithm>

NeededGrade neededGrade(const QList<int>& ownGrades, int targetTenths, int remaining) {
    remaining = std::max(remaining, 1);
    const long long n = ownGrades.size();
    long long sum = 0;
    for (int grade : ownGrades)
        sum += grade;
    const long long k = remaining;
    // (sum + k * g) / (n + k) <= target / 10, in integers: 10 * k * g <= target * (n + k) - 10 *
    // sum.
    const long long room = targetTenths * (n + k) - 10 * sum;
    NeededGrade result;
    if (room < 10 * k) {
        result.average = static_cast<long double>(sum + k) / (n + k);
        return result;
    }
    result.reachable = true;
    result.grade = int(std::min<long long>(6, room / (10 * k)));
    result.average = static_cast<long double>(sum + k * result.grade) / (n + k);
    return result;
}

QString neededGradeText(const NeededGrade& needed, int targetTenths, int remaining) {
    const QString target = formatFixed(targetTenths / 10.0L, 1, 16);
    const QString average = formatDecimal(needed.average, 1);
    if (!needed.reachable) {
        return remaining == 1
                   ? QStringLiteral("Der Schnitt %1 ist nicht erreichbar: Auch mit einer 1 in der "
                                    "nächsten Arbeit wird er nur %2.")
                         .arg(target, average)
                   : QStringLiteral("Der Schnitt %1 ist nicht erreichbar: Auch mit einer 1 in "
                                    "jeder der %2 Arbeiten wird er nur %3.")
                         .arg(target)
                         .arg(remaining)
                         .arg(average);
    }
    if (needed.grade == 6)
        return QStringLiteral("Der Schnitt %1 wird mit jeder Note erreicht (auch mit lauter "
                              "Sechsen: %2).")
            .arg(target, average);
    return remaining == 1
               ? QStringLiteral("Die nächste Arbeit braucht mindestens die Note %1 (Schnitt dann "
                                "%2).")
                     .arg(needed.grade)
                     .arg(average)
               : QStringLiteral("Jede der %1 Arbeiten braucht mindestens die Note %2 (Schnitt "
                                "dann %3).")
                     .arg(remaining)
                     .arg(needed.grade)
                     .arg(average);
}
