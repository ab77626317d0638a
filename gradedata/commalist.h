#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

// Comma lists with double-quote quoting, as used for test keys, test values, test list
// items and ranking entries.
//
// Splitting: leading blanks and control characters are skipped; a field that begins with a
// double quote runs to the matching closing quote (a doubled quote inside stands for one)
// and loses its quotes; any other field runs to the next comma, blank or control character.
// After a field blanks are skipped and a comma separates it from the next one; a comma at
// the very end yields one more, empty, field.
QStringList splitCommaList(const QString& text);

// The same split, without copying: each field is a view into the text, or into this object's
// own storage for a quoted field with doubled quotes. For readers that convert every field at
// once; the views stay valid while the text and this object live.
class CommaFields {
public:
    explicit CommaFields(QStringView text);
    CommaFields(const CommaFields&) = delete;
    CommaFields& operator=(const CommaFields&) = delete;

    qsizetype size() const { return fields_.size(); }
    QStringView operator[](qsizetype index) const { return fields_[index]; }

private:
    QVarLengthArray<QStringView, 16> fields_;
    QStringList unescaped_;
};

// Joining: fields separated by commas; a field holding a blank, a control character, a comma
// or a double quote is enclosed in double quotes with inner quotes doubled; a list of exactly
// one empty field is written as two double quotes.
QString joinCommaList(const QStringList& fields);

// The field enclosed in double quotes, inner quotes doubled, whatever it holds.
QString quoteField(const QString& field);
