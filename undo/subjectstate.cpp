#include "undo/subjectstate.h"

#include "gradedata/inistore.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

QString foldedKey(const QString& key) {
    return key.trimmed().toCaseFolded();
}

// The entry of `entries` whose key names the same entry as key, or nullptr.
const QPair<QString, QString>* entryOf(const SectionEntries& entries, const QString& key) {
    const QString folded = foldedKey(key);
    for (const auto& entry : entries) {
        if (foldedKey(entry.first) == folded)
            return &entry;
    }
    return nullptr;
}

void addField(QCryptographicHash& hash, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const qint64 size = bytes.size();
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
    hash.addData(bytes);
}

} // namespace

SubjectState SubjectState::read(const IniStore& store, const QString& subject) {
    SubjectState state;
    const QStringList sections = store.ReadSections();
    state.hasSection = sections.contains(subject.trimmed(), Qt::CaseInsensitive);
    state.entries = store.ReadSectionValues(subject);
    // The order of the entries is no part of the state: a test written back is appended to its
    // section, and reads the same there.
    SectionEntries sorted = state.entries;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return foldedKey(a.first) < foldedKey(b.first); });
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const auto& [key, value] : sorted) {
        addField(hash, key);
        addField(hash, value);
    }
    state.digest = hash.result();
    return state;
}

SectionEntries entriesNotIn(const SubjectState& from, const SubjectState& to) {
    SectionEntries result;
    for (const auto& entry : from.entries) {
        const auto* other = entryOf(to.entries, entry.first);
        if (!other || *other != entry)
            result.append(entry);
    }
    return result;
}

QStringList keysMissingIn(const SectionEntries& entries, const SectionEntries& other) {
    QStringList keys;
    for (const auto& entry : entries) {
        if (!entryOf(other, entry.first))
            keys.append(entry.first);
    }
    return keys;
}

QString writableValue(const QString& value) {
    return u'"' + value + u'"';
}
