#include "stats/ranking.h"

#include "gradedata/commalist.h"
#include "gradedata/formats.h"
#include "gradedata/gradebook.h"
#include "gradedata/inistore.h"
#include "gradedata/permute.h"
#include "gradedata/subjectname.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "stats/numberformat.h"
#include "stats/rankingrowpainter.h"
#include "stats/statistics.h"

#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <functional>

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

// The six counts of a test value written as the program writes it: plain digits separated by
// single commas ("27,2,5,9,7,3,1,3,Remark"), the first field (the participants) and the six
// counts each of 1 to 9 digits. Such a value splits into the same fields as the comma-list
// reader gives, whatever follows the counts; nullopt for any other value, which the reader
// then takes apart (quotes, blanks, signs, empty or faulty fields).
std::optional<GradeCounts> plainCounts(QStringView value) {
    const char16_t* p = value.utf16();
    const char16_t* const end = p + value.size();
    GradeCounts counts{};
    for (int field = 0; field <= 6; ++field) {
        if (field > 0) {
            if (p == end || *p != u',')
                return std::nullopt;
            ++p;
        }
        int number = 0;
        int digits = 0;
        for (; p < end && *p >= u'0' && *p <= u'9'; ++p) {
            if (++digits > 9)
                return std::nullopt;
            number = number * 10 + (*p - u'0');
        }
        if (digits == 0)
            return std::nullopt;
        if (field > 0)
            counts[field - 1] = number;
    }
    // After the last count the field ends: at the end of the value or at its comma.
    if (p < end && *p != u',')
        return std::nullopt;
    return counts;
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

void ClassAverageSum::add(QStringView value) {
    // The ranking reads every test of every subject: the usual value is read directly, anything
    // else through views into the value.
    std::optional<GradeCounts> counts = plainCounts(value);
    if (!counts) {
        const CommaFields fields(value);
        counts.emplace();
        for (int g = 1; g <= 6; ++g) {
            if (g >= fields.size())
                throw AppError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(g));
            (*counts)[g - 1] = toInteger(fields[g]);
        }
    }
    ++entries_;
    if (const auto average = TestAverage(*counts)) {
        sum_ += *average;
        ++averaged_;
    }
}

std::optional<long double> ClassAverageSum::average() const {
    if (averaged_ == 0)
        return std::nullopt;
    return sum_ / averaged_;
}

std::optional<long double> ClassAverage(const QList<QPair<QString, QString>>& entries) {
    ClassAverageSum sum;
    for (const auto& entry : entries)
        sum.add(entry.second);
    return sum.average();
}

int compareRankedSubjects(const RankedSubject& a, const RankedSubject& b) {
    if (const int byAverage = a.averageText.compare(b.averageText); byAverage != 0)
        return byAverage;
    // As in the entries: the rest of the comma list, the name quoted where it needs it.
    return LocaleFormats::current().compare(
        joinCommaList({a.subject, QString::number(a.testCount)}),
        joinCommaList({b.subject, QString::number(b.testCount)}));
}

namespace {

// The texts of a class average.
struct AverageTexts {
    bool made = false;
    long double average = 0;
    QString averageText;  // ClassAverageText
    QString shownAverage; // as the list shows it
};

// The texts of the averages met last, so that subjects of the same average (tests of the same
// grades are common) share their texts instead of formatting them again.
class AverageTextCache {
public:
    const AverageTexts& of(long double average) {
        AverageTexts& texts = texts_[std::hash<long double>{}(average) % texts_.size()];
        if (!texts.made || texts.average != average) {
            texts.made = true;
            texts.average = average;
            texts.averageText = ClassAverageText(average);
            texts.shownAverage = shownClassAverage(texts.averageText);
        }
        return texts;
    }

private:
    std::array<AverageTexts, 64> texts_;
};

// Sorts the entries into the ranking order, entries of the same order keeping theirs. They are
// first sorted by their average texts alone (cheap comparisons of text), keeping their order
// among equal texts: subjects come in alphabetical order, which is mostly the order of their
// entries' rest as well, so that one pass comparing neighbours finds the ranking order, and
// the full comparison of every pair is needed only where it does not.
void sortRanking(QList<RankedSubject>& ranking) {
    const auto byAverage = [](const RankedSubject& x, const RankedSubject& y) {
        return x.averageText.compare(y.averageText) < 0;
    };
    if (!std::is_sorted(ranking.cbegin(), ranking.cend(), byAverage))
        std::stable_sort(ranking.begin(), ranking.end(), byAverage);
    const auto less = [](const RankedSubject& x, const RankedSubject& y) {
        return compareRankedSubjects(x, y) < 0;
    };
    // Entries of the same order have the same average text, so their order is still theirs.
    if (std::adjacent_find(ranking.cbegin(), ranking.cend(),
                           [&](const RankedSubject& x, const RankedSubject& y) {
                               return less(y, x);
                           }) != ranking.cend())
        std::stable_sort(ranking.begin(), ranking.end(), less);
}

// Appends the entries of the subjects to ranking in the subjects' order; raises like
// BuildRanking, keeping the entries appended before the faulty subject. No collation.
void appendRankedSubjects(const IniStore& store, const SubjectList& subjects,
                          QList<RankedSubject>& ranking) {
    ranking.reserve(ranking.size() + subjects.size());
    AverageTextCache texts;
    // The sections' values are taken apart where the store holds them, not copied, all from one
    // look at the file. A subject's entry is added when its last value has been added, so that a
    // faulty value of the next subject leaves it in.
    qsizetype current = -1;
    ClassAverageSum sum;
    const auto addEntry = [&] {
        const auto average = sum.average();
        if (current < 0 || !average)
            return;
        const AverageTexts& text = texts.of(*average);
        RankedSubject entry;
        entry.averageText = text.averageText;
        entry.shownAverage = text.shownAverage;
        entry.subject = subjects.at(current);
        entry.testCount = sum.entries();
        ranking.append(std::move(entry));
    };
    store.forEachEntry(subjects, DefaultTestValue,
                       [&](qsizetype subject, QStringView, QStringView value) {
                           if (subject != current) {
                               addEntry();
                               current = subject;
                               sum = {};
                           }
                           sum.add(value);
                       });
    addEntry();
}

// The prepared entries of the subjects, in the subjects' order.
void takeInOrder(PreparedRanking& prepared, const SubjectList& subjects,
                 QList<RankedSubject>& entries) {
    const RankedSubject* const first = prepared.entries.constData();
    std::vector<qsizetype> from;
    from.reserve(size_t(prepared.entries.size()));
    std::vector<bool> taken(size_t(prepared.entries.size()));
    bool once = true; // no entry is taken twice
    for (qsizetype i = 0; i < subjects.size(); ++i) {
        if (const RankedSubject* entry = std::as_const(prepared).find(subjects.view(i))) {
            from.push_back(entry - first);
            once = once && !taken[size_t(entry - first)];
            taken[size_t(entry - first)] = true;
        }
    }
    // Every entry belongs to one of the subjects (both come from the same contents): they are
    // moved in their list, not copied, so that a ranking of a million subjects is not held twice.
    if (once && qsizetype(from.size()) == prepared.entries.size()) {
        permute(prepared.entries, from);
        entries = std::move(prepared.entries);
        return;
    }
    entries.reserve(qsizetype(from.size()));
    for (const qsizetype e : from)
        entries.append(prepared.entries.at(e));
}

} // namespace

const RankedSubject* PreparedRanking::find(QStringView subject) const {
    if (slots_.empty())
        return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = qHash(subject) & mask;; i = (i + 1) & mask) {
        if (slots_[i] == 0)
            return nullptr;
        const RankedSubject& entry = entries.at(qsizetype(slots_[i] - 1));
        if (entry.subject == subject)
            return &entry;
    }
}

void PreparedRanking::index() {
    // At most half of the slots are taken, so that a lookup probes a few.
    size_t size = 16;
    while (size < size_t(entries.size()) * 2)
        size *= 2;
    slots_.assign(size, 0);
    const size_t mask = size - 1;
    for (qsizetype e = 0; e < entries.size(); ++e) {
        size_t i = qHash(QStringView(entries.at(e).subject)) & mask;
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = quint32(e + 1);
    }
}

PreparedRanking prepareRanking(const IniStore& store) {
    PreparedRanking prepared;
    prepared.revision = store.contentsRevision();
    QList<RankedSubject> entries;
    try {
        appendRankedSubjects(store, subjectSections(store), entries);
    } catch (const AppError&) {
        return prepared;
    }
    prepared.complete = prepared.revision == store.contentsRevision();
    prepared.entries = std::move(entries);
    prepared.index();
    return prepared;
}

void BuildRanking(const IniStore& store, const SubjectList& subjects,
                  QList<RankedSubject>& ranking) {
    // Entries are appended and sorted once at the end (also when a faulty entry ends the
    // building): the order of inserting each at its place, without a list moved per subject.
    const auto sorted = qScopeGuard([&] { sortRanking(ranking); });
    appendRankedSubjects(store, subjects, ranking);
}

void BuildRankingEntries(const IniStore& store, const SubjectList& subjects, QStringList& entries) {
    QList<RankedSubject> ranking;
    try {
        BuildRanking(store, subjects, ranking);
    } catch (...) {
        for (const RankedSubject& entry : std::as_const(ranking))
            insertRankingEntry(entries, entry.entry());
        throw;
    }
    for (const RankedSubject& entry : std::as_const(ranking))
        insertRankingEntry(entries, entry.entry());
}

QStringList BuildRankingEntries(const IniStore& store, const SubjectList& subjects) {
    QStringList entries;
    BuildRankingEntries(store, subjects, entries);
    return entries;
}

const QList<RankedSubject>& SubjectRanking::of(const GradeBook& book) {
    std::optional<PreparedRanking> prepared = std::exchange(prepared_, std::nullopt);
    const quint64 revision = book.revision();
    if (current_ && book_ == &book && revision_ == revision && subjects_ == book.subjects())
        return entries_;
    current_ = false;
    book_ = &book;
    revision_ = revision;
    subjects_ = book.subjects();
    entries_.clear();
    ++builds_;
    if (prepared && prepared->complete && prepared->revision == book.store().contentsRevision()) {
        // Computed from these very contents: only put in order here, first in the subjects'
        // order (which decides among entries of the same order), then in the ranking's.
        takeInOrder(*prepared, subjects_, entries_);
        sortRanking(entries_);
    } else {
        BuildRanking(book.store(), subjects_, entries_);
    }
    current_ = true;
    return entries_;
}

void SubjectRanking::clear() {
    prepared_.reset();
    entries_.clear();
    book_ = nullptr;
    current_ = false;
}
