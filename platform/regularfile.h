#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

class AppError;

// What tells one state of a file from another: the file itself (device and inode, which an
// atomic replacement changes), its size, and its modification and change times to the
// nanosecond. Symbolic links are followed.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileStamp&) const = default;

    // File systems take their times from a clock that ticks in steps (a few milliseconds on
    // Linux, two seconds on FAT): a change made within the step of the last change keeps
    // every time of the stamp, and with the same size the stamp stays the same. True when a
    // look at the file at lookNs (nanoseconds since 1970) cannot rule that out.
    bool mayHideChangesAfter(qint64 lookNs) const;
};

// The clock of file times: nanoseconds since 1970.
qint64 fileClockNs();

// The stamp of the file (nothing there: exists is false).
FileStamp fileStamp(const QString& fileName);
// The stamp of an open file.
FileStamp descriptorStamp(int fd);

// Tests: file times as a coarse file system keeps them (FAT sticks, network shares), cut down to
// whole multiples of stepNs in every stamp; 0 restores the file system's own times.
void setFileTimeStepForTests(qint64 stepNs);

// The whole contents of a file, with the stamp of exactly what was read.
struct FileContents {
    FileStamp stamp;      // exists is false when there is no file of that name
    bool readable = true; // false: the file exists but may not be read
    QByteArray bytes;
};

// Reads a regular file whole. A folder, device, pipe or socket of that name is never opened
// (a pipe would block for ever) and raises specialFileError.
FileContents readRegularFile(const QString& fileName);

// Raises specialFileError when the name is an existing folder or another file that is not a
// regular file; a regular file or no file at all passes.
void requireRegularFileOrNothing(const QString& fileName);

// The error for a name that is not a regular file: a folder gets "<name> ist ein Ordner und
// keine Datei.", devices, pipes and sockets "<name> ist keine gewöhnliche Datei und kann
// nicht verwendet werden."
AppError specialFileError(const QString& fileName, bool isFolder);

// What reading a file with a bound came to.
struct BoundedRead {
    enum class Outcome { Read, Failed, NotOwnRegularFile, TooLarge };
    Outcome outcome = Outcome::Failed;
    int error = 0;    // the system's error number when Failed
    QByteArray bytes; // the whole contents when Read

    // The contents, or nothing when the file was not read whole.
    std::optional<QByteArray> contents() && {
        if (outcome != Outcome::Read)
            return std::nullopt;
        return std::move(bytes);
    }
};

// Reads fd from where it stands to its end: at most maxBytes, else TooLarge.
BoundedRead readToEnd(int fd, qint64 maxBytes);

// Reads a regular file of this user whole, at most maxBytes. A symbolic link of that name is
// not followed, and a pipe, device or another user's file is never read (NotOwnRegularFile):
// nothing waits, and nothing is read without end. For the files the program wrote itself into
// its own folders (backup copies, the write journal, the update's downloads).
BoundedRead readOwnFile(const QString& fileName, qint64 maxBytes);
