#pragma once

#include <QDate>
#include <QString>

// The folder of the program file (Settings.ini and Pultex.hlp live there).
// Tests point it at a temporary folder.
namespace ProgramFolder {
QString path();
void setPath(const QString& folder); // empty restores the real folder
QString filePath(const QString& fileName);
// Settings.ini: in the program folder when the user may write there; otherwise, as for a
// program installed in the system's folders, in the user's configuration folder
// (~/.config/zensoria/Settings.ini). The folder counts as writable only when its write
// bits allow it, so that root, who may write anywhere, keeps out of a read-only folder too.
QString settingsFilePath();
} // namespace ProgramFolder

// "Today" for the program; tests fix it.
namespace Clock {
QDate today();
void setToday(const QDate& date); // invalid date restores the system clock
} // namespace Clock
