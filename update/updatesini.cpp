#include "update/updatesini.h"

#include "gradedata/textencoding.h"
#include "platform/regularfile.h"

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimmedBlanks(QStringView text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from).toString();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

UpdatesIni UpdatesIni::parse(QByteArrayView bytes) {
    const QString text = isValidUtf8(bytes) ? QString::fromUtf8(bytes) : decodeWindows1252(bytes);
    UpdatesIni ini;
    Section* current = nullptr;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QString line = trimmedBlanks(QStringView(text).sliced(start, end - start));
        start = end + 1;
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            if (close > 0) {
                const QString name = trimmedBlanks(QStringView(line).sliced(1, close - 1));
                current = nullptr;
                for (Section& section : ini.sections_)
                    if (sameName(section.name, name))
                        current = &section;
                if (!current) {
                    ini.sections_.append(Section{name, {}});
                    current = &ini.sections_.last();
                }
                continue;
            }
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals <= 0)
            continue;
        const QString key = trimmedBlanks(QStringView(line).first(equals));
        if (key.isEmpty())
            continue;
        bool known = false;
        for (const Entry& entry : current->entries)
            known = known || sameName(entry.key, key);
        if (!known)
            current->entries.append(
                Entry{key, trimmedBlanks(QStringView(line).sliced(equals + 1))});
    }
    return ini;
}

UpdatesIni UpdatesIni::read(const QString& fileName, qint64 maxBytes) {
    const std::optional<QByteArray> bytes = readOwnFile(fileName, maxBytes).contents();
    return bytes ? parse(*bytes) : UpdatesIni();
}

const UpdatesIni::Section* UpdatesIni::find(const QString& section) const {
    for (const Section& candidate : sections_)
        if (sameName(candidate.name, section))
            return &candidate;
    return nullptr;
}

bool UpdatesIni::hasSection(const QString& section) const {
    const Section* found = find(section);
    return found && !found->entries.isEmpty();
}

bool UpdatesIni::contains(const QString& section, const QString& key) const {
    if (const Section* found = find(section))
        for (const Entry& entry : found->entries)
            if (sameName(entry.key, key))
                return true;
    return false;
}

QString UpdatesIni::value(const QString& section, const QString& key, const QString& def) const {
    if (const Section* found = find(section))
        for (const Entry& entry : found->entries)
            if (sameName(entry.key, key))
                return entry.value;
    return def;
}
