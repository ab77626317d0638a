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
