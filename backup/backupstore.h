#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// One kept copy of a data file.
struct BackupCopy {
    QString filePath;
    QDate date;
    // 1 for the day's first copy; copies made later the same day (before a restore) count on.
    int sequence = 1;
    qint64 size = 0;
    // Kept in the folder named after the file name alone, as copies were kept before they
    // were kept per data file: it may be the copy of another data file of the same name.
    bool shared = false;
};

// The copies of one data file, kept in <data folder>/zensoria/Sicherungen/<file name>-<hash>/
// as <yyyy-mm-dd>.plx (a further copy of the same day as <yyyy-mm-dd>_2.plx, _3, ...); the hash
// is taken of the file's full canonical path, so equally named files in other folders have
// folders of their own. The copies of the former folder <file name>/, which all files of that
// name shared, are listed too (marked shared) and never changed.
//
// Only regular files of this user with a copy's name count as copies: links, folders and
// other entries are left alone, and nothing is read or written through a link. Copies are
// written as new files and hold the file's bytes unchanged; the newest KeptCopies are kept,
// where copies dated after today count as the oldest. "Today" is Clock::today().
//
// Failures raise AppError with a German text; the data file itself is never changed by a
// failed operation.
class BackupStore {
public:
    static constexpr int KeptCopies = 30;

    explicit BackupStore(QString dataFileName);

    // The user's data folder (XDG_DATA_HOME, usually ~/.local/share); tests point it elsewhere.
    static QString dataFolder();
    static void setDataFolder(const QString& folder); // empty restores the user's folder

    const QString& dataFileName() const { return dataFileName_; }
    // The data file's full path with every link and "." or ".." resolved, as far as it exists.
    QString canonicalFileName() const;
    // The folder of this file's copies.
    QString folder() const;
    // The folder that all files of this name shared before.
    QString sharedFolder() const;

    // The file's own copies, newest first (those dated after today last), then the shared
    // copies in the same order.
    QList<BackupCopy> copies() const;
    bool hasCopyOf(const QDate& day) const;

    // Copies the data file as it is now under the next free name of today and drops the
    // oldest copies beyond KeptCopies. Nothing when the data file does not exist yet.
    std::optional<BackupCopy> backUpNow();
    // The copy before the first change of a day: made only when today has none yet.
    std::optional<BackupCopy> backUpBeforeChange();

    // Backs up the data file as it is now, then replaces it by the copy, atomically. When the
    // current state cannot be backed up, the data file is left as it is. Gives the copy of the
    // state it replaced (nothing when the data file did not exist).
    std::optional<BackupCopy> restore(const BackupCopy& copy);

private:
    // backUpNow, keeping also the copy `alsoKeep` when the oldest copies are dropped.
    std::optional<BackupCopy> backUp(const QString& alsoKeep);
    void dropOldCopies(const QStringList& keep) const;

    QString dataFileName_;
};

// The number of class tests in a data file: the entries of every section but "Settings".
int countTestsInFile(const QString& fileName);
