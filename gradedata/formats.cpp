#include "gradedata/formats.h"

#include "platform/apperror.h"
#include "platform/localeformats.h"

#include <limits>

namespace {

AppError notADate(const QString& text) {
    return AppError(QStringLiteral("'%1' ist kein gültiges Datum").arg(text));
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads a run of one to maxDigits ASCII digits at pos; -1 when there is none or it is longer.
int readDigits(const QString& text, qsizetype& pos, int maxDigits) {
    const qsizetype start = pos;
    int value = 0;
    while (pos < text.size() && isAsciiDigit(text.at(pos))) {
        value = value * 10 + (text.at(pos).unicode() - u'0');
        if (++pos - start > maxDigits)
            return -1;
    }
    return pos == start ? -1 : value;
}

} // namespace

std::optional<int> readLenientInteger(const QString& text) {
    return readLenientInteger(QStringView(text));
}

std::optional<int> readLenientInteger(QStringView text) {
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end && (*p == u' ' || *p == u'\t'))
        ++p;
    bool negative = false;
    if (p < end && (*p == u'+' || *p == u'-'))
        negative = *p++ == u'-';
    if (p == end)
        return std::nullopt;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; p < end; ++p) {
        if (*p < u'0' || *p > u'9')
            return std::nullopt;
        value = value * 10 + (*p - u'0');
        if (value > limit)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

int toInteger(const QString& text) {
    return toInteger(QStringView(text));
}

int toInteger(QStringView text) {
    if (const auto value = readLenientInteger(text))
        return *value;
    throw AppError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));
}

QString PadNumber(int n, int width) {
    QString text = QString::number(n);
    while (text.size() < width)
        text.prepend(u'0');
    return text;
}

QString NumberText(const QString& text, bool pad) {
    return PadNumber(toInteger(text), pad ? 2 : 0);
}

QString FormatIsoDate(const QDate& date) {
    if (!date.isValid())
        return {};
    return PadNumber(date.year(), 4) + u'-' + PadNumber(date.month(), 2) + u'-' +
           PadNumber(date.day(), 2);
}

QDate ParseIsoDate(const QString& text) {
    // Year of four digits, then month and day of one or two digits, separated by "-".
    const QString input = text.trimmed();
    qsizetype pos = 0;
    const int year = readDigits(input, pos, 4);
    const bool fourDigitYear = pos == 4;
    if (year < 0 || !fourDigitYear || pos >= input.size() || input.at(pos++) != u'-')
        throw notADate(text);
    const int month = readDigits(input, pos, 2);
    if (month < 0 || pos >= input.size() || input.at(pos++) != u'-')
        throw notADate(text);
    const int day = readDigits(input, pos, 2);
    const QDate date(year, month, day);
    if (day < 0 || pos != input.size() || !date.isValid())
        throw notADate(text);
    return date;
}

QString ShortDateText(const QDate& date) {
    return LocaleFormats::current().shortDateText(date);
}

QDate ParseShortDate(const QString& text) {
    return ParseShortDate(QStringView(text));
}

QDate ParseShortDate(QStringView text) {
    const QDate date = LocaleFormats::current().parseShortDate(text);
    if (!date.isValid())
        throw notADate(text.toString());
    return date;
}
