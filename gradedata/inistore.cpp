#include "gradedata/inistore.h"

#include "gradedata/formats.h"
#include "gradedata/textencoding.h"
#include "platform/apperror.h"
#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <optional>

namespace {

enum class LineEnd : quint8 { None, Lf, CrLf };

const char* lineEndBytes(LineEnd end) {
    switch (end) {
    case LineEnd::Lf:
        return "\n";
    case LineEnd::CrLf:
        return "\r\n";
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
struct Line {
    QString text;
    QByteArray bytes;
    LineEnd end = LineEnd::None;
    qsizetype equals = -1; // entry lines: position of the first "="
    QString key;           // entry lines: the name before it, without surrounding blanks

    bool isEntry() const { return equals >= 0; }
    // The text after the "=" without surrounding blanks and without one pair of quotes that
    // encloses all of it.
    QString value() const {
        QStringView value = QStringView(text).sliced(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return owned(value);
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
    qsizetype equals = text.indexOf(u'=', start);
    if (equals < 0)
        return;
    qsizetype keyEnd = equals;
    trimRange(text, start, keyEnd);
    if (start == keyEnd)
        return;
    line.equals = equals;
    line.key = slice(text, start, keyEnd);
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
    // The file as it was when read: missing, or its size and times.
    bool exists = false;
    bool readable = true;
    qint64 size = -1;
    QDateTime modified;
    QDateTime metadataChanged;

    // The file's bytes and their text, which the lines read from it are slices of.
    QByteArray data;
    QString text;

    Encoding encoding = Encoding::Utf8;
    QByteArray byteOrderMark;
    LineEnd newLineEnd = LineEnd::CrLf;
    QList<Section> sections;             // sections[0]: the lines before the first header
    QHash<Name, qsizetype> sectionIndex; // the first section of each name

    bool matches(const QFileInfo& info) const {
        if (!info.exists())
            return !exists;
        return exists && info.size() == size && info.lastModified() == modified &&
               info.metadataChangeTime() == metadataChanged;
    }
    void stamp(const QFileInfo& info) {
        exists = info.exists();
        size = info.size();
        modified = info.lastModified();
        metadataChanged = info.metadataChangeTime();
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

    QByteArray encode(const QString& text) {
        if (encoding == Encoding::Windows1252) {
            if (auto bytes = encodeWindows1252(text))
                return *bytes;
            // The text has no form in the file's encoding: rather than lose characters, the
            // whole file goes over to UTF-8.
            switchToUtf8();
        }
        return text.toUtf8();
    }
    void switchToUtf8() {
        encoding = Encoding::Utf8;
        for (Section& s : sections) {
            for (Line& line : s.lines)
                line.bytes = line.text.toUtf8() + lineEndBytes(line.end);
            s.bytesCurrent = false;
        }
    }
    Line makeLine(const QString& text, LineEnd end) {
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

    void setEntry(const QString& sectionName, const QString& key, const QString& value) {
        const QString name = singleLine(sectionName).trimmed();
        const QString cleanKey = singleLine(key).trimmed();
        const QString text = cleanKey + u'=' + singleLine(value);
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
        Line line = makeLine(text, lineAt >= 0 ? s.lines.at(lineAt).end : newLineEnd);
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
};

std::unique_ptr<IniStore::Parsed> IniStore::Parsed::read(const QString& fileName) {
    auto parsed = std::make_unique<Parsed>();
    // The times are taken before reading: a change during the read shows at the next look.
    const QFileInfo info(fileName);
    parsed->stamp(info);
    parsed->sections.append(Section{});
    if (!parsed->exists)
        return parsed;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        parsed->readable = false;
        return parsed;
    }
    parsed->data = file.readAll();

    QByteArrayView body(parsed->data);
    if (body.startsWith("\xEF\xBB\xBF")) {
        parsed->byteOrderMark = parsed->data.first(3);
        body = body.sliced(3);
    }
    if (isValidUtf8(body)) {
        parsed->text = QString::fromUtf8(body);
    } else {
        parsed->encoding = Encoding::Windows1252;
        parsed->byteOrderMark.clear();
        body = parsed->data;
        parsed->text = decodeWindows1252(body);
    }

    // Bytes and text hold the same lines; both are cut at each line feed.
    const QString& text = parsed->text;
    bool anyCrLf = false;
    bool anyLf = false;
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
        qsizetype byteNext = body.indexOf('\n', bytePos);
        qsizetype textNext = text.indexOf(u'\n', textPos);
        qsizetype textEnd = textNext;
        Line line;
        if (byteNext < 0) {
            byteNext = body.size();
            textNext = textEnd = text.size();
        } else {
            if (textEnd > textPos && text.at(textEnd - 1) == u'\r') {
                line.end = LineEnd::CrLf;
                anyCrLf = true;
                --textEnd;
            } else {
                line.end = LineEnd::Lf;
                anyLf = true;
            }
            ++byteNext;
            ++textNext;
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
    parsed->newLineEnd = anyLf && !anyCrLf ? LineEnd::Lf : LineEnd::CrLf;
    parsed->indexSections();
    return parsed;
}

IniStore::IniStore(QString fileName) : fileName_(std::move(fileName)) {}

IniStore::~IniStore() = default;

const IniStore::Parsed& IniStore::parsed() const {
    if (!cache_ || !cache_->matches(QFileInfo(fileName_)))
        cache_ = Parsed::read(fileName_);
    return *cache_;
}

void IniStore::commit(std::unique_ptr<Parsed> changed) {
    writeFileAtomically(fileName_, changed->serialize());
    changed->stamp(QFileInfo(fileName_));
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

QList<QPair<QString, QString>> IniStore::ReadSectionValues(const QString& section) const {
    QList<QPair<QString, QString>> entries;
    if (const Section* s = parsed().section(section)) {
        entries.reserve(s->keys.size());
        s->forEachEntry([&](const Line& line) { entries.append({owned(line.key), line.value()}); });
    }
    return entries;
}

QString IniStore::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Line* line = parsed().entry(section, key);
    return line ? line->value() : def;
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
    const Parsed& current = parsed();
    // A file that exists but cannot be read would be replaced by the new entry alone.
    if (!current.readable)
        throw writeRefused(fileName_);
    auto changed = std::make_unique<Parsed>(current);
    if (!oldKey.isNull())
        changed->removeEntry(section, oldKey);
    changed->setEntry(section, key, value);
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
