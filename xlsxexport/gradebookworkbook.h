#pragma once

#include "csvexport/csvwriter.h"

#include <QString>

class IniStore;

// The grade book as an Excel workbook (.xlsx):
// - the sheet "Übersicht" with a row per subject: its name, and as formulas over the subject's
//   sheet the number of tests, the class average (the mean of the test averages) and the own
//   average (the mean of the own grades 1 .. 6), so that a changed count or grade moves them;
//   beside it a column chart of the class and the own average per subject;
// - a sheet per subject, named by uniqueSheetNames: grade level, number, date (a date cell shown
//   as dd.mm.yyyy), lesson, the six counts, participants and average (formulas over the row),
//   own grade ("nicht teilgenommen" for 0) and remark; the header row frozen, an auto-filter
//   over the table and columns wide enough for their contents.
// Formulas carry their computed values, so that programs that do not calculate show them too.
//
// The workbook is built in a private temporary folder and then written to fileName atomically:
// a failure at any step leaves no half-written file (AppError "In <fileName> kann nicht
// geschrieben werden").
void writeGradeBookWorkbook(const QList<SubjectTests>& subjects, const QString& fileName);

// The workbook of every subject of the data file. A faulty entry raises its conversion error
// and writes nothing.
void exportGradeBookWorkbook(const IniStore& store, const QString& fileName);
