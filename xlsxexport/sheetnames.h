#pragma once

#include <QString>
#include <QStringList>

// Worksheet names as spreadsheet programs accept them: at most 31 characters, none of
// []:*?/\, no apostrophe or blank at either end, not empty, and unique without regard to case.

// The longest name a worksheet may have, in characters.
constexpr int MaxSheetNameLength = 31;

// The subject as a worksheet name: the refused characters and control characters dropped,
// apostrophes and blanks at the ends taken off, cut to MaxSheetNameLength (never inside a character
// that takes two UTF-16 units); "Fach" when nothing is left.
QString sheetNameOf(const QString& subject);

// One worksheet name per subject, in the same order, different from each other and from the
// names in `taken`. A name that is already used gets " (2)", " (3)" ... appended, its own
// text cut so that the whole still fits.
QStringList uniqueSheetNames(const QStringList& subjects, const QStringList& taken);

// The name as it stands in a formula: in apostrophes, inner apostrophes doubled ('Mathe'!A1).
QString formulaSheetName(const QString& sheetName);
