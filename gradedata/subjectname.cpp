#include "gradedata/subjectname.h"

#include "gradedata/inistore.h"

bool isSettingsSection(QStringView section) {
    return section.compare(SettingsSectionName, Qt::CaseInsensitive) == 0;
}

bool isUsableSubjectName(const QString& name) {
    if (name.isEmpty())
        return false;
    if (name.front().isSpace() || name.back().isSpace())
        return false;
    for (const QChar c : name) {
        if (c == u']' || c.category() == QChar::Other_Control ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return false;
    }
    return !isSettingsSection(name) && name != SettingsTabName;
}

SubjectList subjectSections(const IniStore& store) {
    SubjectList subjects;
    store.forEachSection([&](QStringView section) {
        if (!isSettingsSection(section))
            subjects.append(section);
    });
    return subjects;
}
