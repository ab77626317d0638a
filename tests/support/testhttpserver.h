#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server for tests, on 127.0.0.1 with a port the system chooses. It lives in
// the thread that creates it and is served by that thread's event loop, so a client that blocks
// in a local event loop (QEventLoop, a modal dialog, QTest::qWait) is still answered. Every
// answer closes its connection ("Connection: close").
//
//     TestHttpServer server;
//     QVERIFY(server.listen());
//     server.serve("/Updates.ini", "[Zensoria]\r\nDate=09.08.2003\r\n");
//     server.serve("/Updates/Pultex.zip", TestHttpServer::Response::paced(archive, 1024, 50));
//     client.Host = server.hostAndPort();
//     ...
//     QCOMPARE(server.requestCount("/Updates/Pultex.zip"), 2);
//
// A path without an answer of its own is looked up in the folder given to serveFolder(), and
// otherwise answered with 404 and an HTML error page.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    // How one path is answered.
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/octet-stream";
        // Further header lines, each ending in "\r\n" ("Location: /x\r\n").
        QByteArray extraHeaders;
        // The body is sent in pieces of chunkSize bytes (0: all at once) with delayMs
        // milliseconds between them (and before the first one).
        int chunkSize = 0;
        int delayMs = 0;
        // Content-Length announced: -1 the body's real size; any other value is sent as it is
        // (a value above the body's size announces more than is sent).
        qint64 announcedLength = -1;
        // false: no Content-Length at all, the end of the body is the end of the connection.
        bool sendContentLength = true;
        // Sending stops after this many body bytes (-1: the whole body is sent).
        qint64 stopAfter = -1;
        // The body is sent again and again without end (at most 1 MiB waiting in the
        // connection at a time): a server whose answer never ends. Best without a length.
        bool endless = false;
        // After the body, or where sending stopped: false closes the connection, true keeps
        // it open without sending anything more (the client then waits for its time-out).
        bool holdOpen = false;

        // 200 with the given body.
        static Response ok(const QByteArray& body,
                           const QByteArray& contentType = "application/octet-stream");
        // 200 with the body sent in pieces of chunkSize bytes, delayMs milliseconds apart: a
        // transfer that arrives in several packets and takes its time.
        static Response paced(const QByteArray& body, int chunkSize, int delayMs);
        // The status with a small HTML error page as its body, as web servers answer.
        static Response error(int status);
    };

    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    // Starts listening on 127.0.0.1 with a free port. False if that failed.
    bool listen();
    // Stops listening and closes every open connection; later connections are refused.
    void close();
    bool isListening() const;
    quint16 port() const;
    // "127.0.0.1:<port>", what an HTTP client takes as its host.
    QString hostAndPort() const;
    // "http://127.0.0.1:<port>" + path.
    QString url(const QString& path) const;
    // A port on 127.0.0.1 on which nobody listens (taken from the system and given back at
    // once), for a client that is to find no server; 0 if none could be had.
    static quint16 unusedPort();

    // Answers GET path (the request target as sent, beginning with "/") with body and 200.
    void serve(const QString& path, const QByteArray& body);
    void serve(const QString& path, const Response& response);
    // Forgets the answer for path (it then comes from the folder or is a 404).
    void remove(const QString& path);
    // Serves the files below folder for paths without an answer of their own: "/a/b.zip" is
    // folder/a/b.zip. A path with "." or ".." segments is a 404.
    void serveFolder(const QString& folder);

    // Request targets received so far, in order (one per request, also for 404s).
    QStringList requests() const { return requests_; }
    int requestCount(const QString& path) const { return int(requests_.count(path)); }
    void clearRequests() { requests_.clear(); }
    // Connections currently open.
    int openConnections() const;

signals:
    // A complete request header has arrived for path.
    void requestReceived(const QString& path);

private:
    class Connection;
    void accept();
    void answer(Connection* connection, const QByteArray& method, const QString& path);
    Response responseFor(const QString& path) const;

    QTcpServer* server_;
    QHash<QString, Response> responses_;
    QString folder_;
    QStringList requests_;
    QSet<Connection*> connections_;
};
