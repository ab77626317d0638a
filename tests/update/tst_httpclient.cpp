// The update's HTTP client against a real HTTP server on 127.0.0.1: blocking GET with a local
// event loop, body written as it arrives, progress, abort, time-out, every way a transfer can
// end incomplete, and handlers that enter the client again during a transfer.

#include "support/testfiles.h"
#include "support/testhttpserver.h"
#include "update/httpclient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include <memory>

Q_DECLARE_METATYPE(HttpClient::Outcome)
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

#ifdef __SANITIZE_ADDRESS__
// Freed memory goes back at once instead of into the sanitizer's quarantine, so that the
// process's peak memory shows what the program holds.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=1:thread_local_quarantine_size_kb=64";
}
#endif

// The most memory this process has held so far (VmHWM), in KiB.
qint64 peakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

const QString ArchivePath = QStringLiteral("/Updates/Pultex.zip");
const QString IniPath = QStringLiteral("/Updates.ini");

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(4711);
    for (char& c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

// The server's raw answer to a GET of path, read with a plain socket.
QByteArray rawAnswer(const TestHttpServer& server, const QByteArray& path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 5000) {
        QTest::qWait(10);
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

} // namespace

class tst_HttpClient : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void testServerSendsWhatItIsTold();
    void completedDownloadThroughHostWithPort();
    void blockingGetKeepsEventsRunningAndWritesAsDataArrives();
    void progressWithAndWithoutAnnouncedTotal();
    void abortFromProgressEventReturnsSoon();
    void incompleteTransfers_data();
    void incompleteTransfers();
    void silenceEndsAsTimedOutButSlowSteadyTransferDoesNot();
    void answersAreBounded_data();
    void answersAreBounded();
    void noServerIsAConnectionFailure();
    void bodyThatCannotBeWritten();
    void reentrantGetIsRefusedAndClientStaysUsable();
    void clientDestroyedDuringItsOwnTransfer();

private:
    QString url(const QString& path) const {
        return QStringLiteral("http://") + client_->Host + path;
    }

    std::unique_ptr<TestHttpServer> server_;
    std::unique_ptr<HttpClient> client_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString body_;
};

void tst_HttpClient::init() {
    server_ = std::make_unique<TestHttpServer>();
    QVERIFY(server_->listen());
    client_ = std::make_unique<HttpClient>();
    client_->Host = server_->hostAndPort();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    body_ = dir_->filePath(QStringLiteral("Pultex.zip"));
    client_->Body = body_;
}

void tst_HttpClient::cleanup() {
    client_.reset();
    server_.reset();
    dir_.reset();
}

void tst_HttpClient::testServerSendsWhatItIsTold() {
    QVERIFY(server_->hostAndPort().startsWith(QStringLiteral("127.0.0.1:")));
    QVERIFY(server_->port() != 0);

    TestHttpServer::Response noLength = TestHttpServer::Response::ok("abcdef");
    noLength.sendContentLength = false;
    server_->serve(QStringLiteral("/nolength"), noLength);
    const QByteArray a = rawAnswer(*server_, "/nolength");
    QVERIFY2(a.startsWith("HTTP/1.1 200 OK\r\n"), a.constData());
    QVERIFY(!a.contains("Content-Length"));
    QVERIFY(a.endsWith("\r\n\r\nabcdef"));

    TestHttpServer::Response lie = TestHttpServer::Response::ok("abcdef");
    lie.announcedLength = 100;
    lie.stopAfter = 4;
    server_->serve(QStringLiteral("/lie"), lie);
    const QByteArray b = rawAnswer(*server_, "/lie");
    QVERIFY(b.contains("Content-Length: 100\r\n"));
    QVERIFY(b.endsWith("\r\n\r\nabcd"));

    const QByteArray missing = rawAnswer(*server_, "/nothing/here");
    QVERIFY(missing.startsWith("HTTP/1.1 404 Not Found\r\n"));
    QVERIFY(missing.contains("<html>"));

    // Files of a folder, but nothing outside it.
    QDir(dir_->path()).mkpath(QStringLiteral("www/Updates"));
    QFile file(dir_->filePath(QStringLiteral("www/Updates/a.zip")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("ZIPDATA");
    file.close();
    QFile secret(dir_->filePath(QStringLiteral("secret")));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("SECRET");
    secret.close();
    server_->serveFolder(dir_->filePath(QStringLiteral("www")));
    QVERIFY(rawAnswer(*server_, "/Updates/a.zip").endsWith("\r\n\r\nZIPDATA"));
    QVERIFY(rawAnswer(*server_, "/Updates/../../secret").startsWith("HTTP/1.1 404"));
    QVERIFY(rawAnswer(*server_, "/%2e%2e/secret").startsWith("HTTP/1.1 404"));

    QCOMPARE(server_->requests(),
             QStringList({"/nolength", "/lie", "/nothing/here", "/Updates/a.zip",
                          "/Updates/../../secret", "/%2e%2e/secret"}));
    QTRY_COMPARE(server_->openConnections(), 0);
}

void tst_HttpClient::completedDownloadThroughHostWithPort() {
    const QByteArray archive = randomBytes(300 * 1024 + 17);
    server_->serve(ArchivePath, archive);
    // What an earlier transfer left in the file is replaced, not appended to.
    QFile old(body_);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(400 * 1024, 'x'));
    old.close();
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    QSignalSpy connectionFailures(client_.get(), &HttpClient::OnConnectionFailed);

    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::Completed);
    QCOMPARE(readBytes(body_), archive);
    QCOMPARE(client_->total(), archive.size());
    QCOMPARE(client_->received(), archive.size());
    QVERIFY(client_->lastError().isEmpty());
    QVERIFY(!client_->running());
    QCOMPARE(failures.count(), 0);
    QCOMPARE(connectionFailures.count(), 0);
    QCOMPARE(server_->requests(), QStringList{ArchivePath});

    // An empty body is a completed transfer of an empty file.
    server_->serve(QStringLiteral("/leer"), QByteArray());
    QCOMPARE(client_->Get(url(QStringLiteral("/leer"))), HttpClient::Outcome::Completed);
    QCOMPARE(QFileInfo(body_).size(), 0);
}

void tst_HttpClient::blockingGetKeepsEventsRunningAndWritesAsDataArrives() {
    const QByteArray archive = randomBytes(8 * 4096);
    server_->serve(ArchivePath, TestHttpServer::Response::paced(archive, 4096, 40));

    // A timer of the caller's thread fires while Get is still on the stack.
    int timerTicks = 0;
    bool tickedWhileRunning = false;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] {
        ++timerTicks;
        tickedWhileRunning = tickedWhileRunning || client_->running();
    });
    timer.start(10);

    QList<qint64> sizesSeen;
    connect(client_.get(), &HttpClient::OnPacketRecvd, this,
            [&](qint64, qint64) { sizesSeen.append(QFileInfo(body_).size()); });

    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::Completed);
    timer.stop();
    QVERIFY(tickedWhileRunning);
    QVERIFY2(timerTicks >= 5, qPrintable(QString::number(timerTicks)));
    QCOMPARE(readBytes(body_), archive);
    // The file grew during the transfer, not only at its end.
    const bool partSeen = std::any_of(sizesSeen.cbegin(), sizesSeen.cend(), [&](qint64 size) {
        return size > 0 && size < archive.size();
    });
    QVERIFY2(partSeen, qPrintable(QString::number(sizesSeen.size())));
}

void tst_HttpClient::progressWithAndWithoutAnnouncedTotal() {
    const QByteArray archive = randomBytes(5 * 1000);
    TestHttpServer::Response announced = TestHttpServer::Response::paced(archive, 1000, 20);
    server_->serve(QStringLiteral("/mit"), announced);
    TestHttpServer::Response unannounced = announced;
    unannounced.sendContentLength = false;
    server_->serve(QStringLiteral("/ohne"), unannounced);

    for (const bool withLength : {true, false}) {
        QList<QPair<qint64, qint64>> events;
        const QMetaObject::Connection connection = connect(
            client_.get(), &HttpClient::OnPacketRecvd, this, [&](qint64 total, qint64 received) {
                events.append({total, received});
            });
        const QString path = withLength ? QStringLiteral("/mit") : QStringLiteral("/ohne");
        QCOMPARE(client_->Get(url(path)), HttpClient::Outcome::Completed);
        disconnect(connection);
        QCOMPARE(readBytes(body_), archive);
        QVERIFY(events.size() >= 2);
        qint64 last = 0;
        for (const auto& [total, received] : events) {
            QCOMPARE(total, withLength ? archive.size() : 0);
            QVERIFY(received >= last);
            last = received;
        }
        QCOMPARE(last, archive.size());
        QCOMPARE(client_->total(), withLength ? archive.size() : 0);
    }
}

void tst_HttpClient::abortFromProgressEventReturnsSoon() {
    // At this pace the whole body would take 10 seconds.
    const QByteArray archive = randomBytes(100 * 1000);
    server_->serve(ArchivePath, TestHttpServer::Response::paced(archive, 1000, 100));
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    int eventsAfterAbort = 0;
    bool aborted = false;
    connect(client_.get(), &HttpClient::OnPacketRecvd, this, [&](qint64, qint64 received) {
        if (aborted)
            ++eventsAfterAbort;
        if (received >= 2000 && !aborted) {
            aborted = true;
            client_->Abort();
            client_->Abort(); // a second request changes nothing
        }
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::Aborted);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(aborted);
    QCOMPARE(eventsAfterAbort, 0);
    QCOMPARE(failures.count(), 0);
    QVERIFY(!client_->running());
    QVERIFY(QFileInfo(body_).size() < archive.size());
    // The connection is really given up, the server stops sending.
    QTRY_COMPARE(server_->openConnections(), 0);
    client_->Abort(); // idle: nothing happens

    // The same URL into the same file again, this time to the end.
    server_->serve(ArchivePath, archive);
    QObject::disconnect(client_.get(), &HttpClient::OnPacketRecvd, this, nullptr);
    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::Completed);
    QCOMPARE(readBytes(body_), archive);
    QCOMPARE(server_->requestCount(ArchivePath), 2);
}

void tst_HttpClient::incompleteTransfers_data() {
    QTest::addColumn<TestHttpServer::Response>("response");
    QTest::addColumn<HttpClient::Outcome>("outcome");
    QTest::addColumn<QByteArray>("bodyStart");

    const QByteArray archive = randomBytes(64 * 1024);
    QTest::newRow("404 with error page")
        << TestHttpServer::Response::error(404) << HttpClient::Outcome::HttpError
        << QByteArray("<!DOCTYPE");
    QTest::newRow("500 with error page")
        << TestHttpServer::Response::error(500) << HttpClient::Outcome::HttpError
        << QByteArray("<!DOCTYPE");
    TestHttpServer::Response redirect = TestHttpServer::Response::error(302);
    redirect.extraHeaders = "Location: /anderswo.zip\r\n";
    QTest::newRow("redirect is not followed")
        << redirect << HttpClient::Outcome::HttpError << QByteArray("<!DOCTYPE");
    TestHttpServer::Response cut = TestHttpServer::Response::paced(archive, 8 * 1024, 5);
    cut.stopAfter = 20 * 1024;
    QTest::newRow("connection closed mid-body")
        << cut << HttpClient::Outcome::Incomplete << archive.left(100);
    TestHttpServer::Response lie = TestHttpServer::Response::ok(archive);
    lie.announcedLength = archive.size() + 1;
    QTest::newRow("one byte fewer than announced")
        << lie << HttpClient::Outcome::Incomplete << archive.left(100);
    TestHttpServer::Response nothing = TestHttpServer::Response::ok(archive);
    nothing.stopAfter = 0;
    QTest::newRow("closed before the body")
        << nothing << HttpClient::Outcome::Incomplete << QByteArray();
}

void tst_HttpClient::incompleteTransfers() {
    QFETCH(TestHttpServer::Response, response);
    QFETCH(HttpClient::Outcome, outcome);
    QFETCH(QByteArray, bodyStart);
    server_->serve(ArchivePath, response);
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    QSignalSpy connectionFailures(client_.get(), &HttpClient::OnConnectionFailed);

    QCOMPARE(client_->Get(url(ArchivePath)), outcome);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.at(0).at(0).toInt(), HttpClient::GetRequest);
    QCOMPARE(connectionFailures.count(), 0);
    QVERIFY(!client_->lastError().isEmpty());
    QVERIFY(!client_->running());
    // What did arrive is in the file, for the caller to read or delete.
    QVERIFY(readBytes(body_).startsWith(bodyStart));
    QCOMPARE(server_->requests(), QStringList{ArchivePath});
}

void tst_HttpClient::silenceEndsAsTimedOutButSlowSteadyTransferDoesNot() {
    client_->TimeOut = 300;
    const QByteArray archive = randomBytes(20 * 1000);

    // Headers and a part of the body, then nothing while the connection stays open.
    TestHttpServer::Response stall = TestHttpServer::Response::ok(archive);
    stall.stopAfter = 5000;
    stall.holdOpen = true;
    server_->serve(QStringLiteral("/stockt"), stall);
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(client_->Get(url(QStringLiteral("/stockt"))), HttpClient::Outcome::TimedOut);
    QVERIFY(clock.elapsed() >= 250);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(failures.count(), 1);
    QCOMPARE(readBytes(body_), archive.left(5000));

    // A server that accepts the connection and never answers.
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress::LocalHost, 0));
    clock.restart();
    QCOMPARE(client_->Get(QStringLiteral("http://127.0.0.1:%1/Updates.ini").arg(mute.serverPort())),
             HttpClient::Outcome::TimedOut);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(failures.count(), 2);

    // The time-out counts silence, not the whole transfer: 25 pieces 80 ms apart take two
    // seconds, far beyond the time-out, and complete.
    client_->TimeOut = 500;
    server_->serve(QStringLiteral("/stetig"), TestHttpServer::Response::paced(archive, 800, 80));
    QCOMPARE(client_->Get(url(QStringLiteral("/stetig"))), HttpClient::Outcome::Completed);
    QCOMPARE(readBytes(body_), archive);
    QCOMPARE(failures.count(), 2);
}

void tst_HttpClient::answersAreBounded_data() {
    QTest::addColumn<TestHttpServer::Response>("response");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<int>("deadlineMs");
    QTest::addColumn<HttpClient::Outcome>("outcome");

    TestHttpServer::Response endless = TestHttpServer::Response::ok(randomBytes(64 * 1024));
    endless.endless = true;
    endless.sendContentLength = false;
    QTest::newRow("endless body") << endless << qint64(1024 * 1024) << 60000
                                  << HttpClient::Outcome::TooLarge;
    // Streamed to the file: 64 MiB take no more memory than a few packets.
    QTest::newRow("endless body, 64 MiB allowed")
        << endless << qint64(64 * 1024 * 1024) << 600000 << HttpClient::Outcome::TooLarge;
    QTest::newRow("2 MiB for a 1 MiB limit")
        << TestHttpServer::Response::ok(randomBytes(2 * 1024 * 1024)) << qint64(1024 * 1024)
        << 60000 << HttpClient::Outcome::TooLarge;
    QTest::newRow("65 bytes for a signature")
        << TestHttpServer::Response::ok(randomBytes(65)) << qint64(64) << 60000
        << HttpClient::Outcome::TooLarge;
    QTest::newRow("64 bytes for a signature")
        << TestHttpServer::Response::ok(randomBytes(64)) << qint64(64) << 60000
        << HttpClient::Outcome::Completed;
    // One byte now and then keeps the idle time-out away, not the deadline.
    TestHttpServer::Response trickle = TestHttpServer::Response::paced(randomBytes(64), 1, 50);
    trickle.endless = true;
    QTest::newRow("a byte every 50 ms")
        << trickle << qint64(1024) << 400 << HttpClient::Outcome::TimedOut;
}

void tst_HttpClient::answersAreBounded() {
    QFETCH(TestHttpServer::Response, response);
    QFETCH(qint64, maxBytes);
    QFETCH(int, deadlineMs);
    QFETCH(HttpClient::Outcome, outcome);
    server_->serve(ArchivePath, response);
    client_->MaxBytes = maxBytes;
    client_->Deadline = deadlineMs;
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    const qint64 peakBefore = peakMemoryKiB();

    QCOMPARE(client_->Get(url(ArchivePath)), outcome);
    QCOMPARE(failures.count(), outcome == HttpClient::Outcome::Completed ? 0 : 1);
    QVERIFY(QFileInfo(body_).size() <= maxBytes);
    if (outcome == HttpClient::Outcome::TooLarge)
        QVERIFY2(client_->lastError().contains(QString::number(maxBytes)),
                 qPrintable(client_->lastError()));
    QVERIFY2(peakMemoryKiB() - peakBefore < 32 * 1024,
             qPrintable(QString::number(peakMemoryKiB() - peakBefore)));
    QTRY_COMPARE(server_->openConnections(), 0);
}

void tst_HttpClient::noServerIsAConnectionFailure() {
    const quint16 port = TestHttpServer::unusedPort();
    QVERIFY(port != 0);
    client_->Host = QStringLiteral("127.0.0.1:%1").arg(port);
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    QSignalSpy connectionFailures(client_.get(), &HttpClient::OnConnectionFailed);
    QCOMPARE(client_->Get(url(IniPath)), HttpClient::Outcome::ConnectionFailed);
    QCOMPARE(connectionFailures.count(), 1);
    QCOMPARE(failures.count(), 0);
    QVERIFY(!client_->lastError().isEmpty());

    // A server that has gone away since the last transfer.
    server_->serve(IniPath, "[Zensoria]\r\n");
    client_->Host = server_->hostAndPort();
    QCOMPARE(client_->Get(url(IniPath)), HttpClient::Outcome::Completed);
    server_->close();
    QCOMPARE(client_->Get(url(IniPath)), HttpClient::Outcome::ConnectionFailed);
    QCOMPARE(connectionFailures.count(), 2);
}

void tst_HttpClient::bodyThatCannotBeWritten() {
    server_->serve(ArchivePath, randomBytes(64 * 1024));
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);

    // A folder that does not exist: nothing is requested.
    client_->Body = dir_->filePath(QStringLiteral("fehlt/Pultex.zip"));
    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::FileError);
    QCOMPARE(failures.count(), 1);
    QVERIFY(server_->requests().isEmpty());
    client_->Body.clear();
    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::FileError);
    QCOMPARE(failures.count(), 2);

    // A disk that is full while the data arrives (here: a file-size limit of 16 KiB) is no
    // completed download.
    client_->Body = body_;
    struct rlimit before;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = before;
    limited.rlim_cur = 16 * 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const HttpClient::Outcome outcome = client_->Get(url(ArchivePath));
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, oldHandler);
    QCOMPARE(outcome, HttpClient::Outcome::FileError);
    QCOMPARE(failures.count(), 3);
    QVERIFY(!client_->running());
}

void tst_HttpClient::reentrantGetIsRefusedAndClientStaysUsable() {
    const QByteArray archive = randomBytes(10 * 1000);
    server_->serve(ArchivePath, TestHttpServer::Response::paced(archive, 1000, 20));
    server_->serve(IniPath, "[Zensoria]\r\nDate=09.08.2003\r\n");
    QSignalSpy failures(client_.get(), &HttpClient::OnFailure);
    const QString other = dir_->filePath(QStringLiteral("$anderes.tmp"));

    // A handler entered during the transfer tries a GET of its own into another file.
    QList<HttpClient::Outcome> nested;
    const QMetaObject::Connection connection =
        connect(client_.get(), &HttpClient::OnPacketRecvd, this, [&] {
            if (!nested.isEmpty())
                return;
            client_->Body = other;
            nested.append(client_->Get(url(IniPath)));
            client_->Body = body_;
        });
    QCOMPARE(client_->Get(url(ArchivePath)), HttpClient::Outcome::Completed);
    disconnect(connection);
    QCOMPARE(nested, QList<HttpClient::Outcome>{HttpClient::Outcome::Busy});
    QCOMPARE(failures.count(), 0);
    QVERIFY(!QFileInfo::exists(other));
    QCOMPARE(readBytes(body_), archive);
    QCOMPARE(client_->total(), archive.size());
    QCOMPARE(server_->requests(), QStringList{ArchivePath});

    // Afterwards the client takes the next GET as usual.
    client_->Body = other;
    QCOMPARE(client_->Get(url(IniPath)), HttpClient::Outcome::Completed);
    QCOMPARE(readBytes(other), QByteArray("[Zensoria]\r\nDate=09.08.2003\r\n"));
}

void tst_HttpClient::clientDestroyedDuringItsOwnTransfer() {
    const QByteArray archive = randomBytes(100 * 1000);
    server_->serve(ArchivePath, TestHttpServer::Response::paced(archive, 1000, 50));
    const QString archiveUrl = url(ArchivePath);
    // The owner goes away (a window closed during the download) while Get is on the stack.
    HttpClient* client = client_.release();
    QPointer<HttpClient> watch(client);
    connect(client, &HttpClient::OnPacketRecvd, this, [client] { client->deleteLater(); });
    QCOMPARE(client->Get(archiveUrl), HttpClient::Outcome::Aborted);
    QVERIFY(watch.isNull());
    QTRY_COMPARE(server_->openConnections(), 0);
}

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"
