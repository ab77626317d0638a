#include "update/updatecheck.h"

#include "gradedata/commalist.h"
#include "platform/datetime.h"
#include "platform/localeformats.h"

#include <cmath>

const QString WizardTexts[10] = {
    QStringLiteral("Willkommen"),
    QStringLiteral("Auf neue Updates prüfen"),
    QStringLiteral("Ergebnis der Prüfung"),
    QStringLiteral("Download der Updates"),
    QStringLiteral("Installieren"),
    QStringLiteral("Abschließen der Installation"),
    QStringLiteral("Es stehen keine neuen Updates zur Verfügung. Klicken Sie auf \"Beenden\", um "
                   "den Assistenten zu verlassen."),
    QStringLiteral("Es stehen neue Updates zum Download bereit.\r\n\r\nDie Updates beheben "
                   "folgende Probleme bzw. stellen folgende neue Funktionen zur Verfügung:\r\n"
                   "%s\r\n\r\nKlicken Sie auf \"Weiter\", um die Updates jetzt herunterzuladen."),
    QStringLiteral("Der Download wurde nicht vollendet.\r\n\r\nKlicken Sie auf \"Erneut "
                   "versuchen\", um den Download erneut zu starten.\r\nKlicken Sie auf "
                   "\"Abbrechen\", um den Assistenten zu beenden."),
    QStringLiteral("Die Update-Dateien wurden erfolgreich heruntergeladen. Klicken Sie auf "
                   "\"Weiter\", um die Updates zu installieren."),
};

namespace {
const QString DateKey = QStringLiteral("Date");
const QString NewsKey = QStringLiteral("News");
const QString FileKey = QStringLiteral("File");
} // namespace

bool HasUpdateSection(const UpdatesIni& ini, const QString& programName) {
    return ini.hasSection(programName);
}

QString ReadNews(const UpdatesIni& ini, const QString& programName) {
    return ini.value(programName, NewsKey, QStringLiteral("\"keine Angaben gefunden\""));
}

double ReadUpdateDate(const UpdatesIni& ini, const QString& programName, const QDate& today,
                      const LocaleFormats& formats) {
    QDate date = formats.parseShortDate(ini.value(programName, DateKey, QString()));
    if (!date.isValid())
        date = today;
    return daysSince1899(date.startOfDay());
}

QString ReadUpdateDateText(const UpdatesIni& ini, const QString& programName) {
    return ini.value(programName, DateKey, QString());
}

bool ReleaseIsNewer(const QString& dateText, double versionDate, const LocaleFormats& formats) {
    const QDate date = formats.parseShortDate(dateText);
    return date.isValid() && daysSince1899(date.startOfDay()) >= versionDate;
}

QString ReadUpdateFile(const UpdatesIni& ini, const QString& programName) {
    return ini.value(programName, FileKey, QString());
}

int CompareDays(double a, double b) {
    if (std::trunc(a) == std::trunc(b))
        return 0;
    return a >= b ? 1 : -1;
}

QString JoinNewsLines(const QStringList& items) {
    QString text;
    for (const QString& item : items)
        text += QStringLiteral("- ") + item + QStringLiteral("\r\n");
    return text;
}

QStringList NewsSince(const QString& news, double versionDate, const LocaleFormats& formats) {
    QStringList items = splitCommaList(news);
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        const qsizetype colon = items[i].indexOf(u':');
        if (colon < 0)
            continue;
        const QDate date = formats.parseShortDate(items[i].first(colon));
        if (date.isValid() && CompareDays(daysSince1899(date.startOfDay()), versionDate) == -1)
            items.removeAt(i);
    }
    return items;
}

QString UpdateAvailableText(const QString& news, double versionDate, const LocaleFormats& formats) {
    QString text = WizardTexts[7];
    return text.replace(QStringLiteral("%s"), JoinNewsLines(NewsSince(news, versionDate, formats)));
}
