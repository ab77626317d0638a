#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// Extraction of the update archive (a ZIP file) into one folder. The archive is not trusted:
//  - every entry is written under its base name into the folder, whatever folders its stored
//    name has ("../x" and "/etc/x" become "x"); folder entries are skipped;
//  - a base name ".", ".." or with control characters, or an empty stored name, refuses the
//    archive;
//  - an entry is read only up to its stated size and must have exactly that size, and all
//    entries together at most maxTotalBytes;
//  - each entry goes to a file beside its target that is renamed only when the entry was read
//    whole and its checksum matched, so a damaged entry leaves no half-written file.
// A file of the same name in the folder is replaced, and so is a link or pipe of that name,
// which is never written through. A refused or damaged archive raises
// AppError with a German message.

struct ArchiveLimits {
    quint64 maxTotalBytes = 256ull * 1024 * 1024;
};

// The file name under which an entry with the stored name (UTF-8) is extracted: an empty
// text for a folder entry, which is skipped; nothing when the name refuses the archive.
std::optional<QString> ArchiveEntryFileName(const QString& storedName);

// Extracts the archive file, or the archive held in data, into folder; returns the names of
// the files written, in archive order.
QStringList ExtractArchive(const QString& archiveFile, const QString& folder,
                           const ArchiveLimits& limits = {});
QStringList ExtractArchiveData(QByteArrayView data, const QString& folder,
                               const ArchiveLimits& limits = {});
