#pragma once

#include "platform/regularfile.h"

#include <QByteArray>
#include <QString>

class AppError;

// Replaces the file's contents. When any step fails (read-only file, full disk, file-size
// limit, a refused rename) the old file stays byte for byte as it was and AppError("In
// <fileName> kann nicht geschrieben werden") is raised. Returns the stamp of the file as
// written (one that matches no real file when another writer may have come in between).
//
// The usual way is atomic: the data goes to a temporary file beside the file, named
// ".<name>.zensoria-<process id>.tmp", is flushed to the disk and then renamed over the old
// file, so that a crash at any moment leaves either the old or the new contents. A temporary
// file of that name whose process has ended (killed half-way through a write) is removed at
// the next write of the file; nothing else beside the file is touched.
//
// The temporary file is made with exclusive creation: a link or a pipe that someone put at its
// name is never followed or opened (another name is taken then).
//
// The new file keeps the owner, group and mode of the old one. Where the process may not give
// it its owner or group (someone else's file that the process may write), the file is written
// in place instead of being taken over.
//
// A folder that refuses new files while the file itself may be written (a shared folder, a
// program folder with a writable Settings.ini) gets the data written into the file in place as
// well: the old and new contents go into a journal in the user's data folder first (see
// WriteJournal; without it nothing is written), the new size is reserved, so that a full disk
// shows before anything is overwritten, then the data is written, flushed and read back; a
// failure puts the old contents back. A write in place that is cut off (a kill, a crash) is put
// right by recoverInterruptedWrite, which each write of the file runs first.
//
// A symbolic link stays a link: its target gets the new contents. A file with further hard
// links is replaced like any other file; its other names keep the previous contents.
FileStamp writeFileAtomically(const QString& fileName, const QByteArray& data);

// Puts the file back to a whole version when a write of it in place was cut off (see above);
// nothing otherwise. Run when a file is opened.
void recoverInterruptedWrite(const QString& fileName);

// The error of a write to the file that was refused: "In <fileName> kann nicht geschrieben
// werden".
AppError writeRefused(const QString& fileName);
