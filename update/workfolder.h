#pragma once

#include <QString>

#include <memory>

class QLockFile;

// The private working folder of one update run: every file of the update (the copy of
// "Updates.ini", the archive, its signature, the unpacked files, "Update.bat") lives in it.
// It is made fresh for the run with mode 0700 below a folder of the user's own, so no other
// user can plant, replace or read anything in it, and it carries a random name, never a fixed
// one.
//
// While a run goes on, a lock file beside the folder names the process that owns it; a
// folder whose owner has gone (a run that was killed) is removed by the next run.
class UpdateWorkFolder {
public:
    // Makes the folder below base (created if missing; it must be a folder of this user, not a
    // link) and removes the stale folders of earlier runs there. Raises AppError "In <base>
    // kann nicht geschrieben werden" when that is not possible.
    explicit UpdateWorkFolder(const QString& base);
    // Removes the folder with everything in it, unless it was kept.
    ~UpdateWorkFolder();
    UpdateWorkFolder(const UpdateWorkFolder&) = delete;
    UpdateWorkFolder& operator=(const UpdateWorkFolder&) = delete;

    // The folder, ending in "/".
    const QString& path() const { return path_; }
    // The folder stays when this object goes: the installation script works in it and
    // removes it when it has finished.
    void keep() { kept_ = true; }

    // A new, empty file "$….tmp" in the folder, created exclusively; its path. Raises AppError
    // when it cannot be created.
    QString newTempFile() const;

    // The start of every working folder's name.
    static const QString NamePrefix;
    // Removes the working folders below base whose run has ended without removing them.
    static void removeStale(const QString& base);

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool kept_ = false;
};
