#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Number and date texts of the data file and the test list. Conversion failures raise
// AppError with the German text of the conversion ("'05x' ist kein gültiger Integerwert",
// "'31.02.2002' ist kein gültiges Datum").

// Lenient integer reader: leading blanks, then an optional sign and decimal digits; the empty
// text, any other character and values outside the 32-bit range are invalid.
std::optional<int> readLenientInteger(const QString& text);
std::optional<int> readLenientInteger(QStringView text);
// Like readLenientInteger, but raises "'%s' ist kein gültiger Integerwert".
int toInteger(const QString& text);
int toInteger(QStringView text);

// Decimal text of n with "0" put in front while it is shorter than width.
QString PadNumber(int n, int width = 2);
// The integer of text as decimal text, padded to two digits when pad is set ("05" -> "5" or
// "05"). Raises the integer conversion error.
QString NumberText(const QString& text, bool pad);

// "yyyy-mm-dd" and its inverse (raises "'%s' ist kein gültiges Datum").
QString FormatIsoDate(const QDate& date);
QDate ParseIsoDate(const QString& text);

// The date in the user's short date format (LocaleFormats::current()) and its inverse
// (raises "'%s' ist kein gültiges Datum").
QString ShortDateText(const QDate& date);
QDate ParseShortDate(QStringView text);
QDate ParseShortDate(const QString& text);
