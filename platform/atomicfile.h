#pragma once

#include <QByteArray>
#include <QString>

class AppError;

// Replaces the file's contents atomically: the data goes to a new file beside it, which is
// then renamed over the old one. When any step fails (read-only file or folder, full disk,
// file-size limit) the old file stays byte for byte as it was and AppError("In <fileName>
// kann nicht geschrieben werden") is raised.
void writeFileAtomically(const QString& fileName, const QByteArray& data);

// The error of a write to the file that was refused: "In <fileName> kann nicht geschrieben
// werden".
AppError writeRefused(const QString& fileName);
