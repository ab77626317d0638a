// Extracting an update archive that nobody checked: any bytes either extract or fail with an
// AppError, and either way nothing is written outside the target folder, nothing but plain
// files lands in it, no temporary file stays behind, the files stay within the size limit, and
// after a success they are exactly the files the extraction reported.
//
// An input whose first byte is even is the archive itself. One whose first byte is odd
// describes entries (names, contents, lies about checksum and size), from which a ZIP archive
// is built here; for those the outcome is known beforehand: an archive without lies and
// without a refused name extracts every file under its base name with the contents of its
// last entry, and any other is refused (also one with two entries of the same stored name).

#include "fuzzinput.h"
#include "platform/apperror.h"
#include "update/archive.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <optional>

namespace {

// Everything below root, as relative paths, without following links.
QStringList listAll(const QString& root) {
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        found.append(QDir(root).relativeFilePath(it.filePath()));
    }
    found.sort();
    return found;
}

QByteArray readAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xffffffffu;
    for (char c : data) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put16(QByteArray& out, quint32 v) {
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}
void put32(QByteArray& out, quint32 v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

struct BuiltEntry {
    QByteArray name;
    QByteArray data;
    bool wrongCrc = false;
    int sizeLie = 0; // added to the stated size
};

// A ZIP archive of stored entries, with the lies the entries ask for.
QByteArray buildZip(const QList<BuiltEntry>& entries) {
    QByteArray out;
    QByteArray central;
    for (const BuiltEntry& entry : entries) {
        const quint32 offset = quint32(out.size());
        const quint32 crc = crc32(entry.data) ^ (entry.wrongCrc ? 0x1u : 0u);
        const quint32 size = quint32(entry.data.size() + entry.sizeLie);
        out += "PK\x03\x04";
        put16(out, 20);
        put16(out, 0);
        put16(out, 0); // stored
        put16(out, 0);
        put16(out, 0x21);
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, quint32(entry.name.size()));
        put16(out, 0);
        out += entry.name;
        out += entry.data;
        central += "PK\x01\x02";
        put16(central, 20);
        put16(central, 20);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0x21);
        put32(central, crc);
        put32(central, size);
        put32(central, size);
        put16(central, quint32(entry.name.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, 0);
        put32(central, offset);
        central += entry.name;
    }
    const quint32 centralOffset = quint32(out.size());
    out += central;
    out += "PK\x05\x06";
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

// A stored name from the input: plain letters and the pieces that matter.
QByteArray entryName(FuzzInput& input) {
    static const char* const pieces[] = {"a",    "b",    "Update.bat", "/",     "\\",
                                         "..",   ".",    "../",        "/etc/", "\x01",
                                         "\x1b", "\x7f", " ",          "x.y",   "C:"};
    QByteArray name;
    const int count = input.number(6);
    for (int i = 0; i < count; ++i)
        name += pieces[input.number(int(std::size(pieces)))];
    return name;
}

// The file an entry goes to by the extraction's rules: empty for a folder entry, nothing when
// the name refuses the archive.
std::optional<QString> expectedFileName(const QByteArray& stored) {
    if (stored.isEmpty())
        return std::nullopt;
    if (stored.endsWith('/') || stored.endsWith('\\'))
        return QString();
    const qsizetype slash = std::max(stored.lastIndexOf('/'), stored.lastIndexOf('\\'));
    const QByteArray base = stored.mid(slash + 1);
    if (base == "." || base == "..")
        return std::nullopt;
    for (char c : base)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return std::nullopt;
    return QString::fromLatin1(base);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The target folder lies inside a sandbox folder, so that a write beside it shows up.
    static const QString sandbox = [] {
        const QString path = fuzzFolder() + QStringLiteral("/sandbox");
        QDir().mkpath(path);
        return path;
    }();
    const QString target = sandbox + QStringLiteral("/ziel");
    QDir(target).removeRecursively();
    if (!QDir().mkpath(target))
        fuzzFailure("cannot make the target folder");

    // The archive, and for a built one what must come out of it.
    QByteArray bytes;
    bool built = false;
    bool mustFail = false;
    QMap<QString, QByteArray> expected;
    if (size > 0 && (data[0] & 1)) {
        built = true;
        FuzzInput input(data + 1, size - 1);
        QList<BuiltEntry> entries;
        const int count = 1 + input.number(5);
        for (int i = 0; i < count; ++i) {
            BuiltEntry entry;
            const uint8_t flags = input.byte();
            entry.name = entryName(input);
            entry.data = input.bytes(input.number(64));
            if (flags & 0x40)
                entry.data = entry.data.repeated(50);
            const std::optional<QString> fileName = expectedFileName(entry.name);
            // Lies only where the entry is read: folder entries are skipped unread.
            if (!fileName || !fileName->isEmpty()) {
                entry.wrongCrc = (flags & 0x03) == 0x03 && !entry.data.isEmpty();
                if ((flags & 0x0c) == 0x0c)
                    entry.sizeLie = (flags & 0x10) ? 1 : (entry.data.isEmpty() ? 1 : -1);
            }
            // Two entries of the same stored name make no archive libzip will open.
            if (!fileName || std::any_of(entries.cbegin(), entries.cend(),
                                         [&](const auto& e) { return e.name == entry.name; }))
                mustFail = true;
            else if (!fileName->isEmpty()) {
                mustFail = mustFail || entry.wrongCrc || entry.sizeLie != 0;
                expected.insert(*fileName, entry.data);
            }
            entries.append(entry);
        }
        bytes = buildZip(entries);
    } else {
        bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    }

    ArchiveLimits limits;
    limits.maxTotalBytes = 1024 * 1024;
    QStringList written;
    bool failed = false;
    QString message;
    try {
        written = ExtractArchiveData(bytes, target, limits);
    } catch (const AppError& error) {
        failed = true;
        message = error.message();
        FUZZ_CHECK(!message.isEmpty(), QString());
    }

    const QString hex = QString::fromLatin1(bytes.left(256).toHex());
    for (const QString& path : listAll(sandbox))
        FUZZ_CHECK(path == QStringLiteral("ziel") || path.startsWith(QStringLiteral("ziel/")),
                   path + u'\n' + hex);

    const QStringList files = listAll(target);
    qint64 total = 0;
    for (const QString& name : files) {
        const QFileInfo info(target + u'/' + name);
        FUZZ_CHECK(info.isFile() && !info.isSymLink(), name + u'\n' + hex);
        FUZZ_CHECK(!name.contains(u'/'), name + u'\n' + hex);
        for (QChar c : name)
            FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7f, name + u'\n' + hex);
        total += info.size();
    }
    FUZZ_CHECK(quint64(total) <= limits.maxTotalBytes, QString::number(total) + u'\n' + hex);
    if (!failed) {
        // Exactly the reported files (a name may come twice: the later entry replaced it).
        QStringList reported = written;
        reported.removeDuplicates();
        reported.sort();
        FUZZ_CHECK(files == reported, files.join(u'|') + u'\n' + reported.join(u'|'));
    }
    // Every file is named by the archive: a leftover temporary file (a name with a random
    // ending) is not. Names in other encodings than ASCII are not looked for in the bytes.
    for (const QString& name : files) {
        bool ascii = true;
        for (QChar c : name)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            FUZZ_CHECK(bytes.contains(name.toLatin1()), name + u'\n' + hex);
    }

    if (built) {
        FUZZ_CHECK(failed == mustFail, message + u'\n' + hex);
        if (!failed) {
            FUZZ_CHECK(files == QStringList(expected.keys()),
                       files.join(u'|') + u'\n' + QStringList(expected.keys()).join(u'|'));
            for (auto it = expected.cbegin(); it != expected.cend(); ++it)
                FUZZ_CHECK(readAll(target + u'/' + it.key()) == it.value(), it.key());
        }
    }
    return 0;
}
