#include "backup/backupstore.h"

#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace {

QString& dataFolderOverride() {
    static QString folder;
    return folder;
}

// "2026-12-08.plx" or "2026-12-08_2.plx".
const QRegularExpression& copyNamePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:_([2-9]|[1-9]\\d{1,3}))?\\.plx$"));
    return pattern;
}

QString copyName(const QDate& date, int sequence) {
    const QString day = date.toString(QStringLiteral("yyyy-MM-dd"));
    return sequence <= 1 ? day + QStringLiteral(".plx")
                         : day + u'_' + QString::number(sequence) + QStringLiteral(".plx");
}

bool olderThan(const BackupCopy& a, const BackupCopy& b) {
    return a.date != b.date ? a.date < b.date : a.sequence < b.sequence;
}

} // namespace

BackupStore::BackupStore(QString dataFileName) : dataFileName_(std::move(dataFileName)) {}

QString BackupStore::dataFolder() {
    if (!dataFolderOverride().isEmpty())
        return dataFolderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

void BackupStore::setDataFolder(const QString& folder) {
    dataFolderOverride() = folder;
}

QString BackupStore::folder() const {
    return QDir(dataFolder())
        .filePath(QStringLiteral("zensoria/Sicherungen/") + QFileInfo(dataFileName_).fileName());
}

QList<BackupCopy> BackupStore::copies() const {
    QList<BackupCopy> result;
    const QDir dir(folder());
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = copyNamePattern().match(info.fileName());
        if (!match.hasMatch())
            continue;
        BackupCopy copy;
        copy.date = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
        if (!copy.date.isValid())
            continue;
        copy.sequence = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
        copy.filePath = info.absoluteFilePath();
        copy.size = info.size();
        result.append(copy);
    }
    std::sort(result.begin(), result.end(),
              [](const BackupCopy& a, const BackupCopy& b) { return olderThan(b, a); });
    return result;
}

bool BackupStore::hasCopyOf(const QDate& day) const {
    return QFileInfo::exists(QDir(folder()).filePath(copyName(day, 1)));
}

std::optional<BackupCopy> BackupStore::backUpNow() {
    return backUp(QString());
}

std::optional<BackupCopy> BackupStore::backUp(const QString& alsoKeep) {
    if (!QFileInfo::exists(dataFileName_))
        return std::nullopt;
    const QByteArray bytes = readWholeFile(dataFileName_);

    const QDate today = Clock::today();
    const QDir dir(folder());
    int sequence = 1;
    while (QFileInfo::exists(dir.filePath(copyName(today, sequence))))
        ++sequence;
    BackupCopy copy;
    copy.date = today;
    copy.sequence = sequence;
    copy.filePath = dir.filePath(copyName(today, sequence));
    copy.size = bytes.size();
    if (!QDir().mkpath(dir.path()))
        throw writeRefused(copy.filePath);
    writeFileAtomically(copy.filePath, bytes);
    dropOldCopies({copy.filePath, alsoKeep});
    return copy;
}

std::optional<BackupCopy> BackupStore::backUpBeforeChange() {
    if (hasCopyOf(Clock::today()))
        return std::nullopt;
    return backUpNow();
}

std::optional<BackupCopy> BackupStore::restore(const BackupCopy& copy) {
    // Read the copy first: a copy that cannot be read must not cost a backup slot.
    const QByteArray bytes = readWholeFile(copy.filePath);
    // The chosen copy stays, even when it is the oldest of a full folder.
    std::optional<BackupCopy> previous = backUp(copy.filePath);
    writeFileAtomically(dataFileName_, bytes);
    return previous;
}

void BackupStore::dropOldCopies(const QStringList& keep) const {
    const QList<BackupCopy> all = copies();
    // The copies to keep count among the KeptCopies; the newest of the others fill the rest.
    qsizetype room = KeptCopies - std::count_if(all.begin(), all.end(), [&](const BackupCopy& c) {
                         return keep.contains(c.filePath);
                     });
    for (const BackupCopy& copy : all) {
        if (keep.contains(copy.filePath))
            continue;
        if (room > 0) {
            --room;
            continue;
        }
        // A copy that cannot be removed stays; it is tried again with the next copy.
        QFile::remove(copy.filePath);
    }
}

int countTestsInFile(const QString& fileName) {
    const IniStore store(fileName);
    int count = 0;
    for (const QString& section : store.ReadSections()) {
        if (!isSettingsSection(section))
            count += int(store.ReadSection(section).size());
    }
    return count;
}

QByteArray readWholeFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
    return bytes;
}
