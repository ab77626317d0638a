#pragma once

#include "update/updatesini.h"

#include <QDate>
#include <QString>
#include <QStringList>

class LocaleFormats;

// What a check learns from the server's "Updates.ini": whether there is a newer update and
// which changes it brings. Dates are day numbers since 30 December 1899 (the fraction is the
// time of day).

// The program's section exists with at least one entry.
bool HasUpdateSection(const UpdatesIni& ini, const QString& programName);
// "News" of the program's section; "\"keine Angaben gefunden\"" when it is missing.
QString ReadNews(const UpdatesIni& ini, const QString& programName);
// "Date" of the program's section read in the short date format, at midnight; today when it
// is missing or not a valid date.
double ReadUpdateDate(const UpdatesIni& ini, const QString& programName, const QDate& today,
                      const LocaleFormats& formats);
// "Date" of the program's section as it is written there; empty when missing.
QString ReadUpdateDateText(const UpdatesIni& ini, const QString& programName);
// Whether a release dated dateText (the short date format) is newer than the installed
// version, by the check's rule; a text that is not a date is no newer release.
bool ReleaseIsNewer(const QString& dateText, double versionDate, const LocaleFormats& formats);
// "File" of the program's section, the archive's name in the server folder "/Updates/";
// empty when missing.
QString ReadUpdateFile(const UpdatesIni& ini, const QString& programName);

// 0 when a and b lie on the same day (fraction cut off towards zero), else 1 when a >= b and
// -1 when a < b.
int CompareDays(double a, double b);

// "- " + item + "\r\n" for each item, in list order.
QString JoinNewsLines(const QStringList& items);

// The items of a "News" list (a comma list) that are not older than the installed version:
// an item whose text before its first colon is a date on an earlier day than versionDate is
// left out; an item without a colon or without a valid date there stays.
QStringList NewsSince(const QString& news, double versionDate, const LocaleFormats& formats);

// The result page's text for a check that found an update: the news since versionDate
// listed in the message.
QString UpdateAvailableText(const QString& news, double versionDate, const LocaleFormats& formats);

// The message texts of the wizard: the step titles 0 to 5 and the messages 6 to 9.
extern const QString WizardTexts[10];
