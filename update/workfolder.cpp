#include "update/workfolder.h"

#include "platform/apperror.h"
#include "platform/privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QString UpdateWorkFolder::NamePrefix = QStringLiteral("zensoria-update-");

namespace {

AppError refused(const QString& folder) {
    return AppError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(folder));
}

QString lockPath(const QString& folder) {
    QString path = folder;
    while (path.endsWith(u'/'))
        path.chop(1);
    return path + QStringLiteral(".lock");
}

} // namespace

UpdateWorkFolder::UpdateWorkFolder(const QString& base) {
    if (!makePrivateFolder(base))
        throw refused(base);
    removeStale(base);
    // QTemporaryDir makes the folder with mode 0700 under a name no one else has.
    QTemporaryDir folder(QDir(base).filePath(NamePrefix + QStringLiteral("XXXXXX")));
    if (!folder.isValid())
        throw refused(base);
    folder.setAutoRemove(false);
    path_ = folder.path() + u'/';
    lock_ = std::make_unique<QLockFile>(lockPath(path_));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        QDir(path_).removeRecursively();
        throw refused(base);
    }
}

UpdateWorkFolder::~UpdateWorkFolder() {
    if (!kept_)
        QDir(path_).removeRecursively();
}

QString UpdateWorkFolder::newTempFile() const {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            path_ + u'$' + QString::number(QRandomGenerator::system()->generate() % 0x1000000, 16) +
            QStringLiteral(".tmp");
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            break;
    }
    throw refused(path_);
}

void UpdateWorkFolder::removeStale(const QString& base) {
    const QFileInfoList folders = QDir(base).entryInfoList(
        {NamePrefix + u'*'}, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders) {
        struct stat info;
        if (::lstat(QFile::encodeName(folder.filePath()).constData(), &info) != 0 ||
            !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        // A lock that can be taken has no living owner: that run has ended.
        QLockFile owner(lockPath(folder.filePath()));
        owner.setStaleLockTime(0);
        if (!owner.tryLock(0))
            continue;
        QDir(folder.filePath()).removeRecursively();
        owner.unlock();
    }
}
