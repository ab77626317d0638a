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
// A folder that refuses new files while the file itself may be written (a shared folder, a
// program folder with a writable Settings.ini) gets the data written into the file in place:
// the new size is reserved first, so that a full disk shows before anything is overwritten,
// then the data is written, flushed and read back; a failure puts the old contents back.
//
// A symbolic link stays a link: its target gets the new contents. A file with further hard
// links is replaced like any other file; its other names keep the previous contents.
FileStamp writeFileAtomically(const QString& fileName, const QByteArray& data);

// The error of a write to the file that was refused: "In <fileName> kann nicht geschrieben
// werden".
AppError writeRefused(const QString& fileName);
