#include "update/archive.h"

#include "platform/apperror.h"
#include "update/freshfile.h"

#include <QDir>
#include <QFile>

#include <zip.h>

#include <memory>
#include <optional>

namespace {

AppError damaged(const QString& detail) {
    return AppError(
        QStringLiteral("Das Update-Archiv ist beschädigt oder ungültig: %1").arg(detail));
}

// libzip's errors that an update archive can meet, in German; the library's own texts are
// English.
QString zipErrorText(int code) {
    switch (code) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("keine ZIP-Datei");
    case ZIP_ER_INCONS:
        return QStringLiteral("das Inhaltsverzeichnis widerspricht den Einträgen");
    case ZIP_ER_CRC:
        return QStringLiteral("Prüfsummenfehler");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("das Kompressionsverfahren wird nicht unterstützt");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("verschlüsselte Einträge werden nicht unterstützt");
    case ZIP_ER_MULTIDISK:
        return QStringLiteral("mehrteilige Archive werden nicht unterstützt");
    case ZIP_ER_MEMORY:
        return QStringLiteral("zu wenig Arbeitsspeicher");
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_EOF:
        return QStringLiteral("das Archiv ist unvollständig oder unlesbar");
    case ZIP_ER_NOENT:
    case ZIP_ER_OPEN:
        return QStringLiteral("die Datei lässt sich nicht öffnen");
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return QStringLiteral("ein Eintrag lässt sich nicht entpacken");
    default:
        return QStringLiteral("Fehler %1 beim Lesen des Archivs").arg(code);
    }
}

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipCloser>;

QStringList extractAll(zip_t* archive, const QString& folder, const ArchiveLimits& limits) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0)
        throw damaged(QStringLiteral("kein Inhaltsverzeichnis"));

    // Names and sizes first: a refused name or an oversized archive writes nothing.
    struct Entry {
        zip_uint64_t index;
        QString fileName;
        zip_uint64_t size;
        std::optional<zip_uint32_t> crc;
    };
    QList<Entry> entries;
    quint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE))
            throw damaged(QStringLiteral("Eintrag %1 ist unlesbar").arg(i + 1));
        QString storedName = QString::fromUtf8(stat.name);
        // The name's bytes as stored: a guessed code page would turn control characters into
        // printable signs.
        const char* raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        for (const char* c = raw; c && *c; ++c)
            if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7f)
                storedName = QString::fromLatin1(raw);
        const std::optional<QString> fileName = ArchiveEntryFileName(storedName);
        if (!fileName)
            throw AppError(
                QStringLiteral("Das Update-Archiv enthält einen unzulässigen Dateinamen: \"%1\"")
                    .arg(storedName));
        if (fileName->isEmpty())
            continue;
        if (stat.size > limits.maxTotalBytes || total + stat.size > limits.maxTotalBytes)
            throw AppError(QStringLiteral("Das Update-Archiv ist zu groß."));
        total += stat.size;
        entries.append({static_cast<zip_uint64_t>(i), *fileName, stat.size,
                        (stat.valid & ZIP_STAT_CRC) ? std::optional(stat.crc) : std::nullopt});
    }

    const QDir target(folder);
    QStringList written;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (const Entry& entry : entries) {
        std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, entry.index, 0));
        if (!file)
            throw damaged(zipErrorText(zip_error_code_zip(zip_get_error(archive))));
        // A new file under the entry's name: whatever has that name (a link, a pipe) is
        // replaced once the entry is complete, never written through.
        FreshFile output(target.filePath(entry.fileName));
        if (!output.open())
            throw AppError(QStringLiteral("In %1 kann nicht geschrieben werden")
                               .arg(target.filePath(entry.fileName)));
        zip_uint64_t read = 0;
        for (;;) {
            // One byte more than the entry may still have, to notice an entry that is longer
            // than it says.
            const zip_uint64_t wanted = std::min<zip_uint64_t>(
                static_cast<zip_uint64_t>(buffer.size()), entry.size - read + 1);
            const zip_int64_t n = zip_fread(file.get(), buffer.data(), wanted);
            if (n < 0) {
                output.discard();
                const zip_error_t* error = zip_file_get_error(file.get());
                if (zip_error_code_zip(error) == ZIP_ER_CRC)
                    throw damaged(QStringLiteral("Prüfsummenfehler in %1").arg(entry.fileName));
                throw damaged(QStringLiteral("%1 ist unlesbar").arg(entry.fileName));
            }
            if (n == 0)
                break;
            read += static_cast<zip_uint64_t>(n);
            if (read > entry.size) {
                output.discard();
                throw damaged(QStringLiteral("%1 ist größer als angegeben").arg(entry.fileName));
            }
            if (!output.write(buffer.constData(), n)) {
                output.discard();
                throw AppError(QStringLiteral("In %1 kann nicht geschrieben werden")
                                   .arg(target.filePath(entry.fileName)));
            }
        }
        if (read != entry.size) {
            output.discard();
            throw damaged(QStringLiteral("%1 ist kleiner als angegeben").arg(entry.fileName));
        }
        // libzip checks the checksum of the bytes it has read, and there are none in an empty
        // entry; the checksum of nothing is 0.
        if (entry.size == 0 && entry.crc.value_or(0) != 0) {
            output.discard();
            throw damaged(QStringLiteral("Prüfsummenfehler in %1").arg(entry.fileName));
        }
        if (!output.publish() || !output.close())
            throw AppError(QStringLiteral("In %1 kann nicht geschrieben werden")
                               .arg(target.filePath(entry.fileName)));
        written.append(entry.fileName);
    }
    return written;
}

} // namespace

std::optional<QString> ArchiveEntryFileName(const QString& storedName) {
    if (storedName.isEmpty())
        return std::nullopt;
    if (storedName.endsWith(u'/') || storedName.endsWith(u'\\'))
        return QString();
    const qsizetype slash = std::max(storedName.lastIndexOf(u'/'), storedName.lastIndexOf(u'\\'));
    const QString name = storedName.sliced(slash + 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control)
            return std::nullopt;
    return name;
}

QStringList ExtractArchive(const QString& archiveFile, const QString& folder,
                           const ArchiveLimits& limits) {
    int errorCode = 0;
    ZipArchive archive(zip_open(QFile::encodeName(archiveFile).constData(),
                                ZIP_RDONLY | ZIP_CHECKCONS, &errorCode));
    if (!archive) {
        throw damaged(zipErrorText(errorCode));
    }
    return extractAll(archive.get(), folder, limits);
}

QStringList ExtractArchiveData(QByteArrayView data, const QString& folder,
                               const ArchiveLimits& limits) {
    // An empty buffer would pass for a new, empty archive.
    if (data.isEmpty())
        throw damaged(QStringLiteral("keine Daten"));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(data.data(), static_cast<zip_uint64_t>(data.size()), 0, &error);
    if (!source) {
        const QString text = zipErrorText(zip_error_code_zip(&error));
        zip_error_fini(&error);
        throw damaged(text);
    }
    ZipArchive archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_source_free(source);
        const QString text = zipErrorText(zip_error_code_zip(&error));
        zip_error_fini(&error);
        throw damaged(text);
    }
    zip_error_fini(&error);
    return extractAll(archive.get(), folder, limits);
}
