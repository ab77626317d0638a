#include "platform/regularfile.h"

#include "platform/apperror.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 nsPerSecond = 1'000'000'000;

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * nsPerSecond + time.tv_nsec;
}

qint64& fileTimeStep() {
    static qint64 step = 0;
    return step;
}

qint64 fileTime(const timespec& time) {
    const qint64 ns = nanoseconds(time);
    const qint64 step = fileTimeStep();
    return step > 1 ? ns - ns % step : ns;
}

FileStamp stampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = fileTime(info.st_mtim);
    stamp.changedNs = fileTime(info.st_ctim);
    return stamp;
}

void refuseSpecial(const QString& fileName, const struct stat& info) {
    if (!S_ISREG(info.st_mode))
        throw specialFileError(fileName, S_ISDIR(info.st_mode));
}

} // namespace

bool FileStamp::mayHideChangesAfter(qint64 lookNs) const {
    if (!exists)
        return false;
    // Times without a fraction of a second come from a coarse file system (FAT: two seconds).
    const qint64 step = modifiedNs % nsPerSecond == 0 ? 2 * nsPerSecond : 50 * (nsPerSecond / 1000);
    return lookNs - std::max(modifiedNs, changedNs) < step;
}

qint64 fileClockNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

FileStamp fileStamp(const QString& fileName) {
    struct stat info {};
    if (stat(QFile::encodeName(fileName).constData(), &info) != 0)
        return FileStamp();
    return stampOf(info);
}

FileStamp descriptorStamp(int fd) {
    struct stat info {};
    // A stamp that matches no file, so that the next look reads the file again.
    if (fstat(fd, &info) != 0)
        return FileStamp{true, 0, 0, -1, 0, 0};
    return stampOf(info);
}

void setFileTimeStepForTests(qint64 stepNs) {
    fileTimeStep() = stepNs;
}

FileContents readRegularFile(const QString& fileName) {
    FileContents contents;
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info {};
    if (stat(path.constData(), &info) != 0)
        return contents;
    // Looked at before opening: opening a device may do something by itself.
    refuseSpecial(fileName, info);
    // Without waiting, should a pipe have taken the file's place since.
    const int fd = open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return contents;
        contents.stamp = stampOf(info);
        contents.readable = false;
        return contents;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0) {
        close(fd);
        contents.stamp = stampOf(info);
        contents.readable = false;
        return contents;
    }
    if (!S_ISREG(opened.st_mode)) {
        close(fd);
        refuseSpecial(fileName, opened);
    }
    // The stamp before the bytes: a change while reading shows at the next look.
    contents.stamp = stampOf(opened);
    // One byte beyond the size, so that the read that finds the end needs no larger buffer: a
    // buffer twice the file's size would be kept for as long as the bytes are.
    QByteArray bytes(qsizetype(opened.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(std::max<qsizetype>(4096, bytes.size() * 2));
        const ssize_t got = read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            close(fd);
            contents.readable = false;
            return contents;
        }
        if (got == 0)
            break;
        filled += got;
    }
    close(fd);
    bytes.truncate(filled);
    contents.bytes = std::move(bytes);
    return contents;
}

void requireRegularFileOrNothing(const QString& fileName) {
    struct stat info {};
    if (stat(QFile::encodeName(fileName).constData(), &info) == 0)
        refuseSpecial(fileName, info);
}

AppError specialFileError(const QString& fileName, bool isFolder) {
    const QString name = QDir::toNativeSeparators(fileName);
    if (isFolder)
        return AppError(QStringLiteral("%1 ist ein Ordner und keine Datei.").arg(name));
    return AppError(
        QStringLiteral("%1 ist keine gewöhnliche Datei und kann nicht verwendet werden.")
            .arg(name));
}

BoundedRead readToEnd(int fd, qint64 maxBytes) {
    BoundedRead result;
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = errno;
            return result;
        }
        if (got == 0)
            break;
        if (bytes.size() + got > maxBytes) {
            result.outcome = BoundedRead::Outcome::TooLarge;
            return result;
        }
        bytes.append(buffer, got);
    }
    result.outcome = BoundedRead::Outcome::Read;
    result.bytes = std::move(bytes);
    return result;
}

BoundedRead readOwnFile(const QString& fileName, qint64 maxBytes) {
    const Descriptor fd(open(QFile::encodeName(fileName).constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    BoundedRead result;
    struct stat info {};
    // A link at the name fails the open with ELOOP.
    if (!fd.valid() || fstat(fd.get(), &info) != 0) {
        result.error = errno;
        return result;
    }
    if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        result.outcome = BoundedRead::Outcome::NotOwnRegularFile;
        return result;
    }
    if (info.st_size > maxBytes) {
        result.outcome = BoundedRead::Outcome::TooLarge;
        return result;
    }
    return readToEnd(fd.get(), maxBytes);
}
