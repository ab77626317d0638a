// The server's "Updates.ini" and what the check reads from it: any bytes parse, names are found
// regardless of case, the update date is a whole day, and the news since a version are exactly
// the items of the list that are not dated on an earlier day, in list order, in the message.

#include "fuzzinput.h"
#include "gradedata/commalist.h"
#include "platform/datetime.h"
#include "platform/localeformats.h"
#include "update/updatecheck.h"
#include "update/updatesini.h"

#include <cmath>

namespace {

const QString Program = QStringLiteral("Zensoria");

QString flipCase(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = c.isUpper() ? c.toLower() : c.toUpper();
    return out;
}

// Whether the item carries a date on an earlier day than versionDate, checked on its own.
bool olderThan(const QString& item, double versionDate, const LocaleFormats& formats) {
    const qsizetype colon = item.indexOf(u':');
    if (colon < 0)
        return false;
    const QDate date = formats.parseShortDate(item.first(colon));
    return date.isValid() && std::trunc(daysSince1899(date.startOfDay())) < std::trunc(versionDate);
}

void checkNews(const QString& news, double versionDate, const LocaleFormats& formats) {
    const QStringList all = splitCommaList(news);
    const QStringList kept = NewsSince(news, versionDate, formats);
    // Exactly the items that are not older, in their order.
    QStringList expected;
    for (const QString& item : all)
        if (!olderThan(item, versionDate, formats))
            expected.append(item);
    FUZZ_CHECK(kept == expected, news);
    // A version from long ago keeps everything.
    FUZZ_CHECK(NewsSince(news, -1e7, formats) == all, news);

    const QString lines = JoinNewsLines(kept);
    FUZZ_CHECK(lines.count(QStringLiteral("\r\n")) >= kept.size(), news);
    // The message has its own text around the list, whatever the list holds ("%s" too).
    const QString text = UpdateAvailableText(news, versionDate, formats);
    const qsizetype at = WizardTexts[7].indexOf(QStringLiteral("%s"));
    FUZZ_CHECK(text == WizardTexts[7].first(at) + lines + WizardTexts[7].sliced(at + 2), news);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    useGermanFormats();
    const LocaleFormats& formats = LocaleFormats::current();
    FuzzInput input(data, size);
    // The first byte: how the rest is read; the next two: the version's day around 2003.
    const uint8_t mode = input.byte();
    const double versionDate = 37800 + input.byte() * 16 + input.byte() / 256.0 * 16;
    QByteArray bytes = input.rest();
    if (mode & 1) // the rest is the "News" value of a well-formed section
        bytes = "[Zensoria]\r\nDate=09.08.2003\r\nNews=" + bytes;

    const UpdatesIni ini = UpdatesIni::parse(bytes);
    const QString news = ReadNews(ini, Program);
    FUZZ_CHECK(HasUpdateSection(ini, Program) == HasUpdateSection(ini, flipCase(Program)),
               QString::fromLatin1(bytes.toHex()));
    FUZZ_CHECK(ReadNews(ini, flipCase(Program)) == news, news);
    FUZZ_CHECK(ini.value(Program, QStringLiteral("nEWS"), QStringLiteral("-")) ==
                   ini.value(Program, QStringLiteral("News"), QStringLiteral("-")),
               news);
    if (!HasUpdateSection(ini, Program))
        FUZZ_CHECK(news == QStringLiteral("\"keine Angaben gefunden\""), news);
    // Values never hold a line break or the blanks around them.
    FUZZ_CHECK(!news.contains(u'\n') && !news.contains(u'\r'), news);
    FUZZ_CHECK(!news.startsWith(u' ') && !news.endsWith(u' '), news);

    const QDate today(2024, 5, 17);
    const double date = ReadUpdateDate(ini, Program, today, formats);
    FUZZ_CHECK(std::isfinite(date) && date == std::trunc(date), QString::number(date));
    if (!ini.contains(Program, QStringLiteral("Date")))
        FUZZ_CHECK(date == daysSince1899(today.startOfDay()), QString::number(date));

    checkNews(news, versionDate, formats);
    return 0;
}
