#include "gradedata/settingsfile.h"

#include "gradedata/inistore.h"

#include <algorithm>

namespace {

const QString Section = QStringLiteral("Settings");
const QString StandardFileKey = QStringLiteral("StandardFile");
const QString WidthKey = QStringLiteral("Width");
const QString HeightKey = QStringLiteral("Height");
const QString DiagramLabelsKey = QStringLiteral("DiagramLabels");

int extent(int stored) {
    return std::clamp(stored, 0, SettingsFile::MaximumExtent);
}

// The value that reads back as text: reading takes away blanks at the ends and one pair of
// quotes around the whole value, so such a text is put between quotes of its own.
QString storedForm(const QString& text) {
    const bool enclosed = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
                          text.back() == text.front();
    if (text.isEmpty() || (!enclosed && !text.front().isSpace() && !text.back().isSpace()))
        return text;
    return u'"' + text + u'"';
}

} // namespace

bool SettingsFile::canKeep(const QString& standardFile) {
    return !standardFile.contains(u'\n') && !standardFile.contains(u'\r');
}

const QString SettingsFile::NoFileGiven = QStringLiteral("(keine Datei angegeben)");

SettingsFile::SettingsFile(const QString& fileName)
    : store_(std::make_unique<IniStore>(fileName)) {}

SettingsFile::~SettingsFile() = default;

const QString& SettingsFile::fileName() const {
    return store_->fileName();
}

SettingsFile::Values SettingsFile::read() const {
    Values values;
    values.standardFile = store_->ReadString(Section, StandardFileKey, NoFileGiven);
    values.width = extent(store_->ReadInteger(Section, WidthKey, DefaultWidth));
    values.height = extent(store_->ReadInteger(Section, HeightKey, DefaultHeight));
    values.diagramLabels = store_->ReadBool(Section, DiagramLabelsKey, true);
    return values;
}

void SettingsFile::write(const Values& values, bool writeStandardFile) {
    // All values in one write of the file: a shut-down cut short leaves the old settings or
    // the new ones, and values that are already stored write nothing.
    QList<QPair<QString, QString>> entries;
    if (writeStandardFile && canKeep(values.standardFile))
        entries.append({StandardFileKey, storedForm(values.standardFile)});
    entries.append({WidthKey, QString::number(values.width)});
    entries.append({HeightKey, QString::number(values.height)});
    entries.append(
        {DiagramLabelsKey, values.diagramLabels ? QStringLiteral("1") : QStringLiteral("0")});
    store_->WriteEntries(Section, {}, entries);
}
