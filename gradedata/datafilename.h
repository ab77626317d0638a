#pragma once

#include <QString>

// Characters that a data file's name may not hold.
inline const QString InvalidFileNameChars = QStringLiteral("\\/:*?\"<>|");

// True when the directory part of name (everything before the last path separator) names
// an existing directory and the file-name part is not empty and holds none of
// InvalidFileNameChars. A name without directory part fails. The file itself is not looked at.
bool IsValidDataFileName(const QString& name);
