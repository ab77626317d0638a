#pragma once

#include <QCollator>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The formats the whole program uses: short date, long time, decimal separator and
// case-insensitive collation, taken from a locale with three corrections:
//  - a C/POSIX locale counts as German (de_DE), since the program speaks German;
//  - a short date format with a two-digit year is widened to four digits, so that dates in
//    data-file keys stay unambiguous (12.03.2002, never 12.03.02);
//  - the long time format loses any time-zone part (00:00:30, not 00:00:30 MEZ).
class LocaleFormats {
public:
    explicit LocaleFormats(const QLocale& locale);

    // The formats in effect for the program; at start they come from the system locale.
    static const LocaleFormats& current();
    // Replaces the formats in effect (tests pin de_DE with it).
    static void setCurrent(const QLocale& locale);

    const QLocale& locale() const { return locale_; }
    // Qt date format pattern, e.g. "dd.MM.yyyy".
    const QString& shortDateFormat() const { return shortDateFormat_; }
    // Qt time format pattern, e.g. "HH:mm:ss".
    const QString& longTimeFormat() const { return longTimeFormat_; }
    QChar decimalSeparator() const { return decimalSeparator_; }

    QString shortDateText(const QDate& date) const;
    // Reads a date written in the short date format; day and month may have one or two
    // digits. Returns an invalid QDate when the text is not such a date.
    QDate parseShortDate(QStringView text) const;
    QDate parseShortDate(const QString& text) const { return parseShortDate(QStringView(text)); }
    QString longTimeText(const QTime& time) const;

    // Case-insensitive comparison in the locale's collation (<0, 0, >0).
    int compare(const QString& a, const QString& b) const;
    int compare(QStringView a, QStringView b) const;
    // Loads the collation data of the locale on the calling thread, with a collator of its own.
    // The collation library keeps the data for the whole process, so that the first comparison
    // on another thread later finds it loaded.
    static void loadCollation(const QLocale& locale);

    // A field of a date pattern: day, month or year, or the literal text between them.
    struct DatePart {
        QChar field; // 'd', 'M', 'y', or null for a literal
        QString literal;
    };

private:
    QLocale locale_;
    QString shortDateFormat_;
    QString longTimeFormat_;
    // The short date pattern split once; reading a data file parses many dates.
    QList<DatePart> shortDateParts_;
    QChar decimalSeparator_;
    QCollator collator_;
};
