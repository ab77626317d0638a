#pragma once

#include "gradedata/subjectlist.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <utility>
#include <vector>

class GradeBook;
class IniStore;

// The subject ranking: one RankingEntry per subject that has class tests, ordered by class
// average, best (lowest) first. An entry is the comma list (class average text, subject
// name, number of tests), so that splitting it gives back the subject name whatever it holds.

// The class average of a ranking entry: fixed point with 10 decimal places (at most 16
// significant digits) and the locale's decimal separator: 2.5 -> "2,5000000000".
QString ClassAverageText(long double average);

// Joins the three fields by the comma-list rules.
QString RankingEntry(const QString& averageText, const QString& subject, int testCount);

struct RankingFields {
    QString average;   // "2,5000000000"
    QString subject;   // as on its tab
    QString testCount; // "3"
};
// Splits an entry back into its three fields (missing fields are empty).
RankingFields splitRankingEntry(const QString& entry);

// Order of the ranking: by the class average text, compared as text (every average has one
// digit before the separator, so this is the order of the averages rounded to 10 decimals);
// equal texts by the rest of the entry, case-insensitively in the locale's collation.
// Returns <0, 0, >0.
int compareRankingEntries(const QString& a, const QString& b);
inline bool rankingEntryLess(const QString& a, const QString& b) {
    return compareRankingEntries(a, b) < 0;
}
// Inserts entry after every entry that does not order after it; returns its index.
int insertRankingEntry(QStringList& entries, const QString& entry);

// The class average of a subject from its data-file entries (key, value): the mean of the
// test averages, each test weighing the same. A value with fewer than seven fields raises
// "Listenindex überschreitet das Maximum (<index>)", a count that is not an integer its
// conversion error. Tests without participants are left out; empty when none is left.
std::optional<long double> ClassAverage(const QList<QPair<QString, QString>>& entries);
// The same, summed value by value as a section's entries are walked.
class ClassAverageSum {
public:
    // Adds the test of one entry's value; raises as above.
    void add(QStringView value);
    std::optional<long double> average() const;
    // The values added.
    int entries() const { return entries_; }

private:
    long double sum_ = 0;
    int averaged_ = 0;
    int entries_ = 0;
};

// Adds to `entries`, each at its place in the order above, the ranking entry of every subject
// (section of the store) that has entries and a class average. The store's file is parsed at
// most once. A faulty value raises its error; the entries added before it stay.
void BuildRankingEntries(const IniStore& store, const SubjectList& subjects, QStringList& entries);
// The ranking of the subjects as a new list; raises like the above.
QStringList BuildRankingEntries(const IniStore& store, const SubjectList& subjects);

// One entry of the ranking as the list shows it.
struct RankedSubject {
    QString averageText;  // ClassAverageText: "2,5000000000"
    QString shownAverage; // the average text as the list shows it, "0.##": "2,5"
    QString subject;
    int testCount = 0;

    // The entry as a comma list (see RankingEntry).
    QString entry() const { return RankingEntry(averageText, subject, testCount); }
};
// The ranking order above, for typed entries.
int compareRankedSubjects(const RankedSubject& a, const RankedSubject& b);

// The entries of every section of a store that has an average, as the ranking computes them,
// in no order: the work needs no collation, so it may run on a worker thread that has the
// store to itself, once LocaleFormats::current() exists. A faulty value leaves it incomplete
// (and unused): the ranking then meets the error itself.
struct PreparedRanking {
    quint64 revision = 0;         // the store's contentsRevision() the entries were computed from
    bool complete = false;        // no section's values were faulty
    QList<RankedSubject> entries; // in file order

    // The entry of the section named subject (letter case counts), nullptr when there is none.
    const RankedSubject* find(QStringView subject) const;
    RankedSubject* find(QStringView subject) {
        return const_cast<RankedSubject*>(std::as_const(*this).find(subject));
    }
    // Makes the entries findable by their names (after they changed); a few bytes per entry
    // instead of a hash table's node.
    void index();

private:
    std::vector<quint32> slots_; // an entry's number plus one, 0 for an empty slot
};
PreparedRanking prepareRanking(const IniStore& store);

// Adds the entries of the subjects to ranking, each at its place; raises like
// BuildRankingEntries, keeping the entries added before the faulty subject.
void BuildRanking(const IniStore& store, const SubjectList& subjects,
                  QList<RankedSubject>& ranking);

// The ranking of a grade book's subjects, built again only when it may have changed: when the
// data file's contents changed (by this program or another) or the list of subjects did.
class SubjectRanking {
public:
    // The ranking, best first. A faulty entry raises its error; the entries built before it
    // are kept, and the next call builds again.
    const QList<RankedSubject>& of(const GradeBook& book);
    const QList<RankedSubject>& entries() const { return entries_; }
    // Forgets the ranking (no data file open).
    void clear();
    // Entries prepared from the store of the book asked for next: that build takes them,
    // when the store's contents are still those they were prepared from.
    void usePrepared(PreparedRanking prepared) { prepared_ = std::move(prepared); }
    // How often the ranking was built from the file.
    int builds() const { return builds_; }

private:
    QList<RankedSubject> entries_;
    const GradeBook* book_ = nullptr;
    SubjectList subjects_;
    quint64 revision_ = 0;
    bool current_ = false;
    int builds_ = 0;
    std::optional<PreparedRanking> prepared_;
};
