#include "gradedata/inistore.h"

#include "gradedata/formats.h"
#include "gradedata/textencoding.h"
#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/regularfile.h"

#include <QStringDecoder>
#include <QVarLengthArray>
#include <QtEndian>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <optional>
#include <unordered_map>
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

qsizetype lineEndLength(LineEnd end) {
    return end == LineEnd::CrLf ? 2 : end == LineEnd::None ? 0 : 1;
}

// The steps of the names' hash below: its start, one folded unit mixed in, and the spreading
// of the result over all bits.
quint64 hashStart() {
    return 0xCBF29CE484222325ULL ^ quint64(size_t(QHashSeed::globalSeed()));
}

quint64 hashMixed(quint64 hash, char16_t folded) {
    return (hash ^ folded) * 0x100000001B3ULL;
}

quint32 hashSpread(quint64 hash) {
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    return quint32(hash);
}

// The hash of a name as the case-insensitive compare of QString sees it: each UTF-16 unit is
// case-folded as that compare folds it (a low surrogate after a high one as the character of
// both), so that names that compare equal hash alike, "K" (Kelvin sign) and "k" included. The
// folded units are mixed in one by one (FNV-1a) and the result is spread over all bits. The seed
// is that of every QHash, which differs from process to process, so that a file cannot be made of
// names that all land in one place of an index.
quint32 foldedHash(QStringView text) {
    constexpr qsizetype runLength = 32;
    char16_t folded[runLength];
    quint64 hash = hashStart();
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
        for (qsizetype i = 0; i < length; ++i)
            hash = hashMixed(hash, folded[i]);
    }
    return hashSpread(hash);
}

// The same hash of a name of ASCII bytes (its characters), taken from the bytes at once.
quint32 asciiFoldedHash(QByteArrayView text) {
    quint64 hash = hashStart();
    for (const char c : text) {
        const auto unit = char16_t(uchar(c));
        hash = hashMixed(hash, char16_t(unit + (unit >= u'A' && unit <= u'Z' ? u'a' - u'A' : 0)));
    }
    return hashSpread(hash);
}

// Revisions are counted for all stores together, so that no two states of any stores share one.
quint64 nextRevision() {
    static std::atomic<quint64> last{0};
    return ++last;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The range [from, to) of a text without blanks at both ends; unit(i) is the text's character i.
template <typename Unit> void trimRange(Unit&& unit, qsizetype& from, qsizetype& to) {
    while (from < to && unit(from).isSpace())
        ++from;
    while (to > from && unit(to - 1).isSpace())
        --to;
}
void trimRange(QStringView text, qsizetype& from, qsizetype& to) {
    trimRange([&](qsizetype i) { return text[i]; }, from, to);
}

// The parts of a line's text. Inside a section every line that is not blank, a comment or a
// header is an entry: "key=value", or a key alone, which is listed among the section's keys but
// has no value (reading it gives the caller's default).
struct LineParts {
    bool entry = false;
    qsizetype equals = -1; // entries: position of the first "=", -1 for a key alone
    qsizetype keyFrom = 0; // entries: the name before it, without surrounding blanks
    qsizetype keyTo = 0;

    bool hasValue() const { return equals >= 0; }
    QStringView key(QStringView text) const { return text.sliced(keyFrom, keyTo - keyFrom); }
    // The range [from, to) of the value's text: after the "=", without surrounding blanks.
    void valueRange(QStringView text, qsizetype& from, qsizetype& to) const {
        from = equals + 1;
        to = text.size();
        trimRange(text, from, to);
    }
    // The text after the "=" without surrounding blanks and without one pair of quotes that
    // encloses all of it.
    QStringView value(QStringView text) const {
        qsizetype from = 0;
        qsizetype to = 0;
        valueRange(text, from, to);
        QStringView value = text.sliced(from, to - from);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return value;
    }
    // The line's text with another value: the key as it stands, with its blanks, and the blanks
    // around the old value are kept.
    QString withValue(QStringView text, const QString& newValue) const {
        if (!hasValue())
            return text.toString() + u'=' + newValue;
        qsizetype from = 0;
        qsizetype to = 0;
        valueRange(text, from, to);
        QString line = text.first(from).toString();
        line += newValue;
        line += text.sliced(to);
        return line;
    }
};

// The parts of a text of size characters; unit(i) is its character i.
template <typename Unit> LineParts classifyUnits(qsizetype size, Unit&& unit) {
    LineParts parts;
    qsizetype start = 0;
    while (start < size && isBlank(unit(start)))
        ++start;
    if (start == size || unit(start) == u';' || unit(start) == u'[')
        return parts;
    qsizetype equals = start;
    while (equals < size && unit(equals) != u'=')
        ++equals;
    if (equals == size)
        equals = -1;
    qsizetype keyEnd = equals < 0 ? size : equals;
    trimRange(unit, start, keyEnd);
    if (start == keyEnd)
        return parts;
    // A line of NUL bytes or other control characters alone (padding, a write of another
    // program cut short) is no key.
    if (equals < 0) {
        bool control = true;
        for (qsizetype i = start; i < keyEnd && control; ++i)
            control = unit(i).category() == QChar::Other_Control;
        if (control)
            return parts;
    }
    parts.entry = true;
    parts.equals = equals;
    parts.keyFrom = start;
    parts.keyTo = keyEnd;
    return parts;
}

LineParts classify(QStringView text) {
    return classifyUnits(text.size(), [&](qsizetype i) { return text[i]; });
}

// The same for a line of ASCII bytes, whose characters are its bytes.
LineParts classifyAscii(QByteArrayView text) {
    return classifyUnits(text.size(), [&](qsizetype i) { return QChar(uchar(text[i])); });
}

// The name of a "[name]" header line (blanks, then "["): the name between the brackets, without
// surrounding blanks.
QStringView headerName(QStringView text) {
    qsizetype start = 0;
    while (start < text.size() && isBlank(text.at(start)))
        ++start;
    // The last "]" closes the name, so that a name holding "]" is found again.
    qsizetype close = text.lastIndexOf(u']');
    if (close <= start)
        close = text.size();
    qsizetype from = start + 1;
    trimRange(text, from, close);
    return text.sliced(from, close - from);
}

// A key that a line cannot hold so that it reads back as that key.
bool unwritableKey(const QString& key) {
    return key.isEmpty() || key.front() == u'[' || key.front() == u';';
}

enum class Encoding : quint8 { Utf8, Windows1252 };

// Names must not break the line structure of the file.
QString singleLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// How a line's bytes are read: ASCII reads alike in both encodings; a line that is well-formed
// UTF-8 is UTF-8, any other is Windows-1252.
enum class LineCoding : quint8 { Ascii, Utf8, Windows1252 };

// One line as the file's bytes hold it: its length in bytes (line end included), its line end,
// whether it is a header ("[" after blanks), and how its bytes are read.
struct LineSpan {
    qsizetype bytes = 0;
    LineEnd end = LineEnd::None;
    bool header = false;
    LineCoding coding = LineCoding::Ascii;
};

// The bytes of the eight in chunk (read little-endian) that equal c, as their high bits; only
// the lowest one marked is sure to be such a byte (a borrow may mark bytes above it).
quint64 bytesEqual(quint64 chunk, uchar c) {
    const quint64 x = chunk ^ (0x0101010101010101ULL * c);
    return (x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL;
}

// The UTF-8 byte-order mark.
constexpr QByteArrayView byteOrderMarkBytes("\xEF\xBB\xBF");

// The first byte from p on (before end) that ends a line or is not ASCII; end when there is none.
// Sixteen bytes at a time where the processor compares them at once, else eight.
const uchar* plainAsciiEnd(const uchar* p, const uchar* const end) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i lineEnds = _mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, cr));
        if (const int marked = _mm_movemask_epi8(_mm_or_si128(chunk, lineEnds)); marked != 0)
            return p + std::countr_zero(unsigned(marked));
    }
#endif
    for (; end - p >= 8; p += 8) {
        const quint64 chunk = qFromLittleEndian<quint64>(p);
        const quint64 marked =
            (chunk & 0x8080808080808080ULL) | bytesEqual(chunk, '\n') | bytesEqual(chunk, '\r');
        if (marked != 0)
            return p + std::countr_zero(marked) / 8;
    }
    while (p < end && *p < 0x80 && *p != '\n' && *p != '\r')
        ++p;
    return p;
}

// Finds the line that starts at lineStart (before end) and decides its encoding: a line that is
// well-formed UTF-8 is read as UTF-8, any other one character per byte as Windows-1252. Line
// ends, blanks and "[" are the same ASCII byte in both encodings and inside no UTF-8 sequence, so
// lines and headers are found in the bytes. The first skipped bytes of the line are in its bytes
// but not in its text.
LineSpan scanLine(const uchar* const lineStart, const uchar* const end, qsizetype skipped) {
    const uchar* p = lineStart + skipped;
    LineSpan line;
    const uchar* first = p;
    while (first < end && (*first == ' ' || *first == '\t'))
        ++first;
    line.header = first < end && *first == '[';
    while ((p = plainAsciiEnd(p, end)) < end) {
        if (*p == '\n' || *p == '\r')
            break;
        if (line.coding == LineCoding::Windows1252) {
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
        p += length;
    }
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

// Turns lines of the file's bytes into text, one at a time, into a buffer it keeps: a line's text
// is valid until the next line is decoded by the same decoder.
class LineDecoder {
public:
    // The text of the line of span at lineStart, its first skipped bytes left out.
    QStringView decode(const char* lineStart, const LineSpan& span, qsizetype skipped) {
        const QByteArrayView bytes(lineStart + skipped,
                                   span.bytes - skipped - lineEndLength(span.end));
        // The text is never longer than the bytes: one UTF-16 unit per byte at most.
        if (buffer_.size() < bytes.size())
            buffer_.resize(std::max(bytes.size(), 2 * buffer_.size()));
        QChar* const out = buffer_.data();
        QChar* written = out;
        if (span.coding == LineCoding::Windows1252) {
            written = decodeWindows1252(bytes, out);
        } else if (span.coding == LineCoding::Ascii) {
            written = ascii_.appendToBuffer(out, bytes);
        } else {
            written = utf8_.appendToBuffer(out, bytes);
        }
        return QStringView(out, written - out);
    }

private:
    // Lines of up to 120 characters (most) need no buffer of their own.
    QVarLengthArray<QChar, 120> buffer_;
    QStringDecoder utf8_{QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    // ASCII reads as Latin-1, which Qt widens many bytes at a time.
    QStringDecoder ascii_{QStringDecoder::Latin1, QStringDecoder::Flag::Stateless};
};

// A line the store notes, in 8 bytes: where it starts in the file's bytes (40 bits, a terabyte)
// and 24 bits of the hash of its name (the key of an entry line, the name of a header). A file of
// the shortest lines ("k" and its line end) costs four bytes per byte of the file in these notes.
class NotedLine {
public:
    NotedLine() = default;
    NotedLine(qint64 start, quint32 hash) : bits_((quint64(start) << 24) | (hash & 0xFFFFFF)) {}
    qint64 start() const { return qint64(bits_ >> 24); }
    quint32 hash() const { return quint32(bits_ & 0xFFFFFF); }
    void move(qint64 delta) { bits_ = (quint64(start() + delta) << 24) | hash(); }

private:
    quint64 bits_ = 0;
};

// The 24 bits of a name's hash that the notes keep.
quint32 noteHash(QStringView name) {
    return foldedHash(name) & 0xFFFFFF;
}
quint32 noteHash(QByteArrayView asciiName) {
    return asciiFoldedHash(asciiName) & 0xFFFFFF;
}

// The first of the notes (in file order) that starts at or after position at.
template <typename Notes> auto firstFrom(Notes& notes, qint64 at) {
    return std::lower_bound(notes.begin(), notes.end(), at,
                            [](const NotedLine& line, qint64 at) { return line.start() < at; });
}

// An index of hashed items (entries of a section, sections of the file) by open addressing:
// each slot holds an item's number plus one, 0 for an empty slot. It holds one item per name and
// grows with the names, at most three quarters full, so that a lookup probes a few slots; a file
// that repeats one name a million times costs one slot.
class SlotIndex {
public:
    // Items in the index.
    qsizetype count() const { return count_; }
    // The first item with the hash for which same(item) holds; -1 when there is none.
    template <typename Same> qsizetype find(quint32 hash, Same&& same) const {
        if (slots_.empty())
            return -1;
        const size_t mask = slots_.size() - 1;
        for (size_t i = home(hash);; i = (i + 1) & mask) {
            const quint32 slot = slots_[i];
            if (slot == 0)
                return -1;
            if (same(qsizetype(slot - 1)))
                return qsizetype(slot - 1);
        }
    }
    // Puts the item in unless an item for which same() holds is in already; returns whether it
    // went in. hashOf(item) gives the hash of an item in the index, for growing.
    template <typename Same, typename HashOf>
    bool insert(quint32 hash, qsizetype item, Same&& same, HashOf&& hashOf) {
        if (size_t(count_ + 1) * 4 > slots_.size() * 3)
            grow(hashOf);
        const size_t mask = slots_.size() - 1;
        for (size_t i = home(hash);; i = (i + 1) & mask) {
            const quint32 slot = slots_[i];
            if (slot == 0) {
                slots_[i] = quint32(item + 1);
                ++count_;
                return true;
            }
            if (same(qsizetype(slot - 1)))
                return false;
        }
    }

private:
    // The first slot to look at: the 24-bit hash spread over the slots.
    size_t home(quint32 hash) const { return size_t((quint64(hash) * slots_.size()) >> 24); }
    template <typename HashOf> void grow(HashOf&& hashOf) {
        std::vector<quint32> old = std::move(slots_);
        slots_.assign(std::max<size_t>(16, old.size() * 2), 0);
        const size_t mask = slots_.size() - 1;
        for (const quint32 slot : old) {
            if (slot == 0)
                continue;
            size_t i = home(hashOf(qsizetype(slot - 1)));
            while (slots_[i] != 0)
                i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    std::vector<quint32> slots_;
    qsizetype count_ = 0;
};

} // namespace

// The file as it stands: its bytes, and the places of its headers and entry lines in them (8
// bytes each). Every other line is found in the bytes when needed. Texts are decoded from the
// bytes line by line as they are read, so a file costs its bytes, the notes of its entries and
// sections and the indexes of their names.
struct IniStore::Parsed {
    // The file as it was when read or last written: missing, or its stamp and bytes.
    FileStamp stamp;
    bool readable = true;
    // The moment of the last look at the file; while the file system could hide a change made
    // after it, the next look compares the bytes as well.
    qint64 lookedAtNs = 0;
    bool inDoubt = false;

    // The file's bytes, a UTF-8 byte-order mark included (the body after it).
    QByteArray bytes;
    qsizetype bodyStart = 0;

    Encoding encoding = Encoding::Utf8;
    LineEnd newLineEnd = LineEnd::CrLf;
    // Where a line removed in the change being made leaves a line that ends in a lone CR right
    // before an empty line that ends in LF: read again, the CR and the LF would make one line
    // end. For the rest of the change they stay two lines, so that a line added after the first
    // goes between them and both keep their bytes.
    std::vector<qint64> keptBreaks;
    // The headers of the sections; sections[0] stands for the lines before the first header
    // and has none. A section's entry lines are those between its header and the next one.
    std::vector<NotedLine> sections;
    std::vector<NotedLine> entries; // the entry lines of all sections, in file order
    // Sections of many entries (see indexFrom) have an index of their keys, by their entries'
    // numbers counted from the section's first; smaller ones are searched line by line, so that a
    // file of many small sections costs no index per section.
    static constexpr qsizetype indexFrom = 16;
    std::unordered_map<qsizetype, SlotIndex> keyIndexes;
    SlotIndex sectionIndex;        // the first section of each name
    std::vector<bool> firstOfName; // by section: no earlier section has its name

    void lookedAt(qint64 when) {
        lookedAtNs = when;
        inDoubt = stamp.mayHideChangesAfter(when);
    }

    // --- Lines

    qsizetype skippedAt(qint64 start) const {
        // A second byte-order mark right after the file's own is in the first line's bytes but
        // not in its text (as a reader that skips one mark at the start sees it).
        return start == bodyStart &&
                       QByteArrayView(bytes).sliced(bodyStart).startsWith(byteOrderMarkBytes)
                   ? 3
                   : 0;
    }
    LineSpan spanAt(qint64 start) const {
        const auto* const begin = reinterpret_cast<const uchar*>(bytes.constData());
        return scanLine(begin + start, begin + bytes.size(), skippedAt(start));
    }
    QStringView textAt(qint64 start, LineSpan& span, LineDecoder& decoder) const {
        span = spanAt(start);
        return decoder.decode(bytes.constData() + start, span, skippedAt(start));
    }
    QStringView textAt(qint64 start, LineDecoder& decoder) const {
        LineSpan span;
        return textAt(start, span, decoder);
    }
    // The last line of the file has no line end.
    bool lastLineOpen() const {
        return bytes.size() > bodyStart && bytes.back() != '\n' && bytes.back() != '\r';
    }

    // --- Sections

    qsizetype sectionCount() const { return qsizetype(sections.size()); }
    qint64 sectionEnd(qsizetype s) const {
        return s + 1 < sectionCount() ? sections[s + 1].start() : bytes.size();
    }
    // The entry lines of section s: [first, end) of entries.
    qsizetype entriesBegin(qsizetype s) const {
        return s == 0 ? 0 : firstFrom(entries, sections[s].start()) - entries.begin();
    }
    qsizetype entriesEnd(qsizetype s) const {
        return s == 0 ? 0 : firstFrom(entries, sectionEnd(s)) - entries.begin();
    }
    qsizetype entryCount(qsizetype s) const { return entriesEnd(s) - entriesBegin(s); }
    QStringView sectionName(qsizetype s, LineDecoder& decoder) const {
        return headerName(textAt(sections[s].start(), decoder));
    }
    // The first section of the name; -1 when there is none.
    qsizetype findSection(QStringView name) const {
        LineDecoder decoder;
        return findSection(name, decoder);
    }
    // The same, decoding the sections' names with decoder (a caller's, for many lookups).
    qsizetype findSection(QStringView name, LineDecoder& decoder) const {
        const quint32 hash = noteHash(name);
        return sectionIndex.find(hash, [&](qsizetype s) {
            return sections[s].hash() == hash && sameName(sectionName(s, decoder), name);
        });
    }
    // Notes section s under its name unless an earlier section has the name.
    void indexSection(qsizetype s, LineDecoder& a, LineDecoder& b) {
        const quint32 hash = sections[s].hash();
        if (firstOfName.size() <= size_t(s))
            firstOfName.resize(size_t(s) + 1);
        firstOfName[size_t(s)] = sectionIndex.insert(
            hash, s,
            [&](qsizetype other) {
                return sections[other].hash() == hash &&
                       sameName(sectionName(other, a), sectionName(s, b));
            },
            [&](qsizetype other) { return sections[other].hash(); });
    }
    void indexSections() {
        LineDecoder a;
        LineDecoder b;
        sectionIndex = {};
        firstOfName.assign(size_t(sectionCount()), false);
        for (qsizetype s = 1; s < sectionCount(); ++s)
            indexSection(s, a, b);
    }

    // --- Entries

    QStringView keyOf(qsizetype e, LineDecoder& decoder) const {
        const QStringView text = textAt(entries[e].start(), decoder);
        return classify(text).key(text);
    }
    bool keyIs(qsizetype e, quint32 hash, QStringView key, LineDecoder& decoder) const {
        return entries[e].hash() == hash && sameName(keyOf(e, decoder), key);
    }
    // The first entry line of the key in section s, -1 when there is none.
    qsizetype findEntry(qsizetype s, QStringView key) const {
        LineDecoder decoder;
        const quint32 hash = noteHash(key);
        const qsizetype first = entriesBegin(s);
        if (const auto index = keyIndexes.find(s); index != keyIndexes.end()) {
            const qsizetype found = index->second.find(
                hash, [&](qsizetype i) { return keyIs(first + i, hash, key, decoder); });
            return found < 0 ? -1 : first + found;
        }
        const qsizetype end = entriesEnd(s);
        for (qsizetype e = first; e < end; ++e) {
            if (keyIs(e, hash, key, decoder))
                return e;
        }
        return -1;
    }
    // Notes entry `at` of section s (counted from its first, `first`) in its index unless an
    // earlier entry has its key.
    void indexKey(SlotIndex& index, qsizetype first, qsizetype at, LineDecoder& a,
                  LineDecoder& b) const {
        const quint32 hash = entries[first + at].hash();
        index.insert(
            hash, at,
            [&](qsizetype other) {
                return entries[first + other].hash() == hash &&
                       sameName(keyOf(first + other, a), keyOf(first + at, b));
            },
            [&](qsizetype other) { return entries[first + other].hash(); });
    }
    // Builds the index of section s's keys, its entries being [first, end), when it has many
    // entries; drops it when it has few.
    void indexKeys(qsizetype s, qsizetype first, qsizetype end) {
        if (end - first < indexFrom) {
            keyIndexes.erase(s);
            return;
        }
        SlotIndex& index = keyIndexes[s];
        index = {};
        LineDecoder a;
        LineDecoder b;
        for (qsizetype at = 0; at < end - first; ++at)
            indexKey(index, first, at, a, b);
    }
    void indexKeys(qsizetype s) { indexKeys(s, entriesBegin(s), entriesEnd(s)); }
    // Notes the new last entry line of section s in its index.
    void indexNewEntry(qsizetype s) {
        const auto index = keyIndexes.find(s);
        if (index == keyIndexes.end()) {
            indexKeys(s);
            return;
        }
        const qsizetype first = entriesBegin(s);
        LineDecoder a;
        LineDecoder b;
        indexKey(index->second, first, entriesEnd(s) - 1 - first, a, b);
    }
    // Calls f(text, parts) for the entry lines that a lookup finds (the first of each key) of
    // section s, in file order.
    template <typename F> void forEachEntry(qsizetype s, F&& f) const {
        const qsizetype first = entriesBegin(s);
        const qsizetype end = entriesEnd(s);
        if (first == end)
            return;
        const auto index = keyIndexes.find(s);
        // Without repeated keys every entry line is found by its key.
        const bool repeated = index == keyIndexes.end() || index->second.count() != end - first;
        LineDecoder decoder;
        LineDecoder other;
        for (qsizetype e = first; e < end; ++e) {
            const QStringView text = textAt(entries[e].start(), decoder);
            const LineParts parts = classify(text);
            if (repeated) {
                const QStringView key = parts.key(text);
                const quint32 hash = entries[e].hash();
                bool earlier = false;
                if (index != keyIndexes.end()) {
                    earlier = index->second.find(hash, [&](qsizetype i) {
                        return keyIs(first + i, hash, key, other);
                    }) != e - first;
                } else {
                    for (qsizetype before = first; before < e && !earlier; ++before)
                        earlier = keyIs(before, hash, key, other);
                }
                if (earlier)
                    continue;
            }
            f(text, parts);
        }
    }

    // --- Changes

    // Replaces the bytes [at, at + removed) by inserted; the sections and entry lines after them
    // move along.
    void splice(qint64 at, qint64 removed, QByteArrayView inserted) {
        QByteArray changed(bytes.size() - removed + inserted.size(), Qt::Uninitialized);
        char* out = changed.data();
        std::memcpy(out, bytes.constData(), size_t(at));
        if (!inserted.isEmpty())
            std::memcpy(out + at, inserted.data(), size_t(inserted.size()));
        std::memcpy(out + at + inserted.size(), bytes.constData() + at + removed,
                    size_t(bytes.size() - at - removed));
        bytes = std::move(changed);
        const qint64 delta = inserted.size() - removed;
        // A break inside the changed bytes, or at a place where bytes go in, is gone.
        std::erase_if(keptBreaks, [&](qint64& kept) {
            if (kept < at)
                return false;
            if (kept < at + removed || (kept == at && !inserted.isEmpty()))
                return true;
            kept += delta;
            return false;
        });
        for (auto entry = firstFrom(entries, at + removed); entry != entries.end(); ++entry)
            entry->move(delta);
        // Section 0 starts where the body does, whatever changes after it.
        for (auto section = std::max(firstFrom(sections, at + removed), sections.begin() + 1);
             section < sections.end(); ++section)
            section->move(delta);
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
    // The note of the entry line at start, or nothing when the line is no entry.
    std::optional<NotedLine> entryAt(qint64 start) const {
        LineDecoder decoder;
        const QStringView text = textAt(start, decoder);
        const LineParts parts = classify(text);
        if (!parts.entry)
            return std::nullopt;
        return NotedLine(start, noteHash(parts.key(text)));
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
        const QByteArray newLine = lineEndBytes(newLineEnd);
        const qsizetype s = findSection(name);
        if (s < 0) {
            // A new section at the end of the file, the last line ended first.
            const qint64 at = bytes.size();
            QByteArray added = lastLineOpen() ? newLine : QByteArray();
            const qint64 headerStart = at + added.size();
            added += encode(u'[' + name + u']') + newLine;
            const qint64 entryStart = at + added.size();
            added += encode(text) + newLine;
            splice(at, 0, added);
            LineDecoder decoder;
            sections.emplace_back(headerStart, noteHash(headerName(textAt(headerStart, decoder))));
            if (const auto entry = entryAt(entryStart))
                entries.push_back(*entry);
            LineDecoder other;
            indexSection(sectionCount() - 1, decoder, other);
            return;
        }
        const qsizetype e = findEntry(s, cleanKey);
        if (e >= 0) {
            // A stored key keeps its spelling and blanks; only its value changes.
            LineDecoder decoder;
            LineSpan span;
            const qint64 start = entries[e].start();
            const QStringView old = textAt(start, span, decoder);
            const QString changed = classify(old).withValue(old, value);
            splice(start, span.bytes, encode(changed) + lineEndBytes(span.end));
            const auto entry = entryAt(start);
            if (entry && entry->hash() == entries[e].hash())
                return;
            // A line that no longer reads as the same key (it cannot, but the index must not
            // name a key that is not there).
            if (entry)
                entries[e] = *entry;
            else
                entries.erase(entries.begin() + e);
            indexKeys(s);
            return;
        }
        // A new entry after the last entry line of the section, or after its header.
        const qsizetype end = entriesEnd(s);
        const qint64 lineStart =
            end > entriesBegin(s) ? entries[end - 1].start() : sections[s].start();
        qint64 at = lineStart + spanAt(lineStart).bytes;
        for (const qint64 kept : keptBreaks)
            if (kept > lineStart && kept < at)
                at = kept;
        QByteArray added = at == bytes.size() && lastLineOpen() ? newLine : QByteArray();
        const qint64 entryStart = at + added.size();
        added += encode(text) + newLine;
        splice(at, 0, added);
        const auto entry = entryAt(entryStart);
        if (!entry)
            return;
        entries.insert(entries.begin() + end, *entry);
        indexNewEntry(s);
    }

    bool removeEntry(const QString& sectionName, const QString& key) {
        const qsizetype s = findSection(sectionName.trimmed());
        if (s < 0)
            return false;
        const qsizetype e = findEntry(s, key.trimmed());
        if (e < 0)
            return false;
        const qint64 start = entries[e].start();
        splice(start, spanAt(start).bytes, {});
        if (start > bodyStart && start < bytes.size() && bytes[start - 1] == '\r' &&
            bytes[start] == '\n')
            keptBreaks.push_back(start);
        entries.erase(entries.begin() + e);
        // A later line with the same key, if any, is the one found from now on.
        indexKeys(s);
        return true;
    }

    bool removeSections(const QString& wanted) {
        const QString name = wanted.trimmed();
        const qsizetype found = findSection(name);
        if (found < 0)
            return false;
        // The file without every section of the name, read again; the encoding and line end of
        // changed lines stay as the file had them when it was read.
        LineDecoder decoder;
        const quint32 hash = sections[found].hash();
        QByteArray kept;
        kept.reserve(bytes.size());
        kept += QByteArrayView(bytes).first(sectionEnd(0));
        for (qsizetype s = 1; s < sectionCount(); ++s) {
            if (sections[s].hash() == hash && sameName(sectionName(s, decoder), name))
                continue;
            kept += QByteArrayView(bytes).sliced(sections[s].start(),
                                                 sectionEnd(s) - sections[s].start());
        }
        FileContents contents;
        contents.stamp = stamp;
        contents.bytes = std::move(kept);
        auto changed = parse(std::move(contents));
        changed->encoding = encoding;
        changed->newLineEnd = newLineEnd;
        changed->stamp = stamp;
        changed->lookedAtNs = lookedAtNs;
        changed->inDoubt = inDoubt;
        *this = std::move(*changed);
        return true;
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

// About the number of lines of the file's body (those that end in LF, or in CR where none ends
// in LF): room enough for the notes of its entries.
qsizetype lineCount(QByteArrayView body) {
    const auto count = [&](char lineEnd) {
        qsizetype lines = 0;
        const char* const end = body.data() + body.size();
        for (const char* p = body.data();
             (p = static_cast<const char*>(std::memchr(p, lineEnd, size_t(end - p)))); ++p)
            ++lines;
        return lines;
    };
    const qsizetype lf = count('\n');
    return (lf > 0 ? lf : count('\r')) + 1;
}

} // namespace

std::unique_ptr<IniStore::Parsed> IniStore::Parsed::parse(FileContents contents) {
    auto parsed = std::make_unique<Parsed>();
    parsed->stamp = contents.stamp;
    parsed->readable = contents.readable;
    parsed->sections.emplace_back();
    if (!contents.stamp.exists || !contents.readable)
        return parsed;
    parsed->bytes = std::move(contents.bytes);
    const QByteArray& bytes = parsed->bytes;

    // A UTF-8 byte-order mark is recognised and kept whatever follows it: an editor may have
    // put it there and another one added Windows-1252 text.
    if (QByteArrayView(bytes).startsWith(byteOrderMarkBytes))
        parsed->bodyStart = 3;
    parsed->sections.front() = NotedLine(parsed->bodyStart, 0);
    parsed->entries.reserve(size_t(lineCount(QByteArrayView(bytes).sliced(parsed->bodyStart))));

    qsizetype utf8Lines = 0;
    qsizetype windows1252Lines = 0;
    bool anyCrLf = false;
    bool anyLf = false;
    bool anyCr = false;
    LineDecoder decoder;
    const auto* const begin = reinterpret_cast<const uchar*>(bytes.constData());
    const auto* const end = begin + bytes.size();
    for (qint64 lineStart = parsed->bodyStart; lineStart < bytes.size();) {
        const qsizetype skipped = parsed->skippedAt(lineStart);
        const LineSpan span = scanLine(begin + lineStart, end, skipped);
        utf8Lines += span.coding == LineCoding::Utf8 ? 1 : 0;
        windows1252Lines += span.coding == LineCoding::Windows1252 ? 1 : 0;
        anyLf = anyLf || span.end == LineEnd::Lf;
        anyCrLf = anyCrLf || span.end == LineEnd::CrLf;
        anyCr = anyCr || span.end == LineEnd::Cr;
        const qint64 start = lineStart;
        lineStart += span.bytes;
        if (span.header) {
            const QStringView name =
                headerName(decoder.decode(bytes.constData() + start, span, skipped));
            parsed->sections.emplace_back(start, noteHash(name));
            continue;
        }
        // Entries before the first header belong to no section: kept like other lines.
        if (parsed->sections.size() == 1)
            continue;
        // Blank lines and comments are passed over without decoding them.
        const uchar* first = begin + start + skipped;
        const uchar* const textEnd = begin + lineStart - lineEndLength(span.end);
        while (first < textEnd && (*first == ' ' || *first == '\t'))
            ++first;
        if (first == textEnd || *first == ';')
            continue;
        // ASCII lines are taken apart in their bytes: only the key is turned into text.
        if (span.coding == LineCoding::Ascii) {
            const QByteArrayView text(reinterpret_cast<const char*>(first), textEnd - first);
            const LineParts parts = classifyAscii(text);
            if (parts.entry)
                parsed->entries.emplace_back(
                    start, noteHash(text.sliced(parts.keyFrom, parts.keyTo - parts.keyFrom)));
            continue;
        }
        const QStringView text = decoder.decode(bytes.constData() + start, span, skipped);
        const LineParts parts = classify(text);
        if (parts.entry)
            parsed->entries.emplace_back(start, noteHash(parts.key(text)));
    }
    // Changed lines are written in the encoding that most lines beyond ASCII are in; UTF-8 when
    // as many are in each.
    if (windows1252Lines > utf8Lines)
        parsed->encoding = Encoding::Windows1252;
    // New lines end as the file's lines do when they all end alike; CR LF otherwise.
    if (anyLf && !anyCrLf && !anyCr)
        parsed->newLineEnd = LineEnd::Lf;
    else if (anyCr && !anyCrLf && !anyLf)
        parsed->newLineEnd = LineEnd::Cr;
    // Fewer entries than lines (many blank lines, comments or headers) give back the room.
    if (parsed->entries.capacity() > parsed->entries.size() + parsed->entries.size() / 4 + 16)
        parsed->entries.shrink_to_fit();
    // The entry lines of each section, from its header up to the next one.
    qsizetype first = 0;
    for (qsizetype s = 1; s < parsed->sectionCount(); ++s) {
        const qint64 sectionEnd = parsed->sectionEnd(s);
        qsizetype end = first;
        while (end < qsizetype(parsed->entries.size()) && parsed->entries[end].start() < sectionEnd)
            ++end;
        if (end - first >= indexFrom)
            parsed->indexKeys(s, first, end);
        first = end;
    }
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
            contents.bytes == cache_->bytes) {
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
        fresh->stamp.exists != cache_->stamp.exists || fresh->bytes != cache_->bytes)
        revision_ = nextRevision();
    cache_ = std::move(fresh);
    return *cache_;
}

quint64 IniStore::contentsRevision() const {
    parsed();
    return revision_;
}

void IniStore::commit(std::unique_ptr<Parsed> changed) {
    changed->stamp = writeFileAtomically(fileName_, changed->bytes);
    // Written, the file reads as its bytes say; the next change starts from that.
    changed->keptBreaks.clear();
    changed->lookedAt(fileClockNs());
    changed->readable = true;
    cache_ = std::move(changed);
    revision_ = nextRevision();
}

QStringList IniStore::ReadSections() const {
    QStringList names;
    forEachSection([&](QStringView name) { names.append(name.toString()); });
    return names;
}

void IniStore::visitSections(SectionVisitor visit, void* context) const {
    const Parsed& p = parsed();
    LineDecoder decoder;
    for (qsizetype s = 1; s < p.sectionCount(); ++s) {
        // The first section of a name stands for all of that name.
        if (!p.firstOfName[size_t(s)])
            continue;
        if (const QStringView name = p.sectionName(s, decoder); !name.isEmpty())
            visit(context, name);
    }
}

QStringList IniStore::ReadSection(const QString& section) const {
    QStringList keys;
    const Parsed& p = parsed();
    if (const qsizetype s = p.findSection(section.trimmed()); s >= 0)
        p.forEachEntry(s, [&](QStringView text, const LineParts& parts) {
            keys.append(parts.key(text).toString());
        });
    return keys;
}

QList<QPair<QString, QString>> IniStore::ReadSectionValues(const QString& section,
                                                           const QString& def) const {
    QList<QPair<QString, QString>> entries;
    forEachEntry(section, def, [&](QStringView key, QStringView value) {
        entries.append({key.toString(), value.toString()});
    });
    return entries;
}

void IniStore::visitEntries(const QString& section, QStringView def, EntryVisitor visit,
                            void* context) const {
    const Parsed& p = parsed();
    if (const qsizetype s = p.findSection(section.trimmed()); s >= 0)
        p.forEachEntry(s, [&](QStringView text, const LineParts& parts) {
            visit(context, parts.key(text), parts.hasValue() ? parts.value(text) : def);
        });
}

void IniStore::visitEntriesOf(qsizetype count, NameAt nameAt, const void* names, QStringView def,
                              SectionsVisitor visit, void* context) const {
    const Parsed& p = parsed();
    LineDecoder decoder;
    for (qsizetype i = 0; i < count; ++i) {
        if (const qsizetype s = p.findSection(nameAt(names, i).trimmed(), decoder); s >= 0)
            p.forEachEntry(s, [&](QStringView text, const LineParts& parts) {
                visit(context, i, parts.key(text), parts.hasValue() ? parts.value(text) : def);
            });
    }
}

QString IniStore::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Parsed& p = parsed();
    const qsizetype s = p.findSection(section.trimmed());
    const qsizetype e = s < 0 ? -1 : p.findEntry(s, key.trimmed());
    if (e < 0)
        return def;
    LineDecoder decoder;
    const QStringView text = p.textAt(p.entries[e].start(), decoder);
    const LineParts parts = classify(text);
    return parts.hasValue() ? parts.value(text).toString() : def;
}

bool IniStore::SectionExists(const QString& section) const {
    const Parsed& p = parsed();
    const qsizetype s = p.findSection(section.trimmed());
    return s >= 0 && p.entryCount(s) > 0;
}

bool IniStore::ValueExists(const QString& section, const QString& key) const {
    const Parsed& p = parsed();
    const qsizetype s = p.findSection(section.trimmed());
    return s >= 0 && p.findEntry(s, key.trimmed()) >= 0;
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
    // A file that cannot be read has no entries, so this also keeps such a file as it is.
    if (!ValueExists(section, key))
        return;
    auto changed = std::make_unique<Parsed>(parsed());
    changed->removeEntry(section, key);
    commit(std::move(changed));
}

void IniStore::EraseSection(const QString& section) {
    auto changed = std::make_unique<Parsed>(parsed());
    if (changed->removeSections(section))
        commit(std::move(changed));
}

void IniStore::WriteEntries(const QString& section, const QStringList& removeKeys,
                            const QList<QPair<QString, QString>>& entries) {
    QStringList cleanKeys;
    for (const auto& entry : entries)
        cleanKeys.append(Parsed::writableKey(entry.first, fileName_));
    const Parsed& current = parsed();
    if (!current.readable)
        throw writeRefused(fileName_);
    auto changed = std::make_unique<Parsed>(current);
    for (const QString& key : removeKeys)
        changed->removeEntry(section, key);
    for (qsizetype i = 0; i < entries.size(); ++i)
        changed->setEntry(section, cleanKeys.at(i), entries.at(i).second);
    if (changed->bytes != current.bytes)
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
