#pragma once

#include <QString>
#include <QStringList>

// Comma lists with double-quote quoting, as used for test keys, test values, test list
// items and ranking entries.
//
// Splitting: leading blanks and control characters are skipped; a field that begins with a
// double quote runs to the matching closing quote (a doubled quote inside stands for one)
// and loses its quotes; any other field runs to the next comma, blank or control character.
// After a field blanks are skipped and a comma separates it from the next one; a comma at
// the very end yields one more, empty, field.
QStringList splitCommaList(const QString& text);

// Joining: fields separated by commas; a field holding a blank, a control character, a comma
// or a double quote is enclosed in double quotes with inner quotes doubled; a list of exactly
// one empty field is written as two double quotes.
QString joinCommaList(const QStringList& fields);

// The field enclosed in double quotes, inner quotes doubled, whatever it holds.
QString quoteField(const QString& field);
