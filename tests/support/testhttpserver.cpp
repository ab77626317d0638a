#include "testhttpserver.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// Requests are small; a header beyond this is answered with 400.
constexpr qsizetype MaxHeaderSize = 16 * 1024;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

// One accepted connection: reads one request header, then sends its answer as the Response
// asks, piece by piece on timers, and ends by closing (or holding) the connection.
class TestHttpServer::Connection : public QObject {
public:
    Connection(TestHttpServer* server, QTcpSocket* socket)
        : QObject(server), server_(server), socket_(socket) {
        socket_->setParent(this);
        server_->connections_.insert(this);
        QObject::connect(socket_, &QTcpSocket::readyRead, this, [this] { read(); });
        QObject::connect(socket_, &QTcpSocket::disconnected, this, [this] { deleteLater(); });
        QObject::connect(socket_, &QTcpSocket::errorOccurred, this,
                         [this](QAbstractSocket::SocketError) { deleteLater(); });
    }
    ~Connection() override { server_->connections_.remove(this); }

    void send(const Response& response) {
        response_ = response;
        limit_ = response.body.size();
        if (response.stopAfter >= 0)
            limit_ = std::min(limit_, response.stopAfter);
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                          reasonPhrase(response.status) + "\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        if (response.sendContentLength) {
            const qint64 length =
                response.announcedLength >= 0 ? response.announcedLength : response.body.size();
            head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        }
        head += response.extraHeaders;
        head += "Connection: close\r\n\r\n";
        socket_->write(head);
        scheduleNext();
    }

private:
    void read() {
        if (answered_) {
            socket_->readAll();
            return;
        }
        header_ += socket_->readAll();
        const qsizetype end = header_.indexOf("\r\n\r\n");
        if (end < 0) {
            if (header_.size() > MaxHeaderSize) {
                answered_ = true;
                send(Response::error(400));
            }
            return;
        }
        answered_ = true;
        const QByteArray requestLine = header_.left(header_.indexOf("\r\n"));
        const QList<QByteArray> parts = requestLine.split(' ');
        if (parts.size() != 3 || !parts.at(2).startsWith("HTTP/1.")) {
            send(Response::error(400));
            return;
        }
        server_->answer(this, parts.at(0), QString::fromLatin1(parts.at(1)));
    }

    void scheduleNext() {
        if (response_.delayMs > 0)
            QTimer::singleShot(response_.delayMs, this, [this] { sendNext(); });
        else
            QTimer::singleShot(0, this, [this] { sendNext(); });
    }

    void sendNext() {
        if (socket_->state() != QAbstractSocket::ConnectedState)
            return;
        if (response_.endless && !response_.body.isEmpty()) {
            // What the client has not taken yet stays in the connection, not in memory.
            if (socket_->bytesToWrite() <= 1024 * 1024)
                socket_->write(response_.chunkSize > 0 ? response_.body.left(response_.chunkSize)
                                                       : response_.body);
            QTimer::singleShot(std::max(response_.delayMs, 1), this, [this] { sendNext(); });
            return;
        }
        if (offset_ < limit_) {
            const qint64 piece = response_.chunkSize > 0
                                     ? std::min<qint64>(response_.chunkSize, limit_ - offset_)
                                     : limit_ - offset_;
            socket_->write(response_.body.mid(offset_, piece));
            offset_ += piece;
            if (offset_ < limit_) {
                scheduleNext();
                return;
            }
        }
        if (!response_.holdOpen)
            socket_->disconnectFromHost(); // sends what is still buffered first
    }

    TestHttpServer* server_;
    QTcpSocket* socket_;
    QByteArray header_;
    bool answered_ = false;
    Response response_;
    qint64 limit_ = 0;
    qint64 offset_ = 0;
};

TestHttpServer::Response TestHttpServer::Response::ok(const QByteArray& body,
                                                      const QByteArray& contentType) {
    Response response;
    response.body = body;
    response.contentType = contentType;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::paced(const QByteArray& body, int chunkSize,
                                                         int delayMs) {
    Response response = ok(body);
    response.chunkSize = chunkSize;
    response.delayMs = delayMs;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::error(int status) {
    Response response;
    response.status = status;
    response.contentType = "text/html; charset=iso-8859-1";
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    response.body = "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n<title>" +
                    title + "</title>\n</head><body>\n<h1>" + reasonPhrase(status) +
                    "</h1>\n<p>The requested URL could not be served.</p>\n</body></html>\n";
    return response;
}

TestHttpServer::TestHttpServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &TestHttpServer::accept);
}

TestHttpServer::~TestHttpServer() {
    close();
}

bool TestHttpServer::listen() {
    return server_->isListening() || server_->listen(QHostAddress::LocalHost, 0);
}

void TestHttpServer::close() {
    server_->close();
    const QSet<Connection*> open = connections_;
    qDeleteAll(open);
}

bool TestHttpServer::isListening() const {
    return server_->isListening();
}

quint16 TestHttpServer::port() const {
    return server_->serverPort();
}

QString TestHttpServer::hostAndPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QString TestHttpServer::url(const QString& path) const {
    return QStringLiteral("http://") + hostAndPort() + path;
}

quint16 TestHttpServer::unusedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void TestHttpServer::serve(const QString& path, const QByteArray& body) {
    serve(path, Response::ok(body));
}

void TestHttpServer::serve(const QString& path, const Response& response) {
    responses_.insert(path, response);
}

void TestHttpServer::remove(const QString& path) {
    responses_.remove(path);
}

void TestHttpServer::serveFolder(const QString& folder) {
    folder_ = folder;
}

int TestHttpServer::openConnections() const {
    return int(connections_.size());
}

void TestHttpServer::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection())
        new Connection(this, socket);
}

void TestHttpServer::answer(Connection* connection, const QByteArray& method, const QString& path) {
    requests_.append(path);
    emit requestReceived(path);
    if (method != "GET") {
        connection->send(Response::error(405));
        return;
    }
    connection->send(responseFor(path));
}

TestHttpServer::Response TestHttpServer::responseFor(const QString& path) const {
    const auto found = responses_.constFind(path);
    if (found != responses_.constEnd())
        return *found;
    if (folder_.isEmpty() || !path.startsWith(u'/'))
        return Response::error(404);
    const QString decoded = QUrl::fromPercentEncoding(path.section(u'?', 0, 0).mid(1).toLatin1());
    const QStringList segments = decoded.split(u'/');
    for (const QString& segment : segments) {
        if (segment.isEmpty() || segment == u"." || segment == u"..")
            return Response::error(404);
    }
    QFile file(folder_ + u'/' + decoded);
    if (!file.open(QIODevice::ReadOnly))
        return Response::error(404);
    return Response::ok(file.readAll());
}
