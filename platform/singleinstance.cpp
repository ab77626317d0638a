#include "platform/singleinstance.h"

#include "platform/privatefolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int ConnectTimeoutMs = 2000;
const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");

QString userName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QStringLiteral("user");
    return user;
}

// Lock file and socket live in the user's private folder, where no other user can put a file
// or socket of the same name first; their names keep to plain characters.
QString plainName(const QString& name) {
    QString plain = name + u'-' + userName();
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    plain.replace(unsafe, QStringLiteral("_"));
    return plain;
}

QString privatePath(const QString& name, const QString& suffix) {
    const QString folder = userPrivateFolder();
    makePrivateFolder(folder);
    QString path = folder + u'/' + plainName(name) + suffix;
    // A socket's path has room for about 100 bytes.
    if (QFile::encodeName(path).size() > 100)
        path = folder + u'/' +
               QString::fromLatin1(
                   QCryptographicHash::hash(plainName(name).toUtf8(), QCryptographicHash::Sha1)
                       .toHex()) +
               suffix;
    return path;
}

// The system's lock on the file, held while the returned descriptor stays open, and ended with
// the process that holds it. -1 when another process holds it (busy is then true) or when the
// file cannot be opened; a lock that cannot be had for another reason than its holder does not
// keep the program from running. A file removed or replaced by the instance that held it just
// before is not the name's file any more: its lock is let go, and the name's file is taken.
int takeLock(const QByteArray& path, bool& busy) {
    busy = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd;
        do
            fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return -1;
        int result;
        do
            result = ::flock(fd, LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            busy = errno == EWOULDBLOCK;
            ::close(fd);
            return -1;
        }
        struct stat locked, named;
        if (::fstat(fd, &locked) == 0 && ::lstat(path.constData(), &named) == 0 &&
            locked.st_dev == named.st_dev && locked.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
    return -1;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
    if (lockFd_ >= 0) {
        // Removed while still locked, so that no later instance locks the file on its way out.
        ::unlink(lockPath_.constData());
        ::close(lockFd_);
    }
}

QString SingleInstance::serverName(const QString& name) {
    return privatePath(name, QStringLiteral(".socket"));
}

QString SingleInstance::lockFilePath(const QString& name) {
    return privatePath(name, QStringLiteral(".lock"));
}

bool SingleInstance::claim() {
    if (server_)
        return true;
    bool busy = false;
    lockPath_ = QFile::encodeName(lockFilePath(name_));
    lockFd_ = takeLock(lockPath_, busy);
    if (busy) {
        QLocalSocket socket;
        socket.connectToServer(serverName(name_));
        if (socket.waitForConnected(ConnectTimeoutMs)) {
            socket.write(RaiseRequest);
            socket.waitForBytesWritten(ConnectTimeoutMs);
            socket.disconnectFromServer();
        }
        return false;
    }
    // A crashed instance leaves its socket behind; listen() would fail on it. The socket lies
    // in the user's private folder, so no other user can reach it whatever its own mode.
    QLocalServer::removeServer(serverName(name_));
    server_ = new QLocalServer(this);
    server_->listen(serverName(name_));
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
    return true;
}

void SingleInstance::readRequest() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (socket->canReadLine() && socket->readLine() == RaiseRequest)
                emit raiseRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}
