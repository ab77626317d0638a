#include "platform/atomicfile.h"

#include "platform/apperror.h"
#include "platform/fileio.h"
#include "platform/writejournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A stamp that no file has, so that the next look reads the file again.
FileStamp unknownStamp() {
    return FileStamp{true, 0, 0, -1, 0, 0};
}

// The file that a write of fileName changes: a symbolic link's final target.
QString writeTarget(const QString& fileName) {
    QString target = QFileInfo(fileName).absoluteFilePath();
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

// Temporary files of this program's writes of a file: ".<name>.zensoria-<pid>.tmp". Long
// names are shortened so that the whole name stays within the file system's limit.
QString temporaryPrefix(const QString& baseName) {
    QString base = baseName;
    while (QFile::encodeName(base).size() > 200)
        base.chop(1);
    return u'.' + base + QStringLiteral(".zensoria-");
}

const QLatin1String temporarySuffix(".tmp");

// Removes what killed writes of the file left: temporary files whose process has ended (or
// is this one, which writes one file at a time).
void removeLeftovers(const QString& folder, const QString& prefix) {
    const QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!name.startsWith(prefix) || !name.endsWith(temporarySuffix))
            continue;
        QStringView digits =
            QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - 4);
        // "<pid>" or "<pid>-<random hex>".
        if (const qsizetype dash = digits.indexOf(u'-'); dash >= 0) {
            const QStringView random = digits.sliced(dash + 1);
            bool hex = !random.isEmpty() && random.size() <= 8;
            for (const QChar c : random)
                hex = hex && ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'));
            if (!hex)
                continue;
            digits = digits.first(dash);
        }
        bool number = !digits.isEmpty() && digits.size() <= 9;
        for (const QChar c : digits)
            number = number && c >= u'0' && c <= u'9';
        if (!number)
            continue;
        const pid_t pid = pid_t(digits.toInt());
        if (pid != getpid() && (pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH))
            continue;
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        struct stat info {};
        if (lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            unlink(path.constData());
    }
}

// Writes the file in place: for a folder that refuses new files, or a file that the process may
// write but not give its owner and group. The old and new contents go into the write's journal
// first, so that a write cut off at any moment is put right at the next look at the file; a step
// that fails puts the old contents back.
FileStamp writeInPlace(const QString& target, const QByteArray& data, const AppError& refused) {
    Descriptor file(
        open(QFile::encodeName(target).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw refused;
    QByteArray old;
    if (!readAll(file.get(), old, qsizetype(info.st_size)))
        throw refused;
    WriteJournal journal(target);
    if (!journal.begin(old, data))
        throw refused;
    const int fd = file.get();
    const auto restore = [&] {
        writeAll(fd, old.constData(), old.size(), 0);
        if (ftruncate(fd, off_t(old.size())) == 0 && fsync(fd) == 0)
            journal.end();
        return refused;
    };
    // Reserving the new size first makes a full disk or a size limit show before any byte of
    // the old contents is overwritten.
    if (data.size() > old.size() && posix_fallocate(fd, 0, off_t(data.size())) != 0) {
        if (ftruncate(fd, off_t(old.size())) == 0)
            journal.end();
        throw refused;
    }
    if (!writeAll(fd, data.constData(), data.size(), 0))
        throw restore();
    if (ftruncate(fd, off_t(data.size())) != 0 || fsync(fd) != 0)
        throw restore();
    QByteArray check;
    if (!readAll(fd, check, data.size()) || check != data)
        throw restore();
    const FileStamp stamp = descriptorStamp(fd);
    if (!file.close())
        throw restore();
    journal.end();
    return stamp;
}

// Makes the temporary file of a write beside the file, never through a link or into a pipe
// that someone put at its name: the usual name first, then names with a random part.
int createTemporary(const QString& folder, const QString& prefix, QByteArray& path) {
    const QString base = folder + u'/' + prefix + QString::number(getpid());
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString suffix =
            attempt == 0 ? QString()
                         : u'-' + QString::number(QRandomGenerator::system()->generate(), 16);
        path = QFile::encodeName(base + suffix + temporarySuffix);
        const int fd =
            open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

AppError writeRefused(const QString& fileName) {
    return AppError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
}

void recoverInterruptedWrite(const QString& fileName) {
    WriteJournal(writeTarget(fileName)).recover();
}

FileStamp writeFileAtomically(const QString& fileName, const QByteArray& data) {
    const AppError refused = writeRefused(fileName);
    const QString target = writeTarget(fileName);
    // A write in place cut off before is put right first: the old contents read below must be
    // a whole version.
    WriteJournal(target).recover();
    const QByteArray targetPath = QFile::encodeName(target);
    struct stat existing {};
    const bool exists = stat(targetPath.constData(), &existing) == 0;
    // A folder, device or pipe would be replaced by a regular file.
    if (exists && !S_ISREG(existing.st_mode))
        throw refused;
    // A read-only file would be replaced by the rename, since the folder is writable; the user
    // made it read-only to keep it as it is. The write bits count as well, since root may
    // write any file.
    if (exists && (access(targetPath.constData(), W_OK) != 0 || !(existing.st_mode & 0222)))
        throw refused;

    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    const QString prefix = temporaryPrefix(targetInfo.fileName());
    removeLeftovers(folder, prefix);

    QByteArray temporaryPath;
    Descriptor file(createTemporary(folder, prefix, temporaryPath));
    if (!file.valid()) {
        if (exists && (errno == EACCES || errno == EPERM || errno == EROFS))
            return writeInPlace(target, data, refused);
        throw refused;
    }
    const auto discard = [&] {
        unlink(temporaryPath.constData());
        return refused;
    };
    // The new file keeps the owner, group and mode of the old one. Where the process may not
    // give it them (another user's file, a group it is not in), the file is written in place
    // rather than taken over.
    if (exists) {
        struct stat created {};
        if (fstat(file.get(), &created) != 0)
            throw discard();
        if ((created.st_uid != existing.st_uid || created.st_gid != existing.st_gid) &&
            fchown(file.get(), existing.st_uid, existing.st_gid) != 0) {
            file.close();
            unlink(temporaryPath.constData());
            return writeInPlace(target, data, refused);
        }
        if (fchmod(file.get(), existing.st_mode & 07777) != 0)
            throw discard();
    }
    // With a full disk or a file-size limit a write comes back short or fails: then the old
    // file is kept.
    if (!writeAll(file.get(), data.constData(), data.size(), 0))
        throw discard();
    // On the disk before the rename, so that a crash never leaves an empty new file.
    if (fsync(file.get()) != 0)
        throw discard();
    const FileStamp written = descriptorStamp(file.get());
    if (!file.close())
        throw discard();
    if (rename(temporaryPath.constData(), targetPath.constData()) != 0)
        throw discard();
    // The rename itself on the disk.
    Descriptor directory(open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC));
    if (directory.valid())
        fsync(directory.get());

    // The file as it is now, unless someone replaced it since the rename.
    const FileStamp now = fileStamp(target);
    if (now.exists && now.device == written.device && now.inode == written.inode)
        return now;
    return unknownStamp();
}
