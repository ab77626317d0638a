#include "update/freshfile.h"

#include "platform/apperror.h"
#include "platform/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int createExclusively(const QByteArray& path) {
    int fd;
    do {
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

FreshFile::FreshFile(QString target) : target_(std::move(target)) {}

FreshFile::~FreshFile() {
    if (fd_ >= 0 && !published_)
        discard();
    else if (fd_ >= 0)
        ::close(fd_);
}

bool FreshFile::open() {
    if (fd_ >= 0 || target_.isEmpty())
        return false;
    const QFileInfo info(target_);
    const QString folder = info.path() + u'/';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = folder + u'.' + info.fileName() + u'.' +
                                  QString::number(QRandomGenerator::system()->generate64(), 36) +
                                  QStringLiteral(".new");
        fd_ = createExclusively(QFile::encodeName(candidate));
        if (fd_ >= 0) {
            current_ = candidate;
            size_ = 0;
            published_ = false;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool FreshFile::write(const char* data, qint64 size) {
    if (fd_ < 0 || !writeAll(fd_, data, size, size_))
        return false;
    size_ += size;
    return true;
}

bool FreshFile::publish() {
    if (fd_ < 0)
        return false;
    if (published_)
        return true;
    if (::rename(QFile::encodeName(current_).constData(), QFile::encodeName(target_).constData()) !=
        0)
        return false;
    current_ = target_;
    published_ = true;
    return true;
}

bool FreshFile::close() {
    if (fd_ < 0)
        return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
}

void FreshFile::discard() {
    if (!current_.isEmpty() && (fd_ >= 0 || published_))
        ::unlink(QFile::encodeName(current_).constData());
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    current_.clear();
    published_ = false;
}

void writeFreshFile(const QString& fileName, QByteArrayView bytes) {
    FreshFile file(fileName);
    if (!file.open() || !file.write(bytes) || !file.publish() || !file.close()) {
        file.discard();
        throw AppError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
    }
}

std::optional<QByteArray> readOwnFile(const QString& fileName, qint64 maxBytes) {
    const QByteArray path = QFile::encodeName(fileName);
    struct stat named;
    if (::lstat(path.constData(), &named) != 0 || !S_ISREG(named.st_mode) ||
        named.st_size > maxBytes)
        return std::nullopt;
    int fd;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    struct stat opened;
    // The name may have been given to another file between the look and the open.
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != named.st_ino ||
        opened.st_dev != named.st_dev) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || bytes.size() + n > maxBytes) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}
