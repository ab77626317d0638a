#include "platform/localeformats.h"

#include "platform/programfolder.h"

#include <algorithm>
#include <memory>

namespace {

QLocale effectiveLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::German, QLocale::Germany);
    return locale;
}

// Widens every two-digit year ("yy", a run of exactly two) of a date pattern to four digits
// ("yyyy").
QString widenYear(const QString& pattern) {
    QString wide;
    for (qsizetype i = 0; i < pattern.size();) {
        qsizetype end = i;
        while (end < pattern.size() && pattern.at(end) == u'y')
            ++end;
        if (end - i == 2) {
            wide += QStringLiteral("yyyy");
        } else if (end > i) {
            wide += QStringView(pattern).sliced(i, end - i);
        } else {
            wide += pattern.at(i);
            ++end;
        }
        i = end;
    }
    return wide;
}

// Removes the time-zone fields ("t" runs outside quoted literals) of a time pattern, together
// with the blanks that separate them from the rest.
QString dropTimeZone(const QString& pattern) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            while (i + 1 < pattern.size() && pattern.at(i + 1) == u't')
                ++i;
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

// Splits a date pattern into its day, month and year fields and the literals between them.
QList<LocaleFormats::DatePart> dateParts(const QString& pattern) {
    QList<LocaleFormats::DatePart> parts;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == u'd' || c == u'M' || c == u'y') {
            while (i < pattern.size() && pattern.at(i) == c)
                ++i;
            parts.append({c, {}});
            continue;
        }
        if (parts.isEmpty() || !parts.back().field.isNull())
            parts.append({QChar(), {}});
        if (c != u'\'')
            parts.back().literal += c;
        ++i;
    }
    return parts;
}

std::unique_ptr<LocaleFormats>& currentFormats() {
    static std::unique_ptr<LocaleFormats> formats;
    return formats;
}

} // namespace

LocaleFormats::LocaleFormats(const QLocale& locale)
    : locale_(effectiveLocale(locale)),
      shortDateFormat_(widenYear(locale_.dateFormat(QLocale::ShortFormat))),
      longTimeFormat_(dropTimeZone(locale_.timeFormat(QLocale::LongFormat))),
      shortDateParts_(dateParts(shortDateFormat_)),
      decimalSeparator_(locale_.decimalPoint().front()), collator_(locale_) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

const LocaleFormats& LocaleFormats::current() {
    auto& formats = currentFormats();
    if (!formats)
        formats = std::make_unique<LocaleFormats>(QLocale::system());
    return *formats;
}

void LocaleFormats::setCurrent(const QLocale& locale) {
    currentFormats() = std::make_unique<LocaleFormats>(locale);
}

QString LocaleFormats::shortDateText(const QDate& date) const {
    return locale_.toString(date, shortDateFormat_);
}

QDate LocaleFormats::parseShortDate(QStringView text) const {
    const QStringView input = text.trimmed();
    int day = -1, month = -1, year = -1;
    qsizetype pos = 0;
    for (const DatePart& part : shortDateParts_) {
        if (part.field.isNull()) {
            const QString& literal = part.literal;
            if (input.size() - pos < literal.size() ||
                !std::equal(literal.cbegin(), literal.cend(), input.cbegin() + pos))
                return {};
            pos += part.literal.size();
            continue;
        }
        // One to four ASCII digits (two for day and month), read as they are passed.
        const int maxDigits = part.field == u'y' ? 4 : 2;
        qsizetype end = pos;
        int value = 0;
        while (end < input.size() && end - pos < maxDigits && input.at(end) >= u'0' &&
               input.at(end) <= u'9')
            value = value * 10 + (input.at(end++).unicode() - u'0');
        if (end == pos)
            return {};
        if (part.field == u'y') {
            year = value;
            // A year of one or two digits lies within fifty years of today.
            if (end - pos <= 2) {
                const int thisYear = Clock::today().year();
                year += thisYear / 100 * 100;
                if (year > thisYear + 50)
                    year -= 100;
                else if (year < thisYear - 50)
                    year += 100;
            }
        } else if (part.field == u'M') {
            month = value;
        } else {
            day = value;
        }
        pos = end;
    }
    if (pos != input.size())
        return {};
    return QDate(year, month, day);
}

QString LocaleFormats::longTimeText(const QTime& time) const {
    return locale_.toString(time, longTimeFormat_);
}

int LocaleFormats::compare(const QString& a, const QString& b) const {
    return collator_.compare(a, b);
}

int LocaleFormats::compare(QStringView a, QStringView b) const {
    return collator_.compare(a, b);
}

void LocaleFormats::loadCollation(const QLocale& locale) {
    QCollator(locale).compare(u"a", u"b");
}
