#pragma once

#include <QByteArray>
#include <QString>

// The file operations of the backup copies, safe against what others may have put into the
// folder of the copies: nothing is read or written through a symbolic link, nothing but a
// regular file of this user is read, a read stops at a size limit, and a new copy never
// replaces anything that is there. Failures raise AppError with a German text that says what
// could not be done and why.

// A data file larger than this is no grade book (one of 100 subjects of 40 years' tests has a
// few hundred kilobytes); neither a copy nor a restore reads more.
constexpr qint64 MaximumCopySize = qint64(256) * 1024 * 1024;

// True when the entry of that name (not followed if it is a link) is a regular file of this
// user of at most MaximumCopySize bytes: a copy this program may have written.
bool isOwnCopyFile(const QString& fileName, qint64* size = nullptr);

// The bytes of a copy; raises an error when it is no copy as isOwnCopyFile says, is larger
// than MaximumCopySize or cannot be read.
QByteArray readCopyFile(const QString& fileName);

// The bytes of the data file (a link the user chose is followed), at most MaximumCopySize.
QByteArray readDataFileForCopy(const QString& fileName);

// Makes folder, with its parents, and makes sure that it is a folder of this user and not a
// link.
void makeCopyFolder(const QString& folder);

// Writes bytes as the new file fileName, flushed to the disk: through a temporary file of
// its own in the same folder, then given the name only when no entry of that name exists
// (whatever it is: file, folder, link). Returns false, leaving nothing behind, when the name
// is taken.
bool writeNewCopyFile(const QString& fileName, const QByteArray& bytes);

// Removes what a write of a copy killed half-way left in folder: temporary files of this user
// of writeNewCopyFile's name that are older than an hour.
void removeStaleCopyTemporaries(const QString& folder);

// The German text of an errno value, for the messages above.
QString systemErrorText(int error);
