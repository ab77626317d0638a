#include "stats/ranking.h"

#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "stats/numberformat.h"
#include "stats/statistics.h"

#include <algorithm>

namespace {

// Splits an entry into the raw text of its first field and the raw text after the comma
// that ends it, without unquoting the rest.
QPair<QStringView, QStringView> splitFirstField(QStringView entry) {
    qsizetype i = 0;
    while (i < entry.size() && entry.at(i).unicode() <= u' ')
        ++i;
    if (i < entry.size() && entry.at(i) == u'"') {
        ++i;
        while (i < entry.size()) {
            if (entry.at(i) == u'"') {
                if (i + 1 < entry.size() && entry.at(i + 1) == u'"') {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
    }
    const qsizetype comma = entry.indexOf(u',', i);
    if (comma < 0)
        return {entry, QStringView()};
    return {entry.left(comma), entry.mid(comma + 1)};
}

} // namespace

QString ClassAverageText(long double average) {
    return formatFixed(average, 10, 16);
}

QString RankingEntry(const QString& averageText, const QString& subject, int testCount) {
    return joinCommaList({averageText, subject, QString::number(testCount)});
}

RankingFields splitRankingEntry(const QString& entry) {
    const QStringList fields = splitCommaList(entry);
    return {fields.value(0), fields.value(1), fields.value(2)};
}

int compareRankingEntries(const QString& a, const QString& b) {
    // The average texts are compared as they stand in the entries: in one locale they are
    // either all quoted (decimal comma) or all plain, so their order is that of the bare texts.
    const auto [averageA, restA] = splitFirstField(a);
    const auto [averageB, restB] = splitFirstField(b);
    if (const int byAverage = averageA.compare(averageB); byAverage != 0)
        return byAverage;
    return LocaleFormats::current().compare(restA.toString(), restB.toString());
}

int insertRankingEntry(QStringList& entries, const QString& entry) {
    const auto at = std::upper_bound(entries.begin(), entries.end(), entry, rankingEntryLess);
    const int index = int(at - entries.begin());
    entries.insert(index, entry);
    return index;
}

std::optional<long double> ClassAverage(const QList<QPair<QString, QString>>& entries) {
    long double sum = 0;
    int averaged = 0;
    // Keys and values come from one pass over the section, so every key has its value.
    for (const auto& [key, value] : entries) {
        const QStringList fields = splitCommaList(value);
        GradeCounts counts{};
        for (int g = 1; g <= 6; ++g) {
            if (g >= fields.size())
                throw AppError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(g));
            counts[g - 1] = toInteger(fields.at(g));
        }
        if (const auto average = TestAverage(counts)) {
            sum += *average;
            ++averaged;
        }
    }
    if (averaged == 0)
        return std::nullopt;
    return sum / averaged;
}

void BuildRankingEntries(const IniStore& store, const QStringList& subjects, QStringList& entries) {
    for (const QString& subject : subjects) {
        const QList<QPair<QString, QString>> values = store.ReadSectionValues(subject);
        if (values.isEmpty())
            continue;
        const auto average = ClassAverage(values);
        if (!average)
            continue;
        insertRankingEntry(entries,
                           RankingEntry(ClassAverageText(*average), subject, int(values.size())));
    }
}

QStringList BuildRankingEntries(const IniStore& store, const QStringList& subjects) {
    QStringList entries;
    BuildRankingEntries(store, subjects, entries);
    return entries;
}
