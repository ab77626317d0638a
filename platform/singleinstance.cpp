#include "platform/singleinstance.h"

#include "platform/privatefolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>

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

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
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
    auto lock = std::make_unique<QLockFile>(lockFilePath(name_));
    // Age alone never makes a lock stale; a lock whose process is gone always is.
    lock->setStaleLockTime(0);
    if (!lock->tryLock()) {
        QLocalSocket socket;
        socket.connectToServer(serverName(name_));
        if (socket.waitForConnected(ConnectTimeoutMs)) {
            socket.write(RaiseRequest);
            socket.waitForBytesWritten(ConnectTimeoutMs);
            socket.disconnectFromServer();
        }
        return false;
    }
    lock_ = std::move(lock);
    // A crashed instance leaves its socket behind; listen() would fail on it.
    QLocalServer::removeServer(serverName(name_));
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
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
