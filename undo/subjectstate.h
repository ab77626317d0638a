#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class IniStore;

// The entries of one subject's section, each a key and its value as the store reads it.
using SectionEntries = QList<QPair<QString, QString>>;

// What the data file holds of one subject at one moment: whether it has a section heading, and
// a digest of its entries (keys and values, in any order). Two states with the same digest hold
// the same tests under the same keys.
struct SubjectState {
    bool hasSection = false;
    QByteArray digest;
    SectionEntries entries;

    static SubjectState read(const IniStore& store, const QString& subject);
    bool sameEntries(const SubjectState& other) const { return digest == other.digest; }
};

// The entries of `from` that `to` does not hold as they are (gone, or with another value or key
// spelling).
SectionEntries entriesNotIn(const SubjectState& from, const SubjectState& to);
// The keys of `entries` that `other` has no entry of, compared as the store compares keys.
QStringList keysMissingIn(const SectionEntries& entries, const SectionEntries& other);
// A value as the store reads it, in the form that WriteString takes to write it back so that it
// reads as the same value: in quotes, which reading removes again.
QString writableValue(const QString& value);
