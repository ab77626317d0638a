// A data file followed by a few writes, deletions, replacements and erasures through one store.
// After each step the file must be exactly what a plain model of the file format expects: every
// untouched line byte for byte, the changed lines as the store's rules say (each line in its own
// encoding). The store's cached reads must agree with a fresh read of the file.

#include "fuzzinput.h"
#include "gradedata/inistore.h"
#include "gradedata/textencoding.h"
#include "platform/apperror.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

// The model: the file as lines of text with their line ends, kept by simple rules, written
// independently of the store.
struct ModelLine {
    QString text;
    QString end;     // "\r\n", "\n", "\r" or "" for an unended last line
    QByteArray read; // the bytes read (line end excluded); null once the text changed
};

bool beyondAscii(QByteArrayView bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
}

struct Model {
    QByteArray byteOrderMark;
    bool windows1252 = false;
    QString newLineEnd = QStringLiteral("\r\n");
    QList<ModelLine> lines;

    static Model read(const QByteArray& bytes) {
        Model model;
        QByteArray body = bytes;
        if (body.startsWith("\xEF\xBB\xBF")) {
            model.byteOrderMark = body.first(3);
            body = body.sliced(3);
        }
        bool lf = false, crlf = false, cr = false;
        qsizetype utf8Lines = 0, windows1252Lines = 0;
        qsizetype start = 0;
        while (start < body.size()) {
            qsizetype stop = start;
            while (stop < body.size() && body.at(stop) != '\n' && body.at(stop) != '\r')
                ++stop;
            ModelLine line;
            line.read = body.mid(start, stop - start);
            // A second mark right after the file's own is no part of the first line's text.
            QByteArrayView textBytes = line.read;
            if (start == 0 && textBytes.startsWith("\xEF\xBB\xBF"))
                textBytes = textBytes.sliced(3);
            if (isValidUtf8(textBytes)) {
                QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
                line.text = utf8(textBytes);
                utf8Lines += beyondAscii(textBytes) ? 1 : 0;
            } else {
                line.text = decodeWindows1252(textBytes);
                ++windows1252Lines;
            }
            if (stop < body.size()) {
                if (body.at(stop) == '\r' && stop + 1 < body.size() && body.at(stop + 1) == '\n') {
                    line.end = QStringLiteral("\r\n");
                    crlf = true;
                } else {
                    line.end = QString(QChar(body.at(stop)));
                    (body.at(stop) == '\n' ? lf : cr) = true;
                }
            }
            start = stop + line.end.size();
            model.lines.append(line);
        }
        model.windows1252 = windows1252Lines > utf8Lines;
        if (lf && !crlf && !cr)
            model.newLineEnd = QStringLiteral("\n");
        else if (cr && !crlf && !lf)
            model.newLineEnd = QStringLiteral("\r");
        return model;
    }

    // A changed line: in the file's encoding when it holds the text so that it reads back (valid
    // UTF-8 would be read as UTF-8), else in UTF-8.
    QByteArray encode(const QString& text) const {
        if (windows1252) {
            const auto encoded = encodeWindows1252(text);
            if (encoded && (!beyondAscii(*encoded) || !isValidUtf8(*encoded)))
                return *encoded;
        }
        return text.toUtf8();
    }
    QByteArray bytes() const {
        QByteArray bytes = byteOrderMark;
        for (const ModelLine& line : lines)
            bytes += (line.read.isNull() ? encode(line.text) : line.read) + line.end.toLatin1();
        return bytes;
    }

    // "[name]" after blanks: the name up to the last "]", without surrounding blanks.
    static std::optional<QString> header(const QString& text) {
        qsizetype start = 0;
        while (start < text.size() && (text.at(start) == u' ' || text.at(start) == u'\t'))
            ++start;
        if (start == text.size() || text.at(start) != u'[')
            return std::nullopt;
        qsizetype close = text.lastIndexOf(u']');
        if (close <= start)
            close = text.size();
        return text.mid(start + 1, close - start - 1).trimmed();
    }
    // The key of an entry line: not blank, no comment, no header; up to the first "=".
    static std::optional<QString> key(const QString& text) {
        qsizetype start = 0;
        while (start < text.size() && (text.at(start) == u' ' || text.at(start) == u'\t'))
            ++start;
        if (start == text.size() || text.at(start) == u';' || text.at(start) == u'[')
            return std::nullopt;
        const qsizetype equals = text.indexOf(u'=', start);
        const QString name = text.mid(start, equals < 0 ? -1 : equals - start).trimmed();
        if (name.isEmpty())
            return std::nullopt;
        // NUL bytes and other control characters alone are no key.
        if (equals < 0 && std::all_of(name.begin(), name.end(),
                                      [](QChar c) { return c.category() == QChar::Other_Control; }))
            return std::nullopt;
        return name;
    }
    static bool same(const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }

    // Lines [first, end) of the first section of the name, header included.
    bool section(const QString& name, qsizetype& first, qsizetype& end) const {
        first = -1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const auto h = header(lines.at(i).text);
            if (first < 0) {
                if (h && same(*h, name))
                    first = i;
            } else if (h) {
                end = i;
                return true;
            }
        }
        end = lines.size();
        return first >= 0;
    }
    qsizetype entry(const QString& sectionName, const QString& keyName) const {
        qsizetype first = 0, end = 0;
        if (!section(sectionName, first, end))
            return -1;
        for (qsizetype i = first + 1; i < end; ++i) {
            const auto k = key(lines.at(i).text);
            if (k && same(*k, keyName))
                return i;
        }
        return -1;
    }

    static QString singleLine(QString text) {
        text.replace(u'\r', u' ');
        text.replace(u'\n', u' ');
        return text;
    }
    void endLastLine() {
        if (!lines.isEmpty() && lines.back().end.isEmpty())
            lines.back().end = newLineEnd;
    }

    // False when the store must refuse the key.
    bool write(const QString& sectionName, const QString& rawKey, const QString& rawValue,
               const std::optional<QString>& oldKey) {
        const QString k = singleLine(rawKey).trimmed();
        if (k.isEmpty() || k.front() == u'[' || k.front() == u';')
            return false;
        if (oldKey)
            remove(sectionName, *oldKey);
        const QString name = singleLine(sectionName).trimmed();
        const QString value = singleLine(rawValue);
        qsizetype first = 0, end = 0;
        if (!section(name, first, end)) {
            endLastLine();
            lines.append({u'[' + name + u']', newLineEnd, QByteArray()});
            lines.append({k + u'=' + value, newLineEnd, QByteArray()});
            return true;
        }
        const qsizetype at = entry(name, k);
        if (at >= 0) {
            // The key as it stands and the blanks around the old value stay.
            lines[at].read = QByteArray();
            QString& text = lines[at].text;
            const qsizetype equals = text.indexOf(u'=');
            if (equals < 0) {
                text += u'=' + value;
            } else {
                qsizetype from = equals + 1;
                qsizetype to = text.size();
                while (from < to && text.at(from).isSpace())
                    ++from;
                while (to > from && text.at(to - 1).isSpace())
                    --to;
                text = text.left(from) + value + text.mid(to);
            }
            return true;
        }
        qsizetype last = first;
        for (qsizetype i = first + 1; i < end; ++i) {
            if (key(lines.at(i).text))
                last = i;
        }
        if (lines.at(last).end.isEmpty())
            lines[last].end = newLineEnd;
        lines.insert(last + 1, {k + u'=' + value, newLineEnd, QByteArray()});
        return true;
    }
    bool remove(const QString& sectionName, const QString& keyName) {
        const qsizetype at = entry(sectionName.trimmed(), keyName.trimmed());
        if (at < 0)
            return false;
        lines.remove(at);
        return true;
    }
    bool erase(const QString& sectionName) {
        qsizetype first = 0, end = 0;
        const QString name = sectionName.trimmed();
        if (!section(name, first, end))
            return false;
        QList<ModelLine> kept;
        bool inside = false;
        for (const ModelLine& line : std::as_const(lines)) {
            if (const auto h = header(line.text))
                inside = same(*h, name);
            if (!inside)
                kept.append(line);
        }
        lines = kept;
        return true;
    }
    QStringList sectionNames() const {
        QStringList names;
        for (const ModelLine& line : lines) {
            if (const auto h = header(line.text)) {
                if (!h->isEmpty() && std::none_of(names.begin(), names.end(),
                                                  [&](const QString& n) { return same(n, *h); }))
                    names.append(*h);
            }
        }
        return names;
    }
};

void compareWithFreshRead(const IniStore& store, const QString& fileName) {
    const IniStore fresh(fileName);
    const QStringList sections = store.ReadSections();
    FUZZ_CHECK(fresh.ReadSections() == sections, sections.join(u'|'));
    for (const QString& section : sections) {
        FUZZ_CHECK(fresh.ReadSection(section) == store.ReadSection(section), section);
        FUZZ_CHECK(fresh.ReadSectionValues(section, QStringLiteral("-")) ==
                       store.ReadSectionValues(section, QStringLiteral("-")),
                   section);
        FUZZ_CHECK(fresh.SectionExists(section) == store.SectionExists(section), section);
    }
}

QString pickName(FuzzInput& input, const QStringList& known) {
    const uint8_t how = input.byte();
    if (how < 160 && !known.isEmpty()) {
        QString name = known.at(how % known.size());
        // Now and then in other letter case or with blanks around it.
        if (how & 0x20)
            name = name.toUpper();
        if (how & 0x40)
            name = u' ' + name + u' ';
        return name;
    }
    return input.text(20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    useGermanFormats();
    FuzzInput input(data, size);
    const int fileSize = int(input.byte()) * 4 + input.number(4);
    const QByteArray before = input.bytes(size_t(fileSize));
    const QString fileName = fuzzFolder() + QStringLiteral("/noten.plx");
    if (!writeFuzzFile(fileName, before))
        fuzzFailure("cannot write the input file");

    Model model = Model::read(before);
    IniStore store(fileName);
    FUZZ_CHECK(store.ReadSections() == model.sectionNames(), store.ReadSections().join(u'|'));
    for (int step = 0; step < 8 && !input.empty(); ++step) {
        const QStringList sections = store.ReadSections();
        const QString section = pickName(input, sections);
        const QStringList keys = store.ReadSection(section);
        const int operation = input.number(5);
        const QString key = pickName(input, keys);
        QString detail = QStringLiteral("step %1, operation %2, [%3] %4")
                             .arg(step)
                             .arg(operation)
                             .arg(section, key);
        switch (operation) {
        case 0:
        case 1: {
            const QString value = input.text(24);
            const bool allowed = model.write(section, key, value, std::nullopt);
            try {
                store.WriteString(section, key, value);
                FUZZ_CHECK(allowed, detail);
            } catch (const AppError&) {
                FUZZ_CHECK(!allowed, detail);
            }
            // What was written reads back (unless it was refused).
            if (allowed) {
                const QString cleanKey = Model::singleLine(key).trimmed();
                const QString expected = Model::singleLine(value).trimmed();
                const QString read = store.ReadString(Model::singleLine(section), cleanKey, "-");
                // Enclosing quotes are removed on reading, and a key holding "=" reads as less.
                if (!cleanKey.contains(u'=') && !expected.startsWith(u'"') &&
                    !expected.startsWith(u'\''))
                    FUZZ_CHECK(read == expected, detail + u'\n' + read + u'\n' + expected);
            }
            break;
        }
        case 2: {
            model.remove(section, key);
            store.DeleteKey(section, key);
            break;
        }
        case 3: {
            const QString newKey = pickName(input, keys);
            const QString value = input.text(24);
            detail += QStringLiteral(" -> ") + newKey;
            const bool allowed = model.write(section, newKey, value, key);
            try {
                store.ReplaceKey(section, key, newKey, value);
                FUZZ_CHECK(allowed, detail);
            } catch (const AppError&) {
                FUZZ_CHECK(!allowed, detail);
            }
            break;
        }
        case 4:
            model.erase(section);
            store.EraseSection(section);
            break;
        }
        const QByteArray after = readFuzzFile(fileName);
        const QByteArray expected = model.bytes();
        FUZZ_CHECK(after == expected,
                   detail + QStringLiteral("\nfile:     ") +
                       QString::fromLatin1(after.toPercentEncoding(" =[];,\"")) +
                       QStringLiteral("\nexpected: ") +
                       QString::fromLatin1(expected.toPercentEncoding(" =[];,\"")));
        compareWithFreshRead(store, fileName);
        // The next step starts from the file as it reads: a lone CR that a removal left right
        // before an empty line's LF now makes one line end with it. The encoding and the line
        // end of new lines stay those of the file as first read, as in the store.
        Model reread = Model::read(after);
        reread.windows1252 = model.windows1252;
        reread.newLineEnd = model.newLineEnd;
        model = std::move(reread);
    }
    const QStringList left =
        QDir(fuzzFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    FUZZ_CHECK(left == QStringList{QStringLiteral("noten.plx")}, left.join(u'|'));
    return 0;
}
