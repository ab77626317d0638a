#include "gradedata/datafilename.h"

#include <QFileInfo>

bool IsValidDataFileName(const QString& name) {
    const qsizetype separator = name.lastIndexOf(u'/');
    if (separator < 0)
        return false;
    const QString directory = separator == 0 ? QStringLiteral("/") : name.left(separator);
    const QString fileName = name.mid(separator + 1);
    // "." and ".." always name folders, never a file that could be written.
    if (fileName.isEmpty() || fileName == u"." || fileName == u"..")
        return false;
    for (const QChar c : fileName) {
        if (InvalidFileNameChars.contains(c))
            return false;
    }
    return QFileInfo(directory).isDir();
}
