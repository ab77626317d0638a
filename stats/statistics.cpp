#include "stats/statistics.h"

#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "stats/numberformat.h"

#include <cmath>

qint64 Participants(const GradeCounts& counts) {
    qint64 sum = 0;
    for (int c : counts)
        sum += c;
    return sum;
}

std::optional<long double> TestAverage(const GradeCounts& counts) {
    qint64 numerator = 0;
    for (int i = 0; i < 6; ++i)
        numerator += qint64(i + 1) * counts[i];
    const qint64 denominator = Participants(counts);
    if (denominator == 0)
        return std::nullopt;
    return static_cast<long double>(numerator) / static_cast<long double>(denominator);
}

QString TestAverageText(const GradeCounts& counts) {
    const auto average = TestAverage(counts);
    return average ? formatDecimal(*average, 1) : NoAverageText;
}

qint64 RemainingSum(const QStringList& itemFields, int first, int last) {
    qint64 sum = 0;
    for (int i = first; i <= last; ++i)
        sum += toInteger(itemFields.value(i));
    return sum == 0 ? 1 : sum;
}

qint64 RemainingSum(const GradeCounts& counts, int firstGrade, int lastGrade) {
    qint64 sum = 0;
    for (int g = firstGrade; g <= lastGrade; ++g)
        sum += counts[g - 1];
    return sum == 0 ? 1 : sum;
}

long double RemainingSum(const std::array<long double, 6>& meanCounts, int firstGrade,
                         int lastGrade) {
    long double sum = 0;
    for (int g = firstGrade; g <= lastGrade; ++g)
        sum += meanCounts[g - 1];
    return sum == 0 ? 1 : sum;
}

int barWidth(long double share, int left) {
    if (!(share > 0) || left <= 0)
        return 0;
    // Compared before the conversion, which is undefined for a value outside int.
    return share >= left ? left : static_cast<int>(share);
}

std::optional<SubjectSummary> computeSubjectSummary(const QStringList& testListItems) {
    if (testListItems.isEmpty())
        return std::nullopt;
    SubjectSummary s;
    s.TestCount = int(testListItems.size());
    std::array<qint64, 6> gradeSums{};
    qint64 participantsSum = 0, lessonSum = 0, ownSum = 0;
    long double averagesSum = 0;
    int averaged = 0, graded = 0;
    for (const QString& item : testListItems) {
        const QStringList fields = splitCommaList(item);
        GradeCounts counts{};
        for (int g = 1; g <= 6; ++g) {
            counts[g - 1] = toInteger(fields.value(ItemField::Lesson + g));
            gradeSums[g - 1] += counts[g - 1];
            participantsSum += counts[g - 1];
        }
        if (const auto average = TestAverage(counts)) {
            averagesSum += *average;
            ++averaged;
        }
        lessonSum += toInteger(fields.value(ItemField::Lesson));
        const QString own = fields.value(ItemField::OwnGrade);
        if (own == u"0") {
            ++s.NotTaken;
        } else {
            const int grade = toInteger(own);
            if (grade >= 1 && grade <= 6) {
                ownSum += grade;
                ++graded;
            }
        }
    }
    const long double n = s.TestCount;
    for (int g = 0; g < 6; ++g)
        s.MeanCounts[g] = gradeSums[g] / n;
    s.MeanParticipants = participantsSum / n;
    s.MeanLesson = lessonSum / n;
    if (averaged > 0)
        s.MeanAverage = averagesSum / averaged;
    if (graded > 0)
        s.OwnAverage = static_cast<long double>(ownSum) / graded;
    s.OwnGrade = int(roundHalfToEven(s.OwnAverage));
    return s;
}

long long roundHalfToEven(long double value) {
    const long double lower = std::floor(value);
    const long double fraction = value - lower;
    long long result = static_cast<long long>(lower);
    if (fraction > 0.5L || (fraction == 0.5L && result % 2 != 0))
        ++result;
    return result;
}

int academicYearStart(const QDate& date) {
    return date.month() >= 8 ? date.year() : date.year() - 1;
}

QString academicYearText(const QDate& date) {
    const int start = academicYearStart(date);
    return QStringLiteral("%1/%2").arg(start).arg(start + 1);
}

QString TestRemark(const QString& testListItem) {
    return splitCommaList(testListItem).value(ItemField::Remark);
}
