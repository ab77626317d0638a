#pragma once

#include "gradedata/subjectlist.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>

// The store on one INI file (the data file, Settings.ini). It holds only the file name;
// every operation goes to the file: each change is written through at once, atomically
// (new file, then rename), touching only its own line. Section and key names are compared
// without regard to case.
//
// Reads use a parsed copy of the file that is checked before each use against what identifies
// the file's state (inode, size, times to the nanosecond), and while the file system's clock
// could hide a change, against its bytes; so reading a whole section costs one parse, not one
// per key, and a change by another writer is always seen. Nothing is truncated: long values
// and long key lists are read whole. The parsed copy is the file's bytes with 8 bytes for each
// header and entry line (where it starts, part of its name's hash) and indexes of the names;
// texts are decoded from the bytes line by line as they are read, so that the copy costs a few
// times the file's size whatever its shape (lines of one letter are the costliest).
//
// Inside a section, a line without "=" (not blank, no comment) is a key without a value: it
// is listed among the keys, and reading it gives the default; a line of NUL bytes or other
// control characters alone is no key. A rewritten entry keeps its key's spelling and blanks;
// only the value changes. A key that would not read back as a key (empty, or beginning with "["
// or ";") is refused with an AppError.
//
// Encoding, line by line: a line that is well-formed UTF-8 is read as UTF-8, any other line as
// Windows-1252 (files from older Windows systems, or a section another program appended). Lines
// nobody changes keep their bytes. A changed or new line is written in the encoding of most of
// the file's lines beyond ASCII as the file was read (UTF-8 for a tie and for new files), unless
// Windows-1252 lacks one of its characters or its Windows-1252 bytes would read as UTF-8: then
// that line is written in UTF-8. A UTF-8 byte-order mark is kept, whatever follows it. Line
// ends: LF, CR LF and a lone CR each end a line; existing lines keep theirs; new lines get CR LF
// (LF or CR where every line of the file ends so).
//
// Only regular files are read: a folder, device or pipe of the name raises an AppError (at
// construction already), and nothing waits on a pipe.
//
// A write that the file system refuses raises AppError("In <file> kann nicht geschrieben
// werden") and leaves the old file byte for byte intact.
class IniStore {
public:
    explicit IniStore(QString fileName);
    ~IniStore();
    IniStore(const IniStore&) = delete;
    IniStore& operator=(const IniStore&) = delete;

    const QString& fileName() const { return fileName_; }

    // All section names in file order.
    QStringList ReadSections() const;
    // Calls visit(QStringView name) for every section name in file order, as ReadSections lists
    // them, without copying: the view is valid during the call only.
    template <typename Visit> void forEachSection(Visit&& visit) const {
        auto* const target = std::addressof(visit);
        const SectionVisitor call = [](void* context, QStringView name) {
            (*static_cast<decltype(target)>(context))(name);
        };
        visitSections(call, const_cast<void*>(static_cast<const void*>(target)));
    }
    // All key names of the section in file order.
    QStringList ReadSection(const QString& section) const;
    // All entries of the section in file order, as (key, value) with the value read as by
    // ReadString with the default def. One pass for callers that need every value of a section.
    QList<QPair<QString, QString>> ReadSectionValues(const QString& section,
                                                     const QString& def = QString()) const;
    // Calls visit(QStringView key, QStringView value) for every entry of the section in file
    // order, as ReadSectionValues lists them (a key without a value gets def), without copying
    // anything: the views are valid during the call only. For callers that take every entry of a
    // section apart (the tests of a subject, the ranking). What visit throws leaves the call.
    template <typename Visit>
    void forEachEntry(const QString& section, QStringView def, Visit&& visit) const {
        auto* const target = std::addressof(visit);
        visitEntries(
            section, def,
            [](void* context, QStringView key, QStringView value) {
                (*static_cast<decltype(target)>(context))(key, value);
            },
            const_cast<void*>(static_cast<const void*>(target)));
    }
    // The same for each of the sections in turn, all from one look at the file:
    // visit(qsizetype index, QStringView key, QStringView value) with the section's index in
    // sections. For readers of many sections (the ranking).
    template <typename Visit>
    void forEachEntry(const QStringList& sections, QStringView def, Visit&& visit) const {
        forEachEntryOf(
            sections.size(),
            [](const void* names, qsizetype i) -> QStringView {
                return static_cast<const QStringList*>(names)->at(i);
            },
            &sections, def, visit);
    }
    template <typename Visit>
    void forEachEntry(const SubjectList& sections, QStringView def, Visit&& visit) const {
        forEachEntryOf(
            sections.size(),
            [](const void* names, qsizetype i) {
                return static_cast<const SubjectList*>(names)->view(i);
            },
            &sections, def, visit);
    }
    // The value after the first "=", surrounding blanks removed, and one pair of quotes
    // (double or single) that encloses the whole value removed; the default when the key is
    // not found.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Replaces the key's value, or appends the entry to the section, creating section and
    // file as needed.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void DeleteKey(const QString& section, const QString& key);
    // Removes the key oldKey and writes key/value in one atomic write of the file: either
    // both happen or neither does.
    void ReplaceKey(const QString& section, const QString& oldKey, const QString& key,
                    const QString& value);
    void EraseSection(const QString& section);
    // Removes the keys removeKeys from the section and writes the entries (key and value as
    // WriteString takes them) in one atomic write of the file: either all of it happens or
    // none. A missing section is created at the end of the file. Nothing to do writes nothing,
    // and neither do entries that the file holds as they are.
    void WriteEntries(const QString& section, const QStringList& removeKeys,
                      const QList<QPair<QString, QString>>& entries);
    // The section holds at least one entry.
    bool SectionExists(const QString& section) const;
    // The key is among the section's key names.
    bool ValueExists(const QString& section, const QString& key) const;

    // A number that grows whenever the file's contents change: by a write through this store,
    // or by another writer as the store's reads see it (the file's stamp, and its bytes while
    // the file system's clock could hide a change). Views built from the whole file ask it. No
    // two stores of the program ever give the same number, so it alone names what was read.
    quint64 contentsRevision() const;

    // A text that is not an integer reads as the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    // Written "1" and "0"; read as integer, non-zero is true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    void WriteBool(const QString& section, const QString& key, bool value);

private:
    using SectionVisitor = void (*)(void* context, QStringView name);
    void visitSections(SectionVisitor visit, void* context) const;
    using EntryVisitor = void (*)(void* context, QStringView key, QStringView value);
    void visitEntries(const QString& section, QStringView def, EntryVisitor visit,
                      void* context) const;
    using SectionsVisitor = void (*)(void* context, qsizetype index, QStringView key,
                                     QStringView value);
    using NameAt = QStringView (*)(const void* names, qsizetype i);
    void visitEntriesOf(qsizetype count, NameAt nameAt, const void* names, QStringView def,
                        SectionsVisitor visit, void* context) const;
    template <typename Visit>
    void forEachEntryOf(qsizetype count, NameAt nameAt, const void* names, QStringView def,
                        Visit& visit) const {
        auto* const target = std::addressof(visit);
        visitEntriesOf(
            count, nameAt, names, def,
            [](void* context, qsizetype index, QStringView key, QStringView value) {
                (*static_cast<decltype(target)>(context))(index, key, value);
            },
            const_cast<void*>(static_cast<const void*>(target)));
    }

    struct Parsed;
    const Parsed& parsed() const; // re-reads the file when its size or time changed
    void commit(std::unique_ptr<Parsed> changed);

    QString fileName_;
    mutable std::unique_ptr<Parsed> cache_;
    mutable quint64 revision_ = 0;
};
