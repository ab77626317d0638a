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

namespace {

// Adds up the tests of a subject one by one and makes their summary.
class SummaryBuilder {
public:
    // notTaken: the own-grade field is exactly "0"; ownGrade counts only when it is 1 .. 6.
    void add(const GradeCounts& counts, int lesson, bool notTaken, int ownGrade) {
        ++count_;
        for (int g = 0; g < 6; ++g) {
            gradeSums_[g] += counts[g];
            participantsSum_ += counts[g];
        }
        if (const auto average = TestAverage(counts)) {
            averagesSum_ += *average;
            ++averaged_;
        }
        lessonSum_ += lesson;
        if (notTaken) {
            ++notTaken_;
        } else if (ownGrade >= 1 && ownGrade <= 6) {
            ownSum_ += ownGrade;
            ++graded_;
        }
    }

    std::optional<SubjectSummary> summary() const {
        if (count_ == 0)
            return std::nullopt;
        SubjectSummary s;
        s.TestCount = count_;
        s.NotTaken = notTaken_;
        const long double n = count_;
        for (int g = 0; g < 6; ++g)
            s.MeanCounts[g] = gradeSums_[g] / n;
        s.MeanParticipants = participantsSum_ / n;
        s.MeanLesson = lessonSum_ / n;
        if (averaged_ > 0)
            s.MeanAverage = averagesSum_ / averaged_;
        if (graded_ > 0)
            s.OwnAverage = static_cast<long double>(ownSum_) / graded_;
        s.OwnGrade = int(roundHalfToEven(s.OwnAverage));
        return s;
    }

private:
    int count_ = 0;
    std::array<qint64, 6> gradeSums_{};
    qint64 participantsSum_ = 0, lessonSum_ = 0, ownSum_ = 0;
    long double averagesSum_ = 0;
    int averaged_ = 0, graded_ = 0, notTaken_ = 0;
};

} // namespace

std::optional<SubjectSummary> computeSubjectSummary(const QStringList& testListItems) {
    SummaryBuilder builder;
    for (const QString& item : testListItems) {
        const QStringList fields = splitCommaList(item);
        GradeCounts counts{};
        for (int g = 1; g <= 6; ++g)
            counts[g - 1] = toInteger(fields.value(ItemField::Lesson + g));
        const int lesson = toInteger(fields.value(ItemField::Lesson));
        const QString own = fields.value(ItemField::OwnGrade);
        const bool notTaken = own == u"0";
        builder.add(counts, lesson, notTaken, notTaken ? 0 : toInteger(own));
    }
    return builder.summary();
}

std::optional<SubjectSummary> subjectSummaryOf(const QList<TestRow>& rows) {
    SummaryBuilder builder;
    for (const TestRow& row : rows)
        builder.add(row.test.counts, row.test.lesson, row.test.ownGrade == 0, row.test.ownGrade);
    return builder.summary();
}

std::optional<SubjectSummary> subjectSummaryOf(const QList<ClassTest>& tests) {
    SummaryBuilder builder;
    for (const ClassTest& test : tests)
        builder.add(test.counts, test.lesson, test.ownGrade == 0, test.ownGrade);
    return builder.summary();
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
