#pragma once

#include <QString>
#include <QStringList>

// Writes a data file of realistic class tests for benchmarks: `subjects` sections with
// `testsPerSubject` entries each (50 x 400 give about 1 MB). The entries of a subject run by
// date, with a few out of place as after changes. The same seed gives the same file.
// Keys use the short date format in effect. Returns the subject names in file order.
QStringList generateDataFile(const QString& fileName, int subjects = 50, int testsPerSubject = 400,
                             quint32 seed = 1);
