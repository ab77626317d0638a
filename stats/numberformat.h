#pragma once

#include <QString>
#include <optional>

// Number texts of the views, all with the decimal separator of LocaleFormats::current().
//
// A value is first taken to a limited number of significant decimal digits, so that a
// quotient such as 57 / 20 counts as exactly 2.85 and not as the binary number just below
// it; that decimal text is then rounded with halves away from zero.

// At most maxDecimals decimal places, no trailing zeros ("0.#" is maxDecimals 1, "0.##" is 2):
// 2.85 -> "2,9", 3.0 -> "3", 2.3333 -> "2,33" (with 2). A value that is not finite gives "".
QString formatDecimal(long double value, int maxDecimals);

// Fixed-point text with exactly `decimals` decimal places, the value first taken to at most
// `significantDigits` significant digits: formatFixed(2.5, 10, 16) -> "2,5000000000".
QString formatFixed(long double value, int decimals, int significantDigits);

// Reads a decimal text written with the locale's decimal separator (or none); empty when the
// text is not such a number.
std::optional<long double> parseLocaleReal(const QString& text);
