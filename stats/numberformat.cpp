#include "stats/numberformat.h"

#include "platform/localeformats.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// |value| as decimal digits: the integer part and the fractional part, rounded half away
// from zero to `decimals` places after the value was taken to `significantDigits` digits.
struct DecimalDigits {
    QByteArray integerPart;
    QByteArray fraction;
    bool negative = false;
};

DecimalDigits roundedDigits(long double value, int decimals, int significantDigits) {
    DecimalDigits result;
    result.negative = std::signbit(value);
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%.*Le", significantDigits - 1, std::fabs(value));
    // buffer is "d.ddd...e+XX" (or "de+XX" with one significant digit).
    const QByteArray text(buffer);
    const qsizetype e = text.indexOf('e');
    QByteArray digits = text.left(e);
    digits.replace(".", "");
    const int exponent = text.mid(e + 1).toInt();

    // digits holds d1 d2 ... with the decimal point after intLength of them.
    int intLength = exponent + 1;
    if (intLength < 1) {
        digits.prepend(QByteArray(1 - intLength, '0'));
        intLength = 1;
    }
    const qsizetype keep = intLength + decimals;
    if (digits.size() < keep)
        digits.append(QByteArray(keep - digits.size(), '0'));
    const bool roundUp = digits.size() > keep && digits.at(keep) >= '5';
    digits.truncate(keep);
    if (roundUp) {
        qsizetype i = keep - 1;
        while (i >= 0 && digits.at(i) == '9') {
            digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            digits[i] = char(digits.at(i) + 1);
        } else {
            digits.prepend('1');
            ++intLength;
        }
    }
    result.integerPart = digits.left(intLength);
    result.fraction = digits.mid(intLength);
    return result;
}

QString compose(const DecimalDigits& d, int minDecimals) {
    QByteArray fraction = d.fraction;
    while (fraction.size() > minDecimals && fraction.endsWith('0'))
        fraction.chop(1);
    QString text = QString::fromLatin1(d.integerPart);
    if (!fraction.isEmpty())
        text += LocaleFormats::current().decimalSeparator() + QString::fromLatin1(fraction);
    const QByteArray all = d.integerPart + fraction;
    const bool zero = std::all_of(all.begin(), all.end(), [](char c) { return c == '0'; });
    if (d.negative && !zero)
        text.prepend(u'-');
    return text;
}

} // namespace

QString formatDecimal(long double value, int maxDecimals) {
    if (!std::isfinite(value))
        return {};
    return compose(roundedDigits(value, maxDecimals, 15), 0);
}

QString formatFixed(long double value, int decimals, int significantDigits) {
    if (!std::isfinite(value))
        return {};
    return compose(roundedDigits(value, decimals, significantDigits), decimals);
}

std::optional<long double> parseLocaleReal(const QString& text) {
    // Digits with at most one decimal separator and at most 15 digits in all (the average texts
    // of the ranking) are read directly: the digits make an integer that a double holds
    // exactly, and dividing it by the power of ten of the decimals rounds the quotient once, to
    // the double nearest to the text's value, as the general reader below does.
    {
        static constexpr double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const QChar separator = LocaleFormats::current().decimalSeparator();
        qint64 digits = 0;
        int count = 0;
        int decimals = -1;
        bool plainText = !text.isEmpty();
        for (const QChar c : text) {
            if (c >= u'0' && c <= u'9' && count < 15) {
                digits = digits * 10 + (c.unicode() - u'0');
                ++count;
                decimals += decimals >= 0 ? 1 : 0;
            } else if (c == separator && decimals < 0 && count > 0) {
                decimals = 0;
            } else {
                plainText = false;
                break;
            }
        }
        if (plainText && decimals != 0)
            return static_cast<long double>(double(digits) / powersOfTen[std::max(decimals, 0)]);
    }
    QString plain = text.trimmed();
    const QChar separator = LocaleFormats::current().decimalSeparator();
    if (separator != u'.')
        plain.replace(separator, u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return static_cast<long double>(value);
}
