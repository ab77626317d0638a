#include "backup/copyfiles.h"

#include "platform/apperror.h"
#include "platform/fileio.h"
#include "platform/regularfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString TemporaryPrefix = QStringLiteral(".zensoria-copy-");

QByteArray encoded(const QString& fileName) {
    return QFile::encodeName(fileName);
}

// "Die Sicherung <name> ...", or "Die Datei <name> ..." for the data file.
AppError readError(const QString& fileName, const QString& reason, bool copy = true) {
    return AppError(QStringLiteral("%1 %2 kann nicht gelesen werden: %3")
                        .arg(copy ? QStringLiteral("Die Sicherung") : QStringLiteral("Die Datei"),
                             fileName, reason));
}

AppError writeError(const QString& fileName, const QString& reason) {
    return AppError(
        QStringLiteral("Die Sicherung %1 kann nicht geschrieben werden: %2").arg(fileName, reason));
}

AppError folderError(const QString& folder, const QString& reason) {
    return AppError(
        QStringLiteral("Der Ordner %1 kann nicht angelegt werden: %2").arg(folder, reason));
}

// The bytes of a bounded read, or the error that tells why there are none.
QByteArray bytesOrError(BoundedRead read, const QString& fileName, bool copy) {
    switch (read.outcome) {
    case BoundedRead::Outcome::Read:
        break;
    case BoundedRead::Outcome::Failed:
        throw readError(fileName, systemErrorText(read.error), copy);
    case BoundedRead::Outcome::NotOwnRegularFile:
        throw readError(fileName,
                        QStringLiteral("Sie ist keine von diesem Programm angelegte Datei."), copy);
    case BoundedRead::Outcome::TooLarge:
        throw readError(fileName, QStringLiteral("Sie ist größer als eine Datendatei sein kann."),
                        copy);
    }
    return std::move(read.bytes);
}

bool isOwnRegular(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == geteuid();
}

} // namespace

QString systemErrorText(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("Der Datenträger ist voll.");
    case EDQUOT:
        return QStringLiteral("Der zugeteilte Speicherplatz ist erschöpft.");
    case EFBIG:
        return QStringLiteral("Die Datei wird zu groß.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Der Zugriff wurde verweigert.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOENT:
        return QStringLiteral("Die Datei oder der Ordner existiert nicht.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfades ist kein Ordner.");
    case EEXIST:
        return QStringLiteral("Unter diesem Namen gibt es schon einen Eintrag.");
    case ELOOP:
        return QStringLiteral("Der Name ist eine symbolische Verknüpfung.");
    case EIO:
        return QStringLiteral("Beim Zugriff auf den Datenträger ist ein Fehler aufgetreten.");
    default:
        return QStringLiteral("Systemfehler %1 (%2).")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

bool isOwnCopyFile(const QString& fileName, qint64* size) {
    struct stat info {};
    if (lstat(encoded(fileName).constData(), &info) != 0 || !isOwnRegular(info) ||
        info.st_size > MaximumCopySize)
        return false;
    if (size)
        *size = info.st_size;
    return true;
}

QByteArray readCopyFile(const QString& fileName) {
    return bytesOrError(readOwnFile(fileName, MaximumCopySize), fileName, true);
}

QByteArray readDataFileForCopy(const QString& fileName) {
    const Descriptor fd(open(encoded(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || fstat(fd.get(), &info) != 0)
        throw readError(fileName, systemErrorText(errno), false);
    if (!S_ISREG(info.st_mode))
        throw readError(fileName, QStringLiteral("Sie ist keine gewöhnliche Datei."), false);
    return bytesOrError(readToEnd(fd.get(), MaximumCopySize), fileName, false);
}

void makeCopyFolder(const QString& folder) {
    const QFileInfo parent(QFileInfo(folder).absolutePath());
    QDir().mkpath(parent.absoluteFilePath());
    if (mkdir(encoded(folder).constData(), 0700) != 0 && errno != EEXIST)
        throw folderError(folder, systemErrorText(errno));
    struct stat info {};
    if (lstat(encoded(folder).constData(), &info) != 0)
        throw folderError(folder, systemErrorText(errno));
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        throw folderError(folder, QStringLiteral("Unter diesem Namen gibt es schon einen "
                                                 "Eintrag, der kein eigener Ordner ist."));
}

bool writeNewCopyFile(const QString& fileName, const QByteArray& bytes) {
    const QFileInfo target(fileName);
    QByteArray temporary =
        encoded(target.absolutePath() + u'/' + TemporaryPrefix + QStringLiteral("XXXXXX"));
    // mkstemp creates the file exclusively (O_EXCL), so it never opens a planted link.
    Descriptor fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid())
        throw writeError(fileName, systemErrorText(errno));
    errno = 0;
    if (!writeAll(fd.get(), bytes.constData(), bytes.size(), 0) || fsync(fd.get()) != 0 ||
        !fd.close()) {
        // A write that came back short for good without an error: the disk is full.
        const int failure = errno != 0 ? errno : ENOSPC;
        unlink(temporary.constData());
        throw writeError(fileName, systemErrorText(failure));
    }
    // The name is given only where nothing has it: a dangling link named as the copy would
    // otherwise be followed to a file outside the folder.
    const QByteArray final = encoded(fileName);
    int result =
        renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, final.constData(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without that kind of rename: a hard link is made only where no entry is.
        result = link(temporary.constData(), final.constData());
        const int error = errno;
        unlink(temporary.constData());
        errno = error;
    }
    if (result == 0)
        return true;
    const int error = errno;
    unlink(temporary.constData());
    if (error == EEXIST)
        return false;
    throw writeError(fileName, systemErrorText(error));
}

void removeStaleCopyTemporaries(const QString& folder) {
    const QDir dir(folder);
    const qint64 hourAgo = QDateTime::currentSecsSinceEpoch() - 3600;
    for (const QString& name :
         dir.entryList({TemporaryPrefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden)) {
        struct stat info {};
        const QByteArray path = encoded(dir.filePath(name));
        if (lstat(path.constData(), &info) == 0 && isOwnRegular(info) && info.st_mtime < hourAgo)
            unlink(path.constData());
    }
}
