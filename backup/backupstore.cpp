#include "backup/backupstore.h"

#include "backup/copyfiles.h"
#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/programfolder.h"

#include <QCryptographicHash>
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

// Newest first; a copy dated after today counts as older than every other.
bool newerThan(const BackupCopy& a, const BackupCopy& b, const QDate& today) {
    const bool aFuture = a.date > today;
    const bool bFuture = b.date > today;
    if (aFuture != bFuture)
        return bFuture;
    return a.date != b.date ? a.date > b.date : a.sequence > b.sequence;
}

// The copies in folder: regular files of this user with a copy's name.
QList<BackupCopy> copiesIn(const QString& folder, bool shared) {
    QList<BackupCopy> result;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = copyNamePattern().match(name);
        if (!match.hasMatch())
            continue;
        BackupCopy copy;
        copy.date = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
        copy.filePath = dir.filePath(name);
        if (!copy.date.isValid() || !isOwnCopyFile(copy.filePath, &copy.size))
            continue;
        copy.sequence = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
        copy.shared = shared;
        result.append(copy);
    }
    const QDate today = Clock::today();
    std::sort(result.begin(), result.end(), [&today](const BackupCopy& a, const BackupCopy& b) {
        return newerThan(a, b, today);
    });
    return result;
}

QString copiesFolder() {
    return QDir(BackupStore::dataFolder()).filePath(QStringLiteral("zensoria/Sicherungen"));
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

QString BackupStore::canonicalFileName() const {
    const QFileInfo file(dataFileName_);
    const QString canonical = file.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A file not written yet: its folder resolved, its name as given.
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return QDir::cleanPath((folder.isEmpty() ? file.absolutePath() : folder) + u'/' +
                           file.fileName());
}

QString BackupStore::folder() const {
    const QByteArray hash =
        QCryptographicHash::hash(canonicalFileName().toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(12);
    return copiesFolder() + u'/' + QFileInfo(dataFileName_).fileName() + u'-' +
           QString::fromLatin1(hash);
}

QString BackupStore::sharedFolder() const {
    return copiesFolder() + u'/' + QFileInfo(dataFileName_).fileName();
}

QList<BackupCopy> BackupStore::copies() const {
    return copiesIn(folder(), false) + copiesIn(sharedFolder(), true);
}

bool BackupStore::hasCopyOf(const QDate& day) const {
    const QList<BackupCopy> own = copiesIn(folder(), false);
    return std::any_of(own.begin(), own.end(),
                       [&day](const BackupCopy& copy) { return copy.date == day; });
}

std::optional<BackupCopy> BackupStore::backUpNow() {
    return backUp(QString());
}

std::optional<BackupCopy> BackupStore::backUp(const QString& alsoKeep) {
    if (!QFileInfo::exists(dataFileName_))
        return std::nullopt;
    const QByteArray bytes = readDataFileForCopy(dataFileName_);

    const QString dir = folder();
    makeCopyFolder(dir);
    BackupCopy copy;
    copy.date = Clock::today();
    copy.size = bytes.size();
    // The next name that nothing in the folder has; a name taken meanwhile moves on.
    for (copy.sequence = 1;; ++copy.sequence) {
        copy.filePath = dir + u'/' + copyName(copy.date, copy.sequence);
        if (QFileInfo(copy.filePath).exists() || QFileInfo(copy.filePath).isSymLink())
            continue;
        if (copy.sequence > 9999)
            throw AppError(QStringLiteral("Die Sicherung %1 kann nicht geschrieben werden: Es "
                                          "gibt keinen freien Namen mehr.")
                               .arg(copy.filePath));
        if (writeNewCopyFile(copy.filePath, bytes))
            break;
    }
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
    const QByteArray bytes = readCopyFile(copy.filePath);
    // The chosen copy stays, even when it is the oldest of a full folder.
    std::optional<BackupCopy> previous = backUp(copy.filePath);
    writeFileAtomically(dataFileName_, bytes);
    return previous;
}

void BackupStore::dropOldCopies(const QStringList& keep) const {
    // Only the file's own copies; the shared folder is left as it is.
    const QList<BackupCopy> all = copiesIn(folder(), false);
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
    removeStaleCopyTemporaries(folder());
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
