#pragma once

#include <QDate>
#include <QString>

// The folder of the program file (Settings.ini and Pultex.hlp live there).
// Tests point it at a temporary folder.
namespace ProgramFolder {
QString path();
void setPath(const QString& folder); // empty restores the real folder
QString filePath(const QString& fileName);
} // namespace ProgramFolder

// "Today" for the program; tests fix it.
namespace Clock {
QDate today();
void setToday(const QDate& date); // invalid date restores the system clock
} // namespace Clock
