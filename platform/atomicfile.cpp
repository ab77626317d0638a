#include "platform/atomicfile.h"

#include "platform/apperror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes its descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and tells whether the last writes were accepted.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const char* data, qsizetype size, off_t offset) {
    while (size > 0) {
        const ssize_t written = pwrite(fd, data, size_t(size), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

bool readAll(int fd, QByteArray& bytes, qsizetype size) {
    bytes.resize(size);
    qsizetype filled = 0;
    while (filled < size) {
        const ssize_t got = pread(fd, bytes.data() + filled, size_t(size - filled), filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        filled += got;
    }
    return true;
}

FileStamp stampOfDescriptor(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return FileStamp{true, 0, 0, -1, 0, 0};
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec;
    return stamp;
}

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
        const QStringView digits =
            QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - 4);
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

// Writes the file in place: for a folder that refuses new files. The old contents are kept in
// memory and put back when a step fails.
FileStamp writeInPlace(const QString& target, const QByteArray& data, const AppError& refused) {
    Descriptor file(open(QFile::encodeName(target).constData(), O_RDWR | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw refused;
    QByteArray old;
    if (!readAll(file.get(), old, qsizetype(info.st_size)))
        throw refused;
    const int fd = file.get();
    const auto restore = [&] {
        writeAll(fd, old.constData(), old.size(), 0);
        if (ftruncate(fd, off_t(old.size())) == 0)
            fsync(fd);
        return refused;
    };
    // Reserving the new size first makes a full disk or a size limit show before any byte of
    // the old contents is overwritten.
    if (data.size() > old.size() && posix_fallocate(fd, 0, off_t(data.size())) != 0) {
        if (ftruncate(fd, off_t(old.size())) != 0) {
            // Nothing was overwritten; the file may only have grown.
        }
        throw refused;
    }
    if (!writeAll(fd, data.constData(), data.size(), 0))
        throw restore();
    if (ftruncate(fd, off_t(data.size())) != 0 || fsync(fd) != 0)
        throw restore();
    QByteArray check;
    if (!readAll(fd, check, data.size()) || check != data)
        throw restore();
    const FileStamp stamp = stampOfDescriptor(fd);
    if (!file.close())
        throw restore();
    return stamp;
}

} // namespace

AppError writeRefused(const QString& fileName) {
    return AppError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
}

FileStamp writeFileAtomically(const QString& fileName, const QByteArray& data) {
    const AppError refused = writeRefused(fileName);
    const QString target = writeTarget(fileName);
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

    const QString temporary = folder + u'/' + prefix + QString::number(getpid()) + temporarySuffix;
    const QByteArray temporaryPath = QFile::encodeName(temporary);
    Descriptor file(open(temporaryPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file.valid()) {
        if (exists && (errno == EACCES || errno == EPERM || errno == EROFS))
            return writeInPlace(target, data, refused);
        throw refused;
    }
    const auto discard = [&] {
        unlink(temporaryPath.constData());
        return refused;
    };
    // With a full disk or a file-size limit a write comes back short or fails: then the old
    // file is kept.
    if (!writeAll(file.get(), data.constData(), data.size(), 0))
        throw discard();
    if (exists && fchmod(file.get(), existing.st_mode & 07777) != 0)
        throw discard();
    // On the disk before the rename, so that a crash never leaves an empty new file.
    if (fsync(file.get()) != 0)
        throw discard();
    const FileStamp written = stampOfDescriptor(file.get());
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
