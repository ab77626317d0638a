#include "gradedata/inistore.h"

#include "gradedata/formats.h"
#include "gradedata/textencoding.h"
#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/regularfile.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// A lone CR ends a line as well (files of old editors), as it does for Windows.
enum class LineEnd : quint8 { None, Lf, CrLf, Cr };

const char* lineEndBytes(LineEnd end) {
    switch (end) {
    case LineEnd::Lf:
        return "\n";
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::Cr:
        return "\r";
    case LineEnd::None:
        break;
    }
    return "";
}

// A section or key name, compared and hashed without regard to case.
struct Name {
    QString text;
};

bool operator==(const Name& a, const Name& b) {
    return a.text.compare(b.text, Qt::CaseInsensitive) == 0;
}

size_t qHash(const Name& name, size_t seed = 0) {
    size_t hash = seed;
    const char16_t* p = reinterpret_cast<const char16_t*>(name.text.constData());
    const char16_t* const end = p + name.text.size();
    for (; p < end; ++p) {
        char32_t code = *p;
        if (code < 0x80) {
            if (code >= u'A' && code <= u'Z')
                code += u'a' - u'A';
        } else {
            if (QChar::isHighSurrogate(code) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
                code = QChar::surrogateToUcs4(char16_t(code), p[1]);
                ++p;
            }
            code = QChar::toCaseFolded(code);
        }
        hash ^= code + 0x9e3779b9 + (hash << 6) + (hash >> 2);
    }
    return hash;
}

// Lines read from the file keep their text and bytes as slices of the whole file's text and
// bytes, which the parsed file holds for as long as any of its lines lives; names are slices
// of their line's text. Whatever leaves the store is copied (owned()).
QString slice(const QString& text, qsizetype from, qsizetype to) {
    return QString::fromRawData(text.constData() + from, to - from);
}

QString owned(QStringView text) {
    return text.toString();
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The range [from, to) of text without blanks at both ends.
void trimRange(const QString& text, qsizetype& from, qsizetype& to) {
    while (from < to && text.at(from).isSpace())
        ++from;
    while (to > from && text.at(to - 1).isSpace())
        --to;
}

// One line of the file: its text, and its bytes as they stand in the file (line end
// included), so that lines nobody changes are written back exactly as they were read.
//
// Inside a section every line that is not blank, a comment or a header is an entry: "key=value",
// or a key alone, which is listed among the section's keys but has no value (reading it gives
// the caller's default).
struct Line {
    QString text;
    QByteArray bytes;
    LineEnd end = LineEnd::None;
    bool entry = false;
    qsizetype equals = -1; // entries: position of the first "=", -1 for a key alone
    QString key;           // entries: the name before it, without surrounding blanks

    bool isEntry() const { return entry; }
    bool hasValue() const { return equals >= 0; }
    // The range [from, to) of the value's text: after the "=", without surrounding blanks.
    void valueRange(qsizetype& from, qsizetype& to) const {
        from = equals + 1;
        to = text.size();
        trimRange(text, from, to);
    }
    // The text after the "=" without surrounding blanks and without one pair of quotes that
    // encloses all of it.
    QString value() const {
        qsizetype from = 0;
        qsizetype to = 0;
        valueRange(from, to);
        QStringView value = QStringView(text).sliced(from, to - from);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return owned(value);
    }
    // The line's text with another value: the key as it stands, with its blanks, and the blanks
    // around the old value are kept.
    QString withValue(const QString& newValue) const {
        if (!hasValue())
            return text + u'=' + newValue;
        qsizetype from = 0;
        qsizetype to = 0;
        valueRange(from, to);
        QString line = text.first(from);
        line += newValue;
        line += QStringView(text).sliced(to);
        return line;
    }
};

// A "[name]" header line: the name between the brackets, without surrounding blanks.
std::optional<QString> headerName(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && isBlank(text.at(start)))
        ++start;
    if (start == text.size() || text.at(start) != u'[')
        return std::nullopt;
    // The last "]" closes the name, so that a name holding "]" is found again.
    qsizetype close = text.lastIndexOf(u']');
    if (close <= start)
        close = text.size();
    qsizetype from = start + 1;
    trimRange(text, from, close);
    return slice(text, from, close);
}

void classify(Line& line) {
    const QString& text = line.text;
    qsizetype start = 0;
    while (start < text.size() && isBlank(text.at(start)))
        ++start;
    if (start == text.size() || text.at(start) == u';' || text.at(start) == u'[')
        return;
    const qsizetype equals = text.indexOf(u'=', start);
    qsizetype keyEnd = equals < 0 ? text.size() : equals;
    trimRange(text, start, keyEnd);
    if (start == keyEnd)
        return;
    line.entry = true;
    line.equals = equals;
    line.key = slice(text, start, keyEnd);
}

// A key that a line cannot hold so that it reads back as that key.
bool unwritableKey(const QString& key) {
    return key.isEmpty() || key.front() == u'[' || key.front() == u';';
}

struct Section {
    QString name;
    bool hasHeader = false;      // false for the lines before the first header
    QList<Line> lines;           // with a header, lines[0] is the header line
    QHash<Name, qsizetype> keys; // the first line of each key
    // The bytes of all lines, kept so that a write joins only the sections it changed.
    QByteArray bytes;
    bool bytesCurrent = false;

    const QByteArray& fileBytes() {
        if (!bytesCurrent) {
            qsizetype total = 0;
            for (const Line& line : lines)
                total += line.bytes.size();
            bytes = QByteArray(total, Qt::Uninitialized);
            char* out = bytes.data();
            for (const Line& line : lines) {
                std::memcpy(out, line.bytes.constData(), size_t(line.bytes.size()));
                out += line.bytes.size();
            }
            bytesCurrent = true;
        }
        return bytes;
    }

    // Index of the last entry line, or of the header when there is none.
    qsizetype lastEntryLine() const {
        for (qsizetype i = lines.size() - 1; i > 0; --i) {
            if (lines.at(i).isEntry())
                return i;
        }
        return 0;
    }
    // Entry lines that a lookup finds (the first of each key), in file order.
    template <typename F> void forEachEntry(F&& f) const {
        qsizetype entries = 0;
        for (const Line& line : lines)
            entries += line.isEntry() ? 1 : 0;
        // Without repeated keys every entry line is found by its key.
        const bool repeated = entries != keys.size();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const Line& line = lines.at(i);
            if (line.isEntry() && (!repeated || keys.value(Name{line.key}) == i))
                f(line);
        }
    }
    // Notes line `at` under its key unless an earlier line has the key.
    void indexKey(qsizetype at) {
        // Line 0 is the header, so 0 marks a key not seen before.
        qsizetype& first = keys[Name{lines.at(at).key}];
        if (first == 0)
            first = at;
    }
    void indexKeys() {
        keys.clear();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines.at(i).isEntry())
                indexKey(i);
        }
    }
};

enum class Encoding : quint8 { Utf8, Windows1252 };

// Names must not break the line structure of the file.
QString singleLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

struct IniStore::Parsed {
    // The file as it was when read or last written: missing, or its stamp and bytes.
    FileStamp stamp;
    bool readable = true;
    QByteArray fileBytes;
    // The moment of the last look at the file; while the file system could hide a change made
    // after it, the next look compares the bytes as well.
    qint64 lookedAtNs = 0;
    bool inDoubt = false;

    // The bytes read and their text, which the lines read from the file are slices of.
    QByteArray data;
    QString text;

    Encoding encoding = Encoding::Utf8;
    QByteArray byteOrderMark;
    LineEnd newLineEnd = LineEnd::CrLf;
    QList<Section> sections;             // sections[0]: the lines before the first header
    QHash<Name, qsizetype> sectionIndex; // the first section of each name

    void lookedAt(qint64 when) {
        lookedAtNs = when;
        inDoubt = stamp.mayHideChangesAfter(when);
    }

    const Section* section(const QString& name) const {
        const qsizetype index = sectionIndex.value(Name{name.trimmed()}, -1);
        return index < 0 ? nullptr : &sections.at(index);
    }
    const Line* entry(const QString& sectionName, const QString& key) const {
        const Section* s = section(sectionName);
        if (!s)
            return nullptr;
        const qsizetype index = s->keys.value(Name{key.trimmed()}, -1);
        return index < 0 ? nullptr : &s->lines.at(index);
    }

    // Notes section `at` under its name unless an earlier section has the name.
    void indexSection(qsizetype at) {
        // Section 0 holds the lines before the first header, so 0 marks a new name.
        qsizetype& first = sectionIndex[Name{sections.at(at).name}];
        if (first == 0)
            first = at;
    }
    void indexSections() {
        sectionIndex.clear();
        for (qsizetype i = 1; i < sections.size(); ++i)
            indexSection(i);
    }

    // A file is written in one encoding, whole. Before a text goes into a Windows-1252 file,
    // the file goes over to UTF-8, all of it, when the text has characters that Windows-1252
    // lacks: rather than lose them, and before any line of the change is made.
    void makeRoomFor(QStringView text) {
        if (encoding == Encoding::Windows1252 && !encodeWindows1252(text))
            switchToUtf8();
    }
    void switchToUtf8() {
        encoding = Encoding::Utf8;
        for (Section& s : sections) {
            for (Line& line : s.lines)
                line.bytes = line.text.toUtf8() + lineEndBytes(line.end);
            s.bytesCurrent = false;
        }
    }
    // The text of a line in the file's encoding; makeRoomFor has seen the text.
    QByteArray encode(const QString& text) const {
        if (encoding == Encoding::Windows1252) {
            if (auto bytes = encodeWindows1252(text))
                return *bytes;
            qFatal("IniStore: a line of a Windows-1252 file lacks its encoding");
        }
        return text.toUtf8();
    }
    Line makeLine(const QString& text, LineEnd end) const {
        Line line;
        line.text = text;
        line.end = end;
        classify(line);
        line.bytes = encode(text) + lineEndBytes(end);
        return line;
    }
    // The last line of the file gets a line end before anything is put after it.
    void endLastLine() {
        for (qsizetype i = sections.size() - 1; i >= 0; --i) {
            if (sections.at(i).lines.isEmpty())
                continue;
            sections[i].bytesCurrent = false;
            Line& last = sections[i].lines.back();
            if (last.end == LineEnd::None) {
                last.end = newLineEnd;
                last.bytes += lineEndBytes(newLineEnd);
            }
            return;
        }
    }

    // The key and value go into a line that reads back as them: a check before anything changes.
    static QString writableKey(const QString& key, const QString& fileName) {
        const QString cleanKey = singleLine(key).trimmed();
        if (unwritableKey(cleanKey))
            throw AppError(
                QStringLiteral("\"%1\" kann nicht als Schlüssel in %2 gespeichert werden.")
                    .arg(cleanKey, fileName));
        return cleanKey;
    }

    void setEntry(const QString& sectionName, const QString& cleanKey, const QString& rawValue) {
        const QString name = singleLine(sectionName).trimmed();
        const QString value = singleLine(rawValue);
        makeRoomFor(name);
        makeRoomFor(cleanKey);
        makeRoomFor(value);
        const QString text = cleanKey + u'=' + value;
        const qsizetype sectionAt = sectionIndex.value(Name{name}, -1);
        if (sectionAt < 0) {
            endLastLine();
            Section added;
            added.name = name;
            added.hasHeader = true;
            added.lines.append(makeLine(u'[' + name + u']', newLineEnd));
            added.lines.append(makeLine(text, newLineEnd));
            added.indexKeys();
            sections.append(std::move(added));
            indexSection(sections.size() - 1);
            return;
        }
        Section& s = sections[sectionAt];
        const qsizetype lineAt = s.keys.value(Name{cleanKey}, -1);
        // A stored key keeps its spelling and blanks; only its value changes.
        Line line = lineAt >= 0
                        ? makeLine(s.lines.at(lineAt).withValue(value), s.lines.at(lineAt).end)
                        : makeLine(text, newLineEnd);
        // A key that does not read back as itself (say, one holding "=") needs a fresh index.
        const bool sameKey = line.isEntry() && Name{line.key} == Name{cleanKey};
        s.bytesCurrent = false;
        if (lineAt >= 0) {
            // The index names the key by the text of its line: out before the line goes.
            s.keys.remove(Name{cleanKey});
            s.lines[lineAt] = std::move(line);
            if (sameKey)
                s.keys.insert(Name{s.lines.at(lineAt).key}, lineAt);
        } else {
            const qsizetype after = s.lastEntryLine();
            if (s.lines.at(after).end == LineEnd::None)
                endLastLine();
            // Only comments, blank and other lines follow the last entry, so no indexed line
            // moves.
            s.lines.insert(after + 1, std::move(line));
            if (sameKey)
                s.keys.insert(Name{s.lines.at(after + 1).key}, after + 1);
        }
        if (!sameKey)
            s.indexKeys();
    }

    bool removeEntry(const QString& sectionName, const QString& key) {
        const qsizetype sectionAt = sectionIndex.value(Name{sectionName.trimmed()}, -1);
        if (sectionAt < 0)
            return false;
        Section& s = sections[sectionAt];
        const qsizetype lineAt = s.keys.value(Name{key.trimmed()}, -1);
        if (lineAt < 0)
            return false;
        // The index names keys by the text of their lines: out before the line goes. A later
        // line with the same key, if any, is the one found from now on.
        s.keys.clear();
        s.lines.remove(lineAt);
        s.bytesCurrent = false;
        s.indexKeys();
        return true;
    }

    bool removeSections(const QString& sectionName) {
        if (!section(sectionName))
            return false;
        // The index names sections by the text of their headers: out before they go.
        sectionIndex.clear();
        const Name name{sectionName.trimmed()};
        for (qsizetype i = sections.size() - 1; i >= 1; --i) {
            if (Name{sections.at(i).name} == name)
                sections.remove(i);
        }
        indexSections();
        return true;
    }

    QByteArray serialize() {
        qsizetype total = byteOrderMark.size();
        for (Section& s : sections)
            total += s.fileBytes().size();
        QByteArray data;
        data.reserve(total);
        data += byteOrderMark;
        for (Section& s : sections)
            data += s.fileBytes();
        return data;
    }

    static std::unique_ptr<Parsed> read(const QString& fileName);
    static std::unique_ptr<Parsed> parse(FileContents contents);
};

std::unique_ptr<IniStore::Parsed> IniStore::Parsed::read(const QString& fileName) {
    const qint64 look = fileClockNs();
    auto parsed = parse(readRegularFile(fileName));
    parsed->lookedAt(look);
    return parsed;
}

namespace {

// Where the next line break is: a LF, a CR LF or a lone CR. Both chars are found with fast
// single-character searches; each search result is used until the scan passes it.
template <typename Text, typename Char> class LineBreaks {
public:
    explicit LineBreaks(const Text& text) : text_(text) {}
    qsizetype next(qsizetype from) {
        if (nextLf_ < from)
            nextLf_ = find(Char('\n'), from);
        if (nextCr_ < from)
            nextCr_ = find(Char('\r'), from);
        return std::min(nextLf_, nextCr_);
    }

private:
    qsizetype find(Char c, qsizetype from) const {
        const qsizetype at = text_.indexOf(c, from);
        return at < 0 ? text_.size() : at;
    }
    const Text& text_;
    qsizetype nextLf_ = -1;
    qsizetype nextCr_ = -1;
};

} // namespace

std::unique_ptr<IniStore::Parsed> IniStore::Parsed::parse(FileContents contents) {
    auto parsed = std::make_unique<Parsed>();
    parsed->stamp = contents.stamp;
    parsed->readable = contents.readable;
    parsed->sections.append(Section{});
    if (!contents.stamp.exists || !contents.readable)
        return parsed;
    parsed->data = std::move(contents.bytes);
    parsed->fileBytes = parsed->data;

    // A UTF-8 byte-order mark is recognised and kept whatever follows it: an editor may have
    // put it there and another one added Windows-1252 text.
    QByteArrayView body(parsed->data);
    if (body.startsWith("\xEF\xBB\xBF")) {
        parsed->byteOrderMark = parsed->data.first(3);
        body = body.sliced(3);
    }
    if (isValidUtf8(body)) {
        parsed->text = QString::fromUtf8(body);
    } else {
        parsed->encoding = Encoding::Windows1252;
        parsed->text = decodeWindows1252(body);
    }

    // Bytes and text hold the same lines; both are cut at each line break, which is the same
    // ASCII character in both.
    const QString& text = parsed->text;
    LineBreaks<QByteArrayView, char> byteBreaks(body);
    LineBreaks<QString, QChar> textBreaks(text);
    bool anyCrLf = false;
    bool anyLf = false;
    bool anyCr = false;
    qsizetype bytePos = 0;
    qsizetype textPos = 0;
    qsizetype sectionStart = 0;
    // Lines are read in file order, so a section's bytes are one run of the file's bytes.
    const auto endSection = [&](qsizetype end) {
        Section& last = parsed->sections.back();
        last.bytes = QByteArray::fromRawData(body.data() + sectionStart, end - sectionStart);
        last.bytesCurrent = true;
        sectionStart = end;
    };
    while (bytePos < body.size()) {
        const qsizetype lineStart = bytePos;
        qsizetype byteNext = byteBreaks.next(bytePos);
        const qsizetype textEnd = textBreaks.next(textPos);
        qsizetype textNext = textEnd;
        Line line;
        if (byteNext < body.size()) {
            qsizetype breakLength = 1;
            if (body.at(byteNext) == '\n') {
                line.end = LineEnd::Lf;
                anyLf = true;
            } else if (byteNext + 1 < body.size() && body.at(byteNext + 1) == '\n') {
                line.end = LineEnd::CrLf;
                anyCrLf = true;
                breakLength = 2;
            } else {
                line.end = LineEnd::Cr;
                anyCr = true;
            }
            byteNext += breakLength;
            textNext += breakLength;
        }
        line.text = slice(text, textPos, textEnd);
        line.bytes = QByteArray::fromRawData(body.data() + bytePos, byteNext - bytePos);
        bytePos = byteNext;
        textPos = textNext;

        if (const auto name = headerName(line.text)) {
            endSection(lineStart);
            Section section;
            section.name = *name;
            section.hasHeader = true;
            section.lines.append(std::move(line));
            parsed->sections.append(std::move(section));
            continue;
        }
        classify(line);
        Section& current = parsed->sections.back();
        current.lines.append(std::move(line));
        if (current.hasHeader && current.lines.back().isEntry())
            current.indexKey(current.lines.size() - 1);
    }
    endSection(body.size());
    // New lines end as the file's lines do when they all end alike; CR LF otherwise.
    if (anyLf && !anyCrLf && !anyCr)
        parsed->newLineEnd = LineEnd::Lf;
    else if (anyCr && !anyCrLf && !anyLf)
        parsed->newLineEnd = LineEnd::Cr;
    parsed->indexSections();
    return parsed;
}

IniStore::IniStore(QString fileName) : fileName_(std::move(fileName)) {
    // A folder, device or pipe is refused before anyone relies on the store.
    requireRegularFileOrNothing(fileName_);
}

IniStore::~IniStore() = default;

const IniStore::Parsed& IniStore::parsed() const {
    const qint64 look = fileClockNs();
    if (cache_ && cache_->stamp == fileStamp(fileName_)) {
        if (!cache_->inDoubt)
            return *cache_;
        // The times cannot tell: the bytes do.
        FileContents contents = readRegularFile(fileName_);
        if (contents.stamp == cache_->stamp && contents.readable == cache_->readable &&
            contents.bytes == cache_->fileBytes) {
            cache_->lookedAt(look);
            return *cache_;
        }
        cache_ = Parsed::parse(std::move(contents));
        cache_->lookedAt(look);
        return *cache_;
    }
    cache_ = Parsed::read(fileName_);
    return *cache_;
}

void IniStore::commit(std::unique_ptr<Parsed> changed) {
    QByteArray bytes = changed->serialize();
    // A Windows-1252 file whose bytes beyond ASCII now happen to form UTF-8 (its last other
    // byte was just removed) would be read as UTF-8 next time, each such character changed: it
    // goes over to UTF-8 as a whole, so that its texts stay what they are.
    if (changed->encoding == Encoding::Windows1252) {
        const QByteArrayView body = QByteArrayView(bytes).sliced(changed->byteOrderMark.size());
        if (isValidUtf8(body) &&
            std::any_of(body.begin(), body.end(), [](char c) { return uchar(c) >= 0x80; })) {
            changed->switchToUtf8();
            bytes = changed->serialize();
        }
    }
    changed->stamp = writeFileAtomically(fileName_, bytes);
    changed->lookedAt(fileClockNs());
    changed->fileBytes = std::move(bytes);
    changed->readable = true;
    cache_ = std::move(changed);
}

QStringList IniStore::ReadSections() const {
    const Parsed& p = parsed();
    QStringList names;
    for (qsizetype i = 1; i < p.sections.size(); ++i) {
        const QString& name = p.sections.at(i).name;
        if (!name.isEmpty() && p.sectionIndex.value(Name{name}) == i)
            names.append(owned(name));
    }
    return names;
}

QStringList IniStore::ReadSection(const QString& section) const {
    QStringList keys;
    if (const Section* s = parsed().section(section))
        s->forEachEntry([&](const Line& line) { keys.append(owned(line.key)); });
    return keys;
}

QList<QPair<QString, QString>> IniStore::ReadSectionValues(const QString& section,
                                                           const QString& def) const {
    QList<QPair<QString, QString>> entries;
    if (const Section* s = parsed().section(section)) {
        entries.reserve(s->keys.size());
        s->forEachEntry([&](const Line& line) {
            entries.append({owned(line.key), line.hasValue() ? line.value() : def});
        });
    }
    return entries;
}

QString IniStore::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Line* line = parsed().entry(section, key);
    return line && line->hasValue() ? line->value() : def;
}

bool IniStore::SectionExists(const QString& section) const {
    const Section* s = parsed().section(section);
    return s && !s->keys.isEmpty();
}

bool IniStore::ValueExists(const QString& section, const QString& key) const {
    return parsed().entry(section, key) != nullptr;
}

void IniStore::WriteString(const QString& section, const QString& key, const QString& value) {
    ReplaceKey(section, QString(), key, value);
}

void IniStore::ReplaceKey(const QString& section, const QString& oldKey, const QString& key,
                          const QString& value) {
    const QString cleanKey = Parsed::writableKey(key, fileName_);
    const Parsed& current = parsed();
    // A file that exists but cannot be read would be replaced by the new entry alone.
    if (!current.readable)
        throw writeRefused(fileName_);
    auto changed = std::make_unique<Parsed>(current);
    if (!oldKey.isNull())
        changed->removeEntry(section, oldKey);
    changed->setEntry(section, cleanKey, value);
    commit(std::move(changed));
}

void IniStore::DeleteKey(const QString& section, const QString& key) {
    const Parsed& current = parsed();
    // A file that cannot be read has no entries, so this also keeps such a file as it is.
    if (!current.entry(section, key))
        return;
    auto changed = std::make_unique<Parsed>(current);
    changed->removeEntry(section, key);
    commit(std::move(changed));
}

void IniStore::EraseSection(const QString& section) {
    auto changed = std::make_unique<Parsed>(parsed());
    if (changed->removeSections(section))
        commit(std::move(changed));
}

int IniStore::ReadInteger(const QString& section, const QString& key, int def) const {
    return readLenientInteger(ReadString(section, key, QString())).value_or(def);
}

void IniStore::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

bool IniStore::ReadBool(const QString& section, const QString& key, bool def) const {
    if (const auto value = readLenientInteger(ReadString(section, key, QString())))
        return *value != 0;
    return def;
}

void IniStore::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
