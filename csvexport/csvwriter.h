#pragma once

#include "gradedata/classtest.h"

#include <QByteArray>
#include <QList>
#include <QString>

class IniStore;

// The tests of one subject, in the order of the test list.
struct SubjectTests {
    QString subject;
    QList<ClassTest> tests;
};

// The grade book as a table for spreadsheet programs: a header row, then one row per test of
// every subject with subject, school year, grade level, number, date, lesson, the six counts,
// participants, average, own grade and remark. German spreadsheet conventions: UTF-8 with a
// byte-order mark, ";" between fields, decimal commas, dates as dd.mm.yyyy, CR LF line ends.
// A field holding ";", ",", a tab, a double quote, a line break or leading or trailing blanks
// is enclosed in double quotes, inner quotes doubled. Comma and tab count too (decimal commas
// included): a spreadsheet program that opens the file with comma, semicolon and tab all taken
// as separators would split such a field into two cells.
QByteArray gradeBookCsv(const QList<SubjectTests>& subjects);

// One field as it stands in the file.
QString csvField(const QString& text);

// The header row's fields.
QStringList csvHeader();

// Every subject of the data file (sections but "Settings", in the subject list's order) with
// its tests in list order. A faulty entry raises its conversion error.
QList<SubjectTests> readGradeBook(const IniStore& store);

// Writes gradeBookCsv of the data file to fileName, atomically: a refused write or a faulty
// entry leaves no half-written file (AppError).
void exportGradeBookCsv(const IniStore& store, const QString& fileName);
