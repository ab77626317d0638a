#include "gradedata/inistore.h"

#include "gradedata/formats.h"
#include "gradedata/textencoding.h"
#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/regularfile.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <vector>

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

// The hash of a name as the case-insensitive compare of QString sees it: each UTF-16 unit is
// case-folded as that compare folds it (a low surrogate after a high one as the character of
// both), so that names that compare equal hash alike, "K" (Kelvin sign) and "k" included. The
// folded units are hashed in runs of a small buffer's size, each run seeded with the hash so far.
size_t foldedHash(QStringView text, size_t seed) {
    constexpr qsizetype runLength = 32;
    char16_t folded[runLength];
    size_t hash = seed;
    const char16_t* const units = text.utf16();
    for (qsizetype runStart = 0; runStart < text.size(); runStart += runLength) {
        const qsizetype length = std::min(runLength, text.size() - runStart);
        const char16_t* const run = units + runStart;
        // ASCII folds to lower case; a run with any other unit is folded again, unit by unit.
        char16_t all = 0;
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t unit = run[i];
            folded[i] = char16_t(unit + (unit >= u'A' && unit <= u'Z' ? u'a' - u'A' : 0));
            all |= unit;
        }
        if (all >= 0x80) {
            char16_t before = runStart > 0 ? run[-1] : 0;
            for (qsizetype i = 0; i < length; ++i) {
                char32_t code = run[i];
                if (QChar::isLowSurrogate(code) && QChar::isHighSurrogate(before))
                    code = QChar::surrogateToUcs4(before, run[i]);
                // Cutting a character beyond the BMP to 16 bits still hashes equal names alike.
                folded[i] = char16_t(QChar::toCaseFolded(code));
                before = run[i];
            }
        }
        hash = qHashBits(folded, size_t(length) * sizeof(char16_t), hash);
    }
    return hash;
}

// A section or key name, compared and hashed without regard to case. The name is folded and
// hashed once, with the seed that every QHash uses, so that neither a lookup's probes nor a
// growing index fold it again.
struct Name {
    explicit Name(QString name)
        : text(std::move(name)), hash(foldedHash(text, QHashSeed::globalSeed())) {}
    QString text;
    size_t hash;
};

bool operator==(const Name& a, const Name& b) {
    return a.hash == b.hash && a.text.compare(b.text, Qt::CaseInsensitive) == 0;
}

size_t qHash(const Name& name, size_t seed = 0) {
    return seed == QHashSeed::globalSeed() ? name.hash : foldedHash(name.text, seed);
}

// Lines read from the file keep their text and bytes as slices of the whole file's text and
// bytes, which the parsed file holds for as long as any of its lines lives; names are slices
// of their line's text. Whatever leaves the store is copied (owned()).
QString slice(const QString& text, qsizetype from, qsizetype to) {
    return QString::fromRawData(text.constData() + from, to - from);
}

// Revisions are counted for all stores together, so that no two states of any stores share one.
quint64 nextRevision() {
    static std::atomic<quint64> last{0};
    return ++last;
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
    QStringView value() const {
        qsizetype from = 0;
        qsizetype to = 0;
        valueRange(from, to);
        QStringView value = QStringView(text).sliced(from, to - from);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return value;
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

// The name of a "[name]" header line (blanks, then "["): the name between the brackets, without
// surrounding blanks.
QString headerName(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && isBlank(text.at(start)))
        ++start;
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
    // A line of NUL bytes or other control characters alone (padding, a write of another
    // program cut short) is no key.
    if (equals < 0 && std::all_of(text.begin() + start, text.begin() + keyEnd,
                                  [](QChar c) { return c.category() == QChar::Other_Control; }))
        return;
    line.entry = true;
    line.equals = equals;
    line.key = slice(text, start, keyEnd);
}

// A key that a line cannot hold so that it reads back as that key.
bool unwritableKey(const QString& key) {
    return key.isEmpty() || key.front() == u'[' || key.front() == u';';
}

} // namespace

// Names, lines and sections hold only Qt values that can be moved in memory as they are, so
// that lists and indexes of them grow by moving memory, not element by element.
Q_DECLARE_TYPEINFO(Name, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(Line, Q_RELOCATABLE_TYPE);

namespace {

struct Section {
    QString name;
    bool hasHeader = false;      // false for the lines before the first header
    QList<Line> lines;           // with a header, lines[0] is the header line
    qsizetype entryCount = 0;    // entry lines
    QHash<Name, qsizetype> keys; // indexed sections: the first line of each key
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
    // Sections of a few entries are searched line by line; only larger ones get an index of
    // their keys, so that a file of many small sections costs no index per section.
    static constexpr qsizetype indexFrom = 16;
    bool indexed() const { return entryCount >= indexFrom; }
    // The first entry line of the key, -1 when there is none.
    qsizetype find(const QString& key) const {
        if (indexed())
            return keys.value(Name{key}, -1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const Line& line = lines.at(i);
            if (line.isEntry() && line.key.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    // Entry lines that a lookup finds (the first of each key), in file order.
    template <typename F> void forEachEntry(F&& f) const {
        // Without repeated keys every entry line is found by its key.
        const bool repeated = !indexed() || entryCount != keys.size();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const Line& line = lines.at(i);
            if (line.isEntry() && (!repeated || find(line.key) == i))
                f(line);
        }
    }
    // Counts the entry line `at`, read in file order, and notes it under its key unless an
    // earlier line has the key.
    void indexKey(qsizetype at) {
        ++entryCount;
        if (entryCount == indexFrom)
            buildIndex();
        else if (indexed())
            noteKey(at);
    }
    void indexKeys() {
        entryCount = 0;
        for (qsizetype i = 1; i < lines.size(); ++i)
            entryCount += lines.at(i).isEntry() ? 1 : 0;
        keys.clear();
        if (indexed())
            buildIndex();
    }
    void noteKey(qsizetype at) {
        // Line 0 is the header, so 0 marks a key not seen before.
        qsizetype& first = keys[Name{lines.at(at).key}];
        if (first == 0)
            first = at;
    }
    void buildIndex() {
        keys.clear();
        keys.reserve(entryCount);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines.at(i).isEntry())
                noteKey(i);
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

Q_DECLARE_TYPEINFO(Section, Q_RELOCATABLE_TYPE);

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
        const qsizetype index = s->find(key.trimmed());
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

    // The bytes of a changed line: in the file's encoding when that holds the text so that it
    // reads back as itself, else in UTF-8. Lines are decoded one by one (a line that is valid
    // UTF-8 is read as UTF-8), so Windows-1252 bytes that happen to form UTF-8 would come back
    // as other characters; such a line is written in UTF-8 as well.
    QByteArray encode(const QString& text) const {
        if (encoding == Encoding::Windows1252) {
            if (auto bytes = encodeWindows1252(text)) {
                const bool beyondAscii = std::any_of(bytes->begin(), bytes->end(),
                                                     [](char c) { return uchar(c) >= 0x80; });
                if (!beyondAscii || !isValidUtf8(*bytes))
                    return *bytes;
            }
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
        const qsizetype lineAt = s.find(cleanKey);
        // A stored key keeps its spelling and blanks; only its value changes.
        Line line = lineAt >= 0
                        ? makeLine(s.lines.at(lineAt).withValue(value), s.lines.at(lineAt).end)
                        : makeLine(text, newLineEnd);
        // A key that does not read back as itself (say, one holding "=") needs a fresh index.
        const bool sameKey = line.isEntry() && Name{line.key} == Name{cleanKey};
        s.bytesCurrent = false;
        if (lineAt >= 0) {
            // The index names the key by the text of its line: out before the line goes.
            if (s.indexed())
                s.keys.remove(Name{cleanKey});
            s.lines[lineAt] = std::move(line);
            if (sameKey && s.indexed())
                s.keys.insert(Name{s.lines.at(lineAt).key}, lineAt);
        } else {
            const qsizetype after = s.lastEntryLine();
            if (s.lines.at(after).end == LineEnd::None)
                endLastLine();
            // Only comments, blank and other lines follow the last entry, so no indexed line
            // moves.
            s.lines.insert(after + 1, std::move(line));
            if (sameKey && s.indexed()) {
                s.keys.insert(Name{s.lines.at(after + 1).key}, after + 1);
                ++s.entryCount;
            }
        }
        if (!sameKey || !s.indexed())
            s.indexKeys();
    }

    bool removeEntry(const QString& sectionName, const QString& key) {
        const qsizetype sectionAt = sectionIndex.value(Name{sectionName.trimmed()}, -1);
        if (sectionAt < 0)
            return false;
        Section& s = sections[sectionAt];
        const qsizetype lineAt = s.find(key.trimmed());
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

// How a line's bytes are read: ASCII reads alike in both encodings; a line that is well-formed
// UTF-8 is UTF-8, any other is Windows-1252.
enum class LineCoding : quint8 { Ascii, Utf8, Windows1252 };

// One line as the file's bytes hold it: its length in bytes (line end included), the length of
// its text (line end excluded), its line end, whether it is a header ("[" after blanks), and how
// its bytes are read.
struct LineSpan {
    qsizetype bytes = 0;
    qsizetype textLength = 0;
    LineEnd end = LineEnd::None;
    bool header = false;
    LineCoding coding = LineCoding::Ascii;
};

qsizetype lineEndLength(LineEnd end) {
    return end == LineEnd::CrLf ? 2 : end == LineEnd::None ? 0 : 1;
}

// The bytes of the eight in chunk (read little-endian) that equal c, as their high bits; only
// the lowest one marked is sure to be such a byte (a borrow may mark bytes above it).
quint64 bytesEqual(quint64 chunk, uchar c) {
    const quint64 x = chunk ^ (0x0101010101010101ULL * c);
    return (x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL;
}

// The UTF-8 byte-order mark.
constexpr QByteArrayView byteOrderMarkBytes("\xEF\xBB\xBF");

// Finds the line that starts at lineStart (before end) and decides its encoding: a line that is
// well-formed UTF-8 is read as UTF-8, any other one character per byte as Windows-1252. Line
// ends, blanks and "[" are the same ASCII byte in both encodings and inside no UTF-8 sequence, so
// lines and headers are found in the bytes, and the length of each line's text follows from its
// bytes. The first skipped bytes of the line are in its bytes but not in its text.
LineSpan scanLine(const uchar* const lineStart, const uchar* const end, qsizetype skipped) {
    const uchar* p = lineStart + skipped;
    qsizetype bytesWithoutUnit = 0; // UTF-8 bytes that add no UTF-16 unit of their own
    LineSpan line;
    const uchar* first = p;
    while (first < end && (*first == ' ' || *first == '\t'))
        ++first;
    line.header = first < end && *first == '[';
    while (p < end) {
        // Runs of ASCII without a line end, eight bytes at a time, up to the first byte that is
        // neither.
        if (end - p >= 8) {
            const quint64 chunk = qFromLittleEndian<quint64>(p);
            const quint64 marked =
                (chunk & 0x8080808080808080ULL) | bytesEqual(chunk, '\n') | bytesEqual(chunk, '\r');
            if (marked == 0) {
                p += 8;
                continue;
            }
            p += std::countr_zero(marked) / 8;
        }
        const uchar c = *p;
        if (c == '\n' || c == '\r')
            break;
        if (c < 0x80 || line.coding == LineCoding::Windows1252) {
            ++p;
            continue;
        }
        const int length = utf8SequenceLength(p, end);
        if (length == 0) {
            line.coding = LineCoding::Windows1252;
            ++p;
            continue;
        }
        line.coding = LineCoding::Utf8;
        // Two or three bytes give one UTF-16 unit, four give a surrogate pair.
        bytesWithoutUnit += length == 4 ? 2 : length - 1;
        p += length;
    }
    line.textLength =
        (p - lineStart) - skipped - (line.coding == LineCoding::Windows1252 ? 0 : bytesWithoutUnit);
    if (p < end) {
        if (*p == '\n')
            line.end = LineEnd::Lf;
        else if (p + 1 < end && p[1] == '\n')
            line.end = LineEnd::CrLf;
        else
            line.end = LineEnd::Cr;
        p += lineEndLength(line.end);
    }
    line.bytes = p - lineStart;
    return line;
}

// Puts the text of a line (its bytes after the skipped ones, line end included) into out, as
// its span says it is encoded; returns the end of what it wrote.
QChar* decodeLine(QByteArrayView bytes, const LineSpan& span, QStringDecoder& utf8, QChar* out) {
    if (span.coding == LineCoding::Windows1252)
        return decodeWindows1252(bytes, out);
    if (span.coding == LineCoding::Ascii) {
        for (const char c : bytes)
            *out++ = QChar(uchar(c));
        return out;
    }
    return utf8.appendToBuffer(out, bytes);
}

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
    if (body.startsWith(byteOrderMarkBytes)) {
        parsed->byteOrderMark = parsed->data.first(3);
        body = body.sliced(3);
    }
    // The text is never longer than the bytes: one UTF-16 unit per byte at most.
    parsed->text = QString(body.size(), Qt::Uninitialized);
    const QString& text = parsed->text;
    QChar* const textStart = parsed->text.data();
    QChar* out = textStart;
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);

    qsizetype utf8Lines = 0;
    qsizetype windows1252Lines = 0;
    bool anyCrLf = false;
    bool anyLf = false;
    bool anyCr = false;
    const auto* const begin = reinterpret_cast<const uchar*>(body.data());
    const auto* const end = begin + body.size();
    qsizetype sectionStart = 0;
    // Lines are read in file order, so a section's bytes are one run of the file's bytes.
    const auto endSection = [&](qsizetype at) {
        Section& last = parsed->sections.back();
        last.bytes = QByteArray::fromRawData(body.data() + sectionStart, at - sectionStart);
        last.bytesCurrent = true;
        sectionStart = at;
    };
    // Lines that are no entry (blank lines, comments, other text) are kept together, one run
    // after another, as one line: only their bytes are written back, and a file of millions of
    // such lines costs no more than its bytes.
    qsizetype runStart = -1;
    LineEnd runEnd = LineEnd::None;
    const auto endRun = [&](qsizetype at) {
        if (runStart < 0)
            return;
        Line& run = parsed->sections.back().lines.emplace_back();
        run.bytes = QByteArray::fromRawData(body.data() + runStart, at - runStart);
        run.end = runEnd;
        runStart = -1;
    };
    for (const uchar* p = begin; p < end;) {
        const qsizetype lineStart = p - begin;
        // A second byte-order mark right after the file's own is in the first line's bytes but
        // not in its text (as a reader that skips one mark at the start sees it).
        const qsizetype skipped = lineStart == 0 && body.startsWith(byteOrderMarkBytes) ? 3 : 0;
        const LineSpan span = scanLine(p, end, skipped);
        utf8Lines += span.coding == LineCoding::Utf8 ? 1 : 0;
        windows1252Lines += span.coding == LineCoding::Windows1252 ? 1 : 0;
        anyLf = anyLf || span.end == LineEnd::Lf;
        anyCrLf = anyCrLf || span.end == LineEnd::CrLf;
        anyCr = anyCr || span.end == LineEnd::Cr;
        const qsizetype textPos = out - textStart;
        out = decodeLine(body.sliced(lineStart + skipped, span.bytes - skipped), span, utf8, out);
        p += span.bytes;

        Line line;
        line.text = slice(text, textPos, textPos + span.textLength);
        if (span.header) {
            endRun(lineStart);
            endSection(lineStart);
            Section& section = parsed->sections.emplace_back();
            section.hasHeader = true;
            section.name = headerName(line.text);
        } else {
            classify(line);
            // Entries before the first header belong to no section: kept like other lines.
            if (!line.isEntry() || !parsed->sections.back().hasHeader) {
                if (runStart < 0)
                    runStart = lineStart;
                runEnd = span.end;
                continue;
            }
            endRun(lineStart);
        }
        Section& current = parsed->sections.back();
        line.end = span.end;
        line.bytes = QByteArray::fromRawData(body.data() + lineStart, span.bytes);
        current.lines.append(std::move(line));
        if (!span.header)
            current.indexKey(current.lines.size() - 1);
    }
    endRun(body.size());
    endSection(body.size());
    // Changed lines are written in the encoding that most lines beyond ASCII are in; UTF-8 when
    // as many are in each.
    if (windows1252Lines > utf8Lines)
        parsed->encoding = Encoding::Windows1252;
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
    // A write in place that a crash cut off leaves the file whole again before it is read.
    recoverInterruptedWrite(fileName_);
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
        revision_ = nextRevision();
        return *cache_;
    }
    auto fresh = Parsed::read(fileName_);
    // Times that changed while the bytes did not (a touch, a copy over with the same bytes)
    // change nothing that was read.
    if (!cache_ || fresh->readable != cache_->readable ||
        fresh->stamp.exists != cache_->stamp.exists || fresh->fileBytes != cache_->fileBytes)
        revision_ = nextRevision();
    cache_ = std::move(fresh);
    return *cache_;
}

quint64 IniStore::contentsRevision() const {
    parsed();
    return revision_;
}

void IniStore::commit(std::unique_ptr<Parsed> changed) {
    QByteArray bytes = changed->serialize();
    changed->stamp = writeFileAtomically(fileName_, bytes);
    changed->lookedAt(fileClockNs());
    changed->fileBytes = std::move(bytes);
    changed->readable = true;
    cache_ = std::move(changed);
    revision_ = nextRevision();
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
    forEachEntry(section, def, [&](QStringView key, QStringView value) {
        entries.append({owned(key), owned(value)});
    });
    return entries;
}

void IniStore::visitEntries(const QString& section, QStringView def, EntryVisitor visit,
                            void* context) const {
    if (const Section* s = parsed().section(section))
        s->forEachEntry([&](const Line& line) {
            visit(context, line.key, line.hasValue() ? line.value() : def);
        });
}

QString IniStore::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Line* line = parsed().entry(section, key);
    return line && line->hasValue() ? owned(line->value()) : def;
}

bool IniStore::SectionExists(const QString& section) const {
    const Section* s = parsed().section(section);
    return s && s->entryCount > 0;
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
