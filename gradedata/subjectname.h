#pragma once

#include "gradedata/subjectlist.h"

#include <QString>

class IniStore;

// Caption of the always-last tab of the main window's tab control. A tab is the settings tab
// exactly when its caption equals this text.
inline const QString SettingsTabName = QStringLiteral("Einstellungen (Strg+E)");

// Name of the data-file section that is never a subject (compared without regard to case).
inline const QString SettingsSectionName = QStringLiteral("Settings");

// True when the data file can keep name whole as a subject: not empty, no control character
// (it would break the section header line), no "]" (other INI readers end a section name at
// the first one), no leading or trailing blanks (they are lost when the file is read again), not
// "Settings" in any letter case (that section is never read as a subject) and not the caption of
// the settings tab (that tab would be taken for the settings tab).
bool isUsableSubjectName(const QString& name);

// True when section names a data-file section that is not a subject ("Settings", any case).
bool isSettingsSection(QStringView section);

// The names of the store's sections that are subjects (all but "Settings"), in file order.
SubjectList subjectSections(const IniStore& store);
