#include "platform/singleinstance.h"

#include "platform/privatefolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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
    for (QChar& c : plain) {
        const char16_t u = c.unicode();
        if (!((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
              u == u'_' || u == u'.' || u == u'-'))
            c = u'_';
    }
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
// keep the program from running. The file stays when the lock ends: removing it could let a
// later instance lock a new file of the same name while an earlier one still holds the old.
int takeLock(const QString& fileName, bool& busy) {
    busy = false;
    const QByteArray path = QFile::encodeName(fileName);
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
    if (result == 0)
        return fd;
    busy = errno == EWOULDBLOCK;
    ::close(fd);
    return -1;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
    if (lockFd_ >= 0)
        ::close(lockFd_);
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
    lockFd_ = takeLock(lockFilePath(name_), busy);
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
