// The download of the update archive and its signature from a real HTTP server on 127.0.0.1:
// which outcomes count as complete, what is left on disk after each, cancelling and retrying.
#include "archivefixtures.h"
#include "platform/datetime.h"
#include "support/testfiles.h"
#include "update/httpclient.h"
#include "update/installation.h"
#include "update/signature.h"
#include "update/updatewizard.h"
#include "updateserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString ArchivePath = QStringLiteral("/Updates/Pultex.zip");
const QString SignaturePath = QStringLiteral("/Updates/Pultex.zip.sig");
// The installed version: a program file of 8 August 2003, 14:08.
const double VersionDate = daysSince1899(QDateTime(QDate(2003, 8, 8), QTime(14, 8)));

// A real archive of some size, so that it arrives in several packets.
QByteArray sampleArchive() {
    return makeZip(
        {{"Update.bat", "# datei\r\ntrue\r\ntrue\r\ntrue\r\n"}, {"zensoria", fillerLines(40000)}});
}

} // namespace

class TestArchiveDownload : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void completedAndSigned();
    void refusedSignature_data();
    void refusedSignature();
    void incomplete_data();
    void incomplete();
    void noServer();
    void cancelThenRetry();
    void abortWaitKeepsEventsRunning();
    void downgradeRefused();
    void updatesIniIsBounded();
    void plantedNamesAreReplaced_data();
    void plantedNamesAreReplaced();

private:
    QString target() const { return dir_->filePath(QStringLiteral("Pultex.zip")); }
    QString signatureFile() const { return SignatureName(target()); }
    DownloadEnd run(ArchiveDownload& download) {
        return download.run(server_->url(ArchivePath), target(), server_->keys().publicKey,
                            TestRelease(), VersionDate);
    }

    std::unique_ptr<UpdateServer> server_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<HttpClient> http_;
    QByteArray archive_;
};

void TestArchiveDownload::init() {
    server_ = std::make_unique<UpdateServer>();
    QVERIFY(server_->listen());
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    http_ = std::make_unique<HttpClient>();
    archive_ = sampleArchive();
    QVERIFY(archive_.size() > 100000);
}

void TestArchiveDownload::cleanup() {
    http_.reset();
    server_.reset();
    dir_.reset();
}

void TestArchiveDownload::completedAndSigned() {
    server_->serveSigned(ArchivePath, TestHttpServer::Response::paced(archive_, 16384, 20));

    ArchiveDownload download(*http_);
    QList<DownloadProgress> seen;
    connect(&download, &ArchiveDownload::progress, this,
            [&seen](const DownloadProgress& progress) { seen.append(progress); });
    QCOMPARE(run(download), DownloadEnd::Completed);
    QCOMPARE(readBytes(target()), archive_);
    QCOMPARE(readBytes(signatureFile()), server_->keys().signRelease(archive_, TestRelease()));
    // Progress arrived in several steps and ended with everything received.
    QVERIFY(seen.size() > 1);
    QCOMPARE(seen.last().total, qint64(archive_.size()));
    QCOMPARE(seen.last().received, qint64(archive_.size()));
    for (qsizetype i = 1; i < seen.size(); ++i)
        QVERIFY(seen[i].received >= seen[i - 1].received);
    QCOMPARE(server_->requests(), (QStringList{ArchivePath, SignaturePath}));
}

void TestArchiveDownload::refusedSignature_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("signed by someone else") << QStringLiteral("stranger");
    QTest::newRow("signature missing (404)") << QStringLiteral("missing");
    QTest::newRow("signature of another archive") << QStringLiteral("other");
    QTest::newRow("empty signature") << QStringLiteral("empty");
    QTest::newRow("build without a key") << QStringLiteral("nokey");
    QTest::newRow("signature longer than 64 bytes") << QStringLiteral("long");
    // An old release's archive offered under a newer date, or under another name.
    QTest::newRow("signed for an older date") << QStringLiteral("olddate");
    QTest::newRow("signed for another file name") << QStringLiteral("othername");
}

void TestArchiveDownload::refusedSignature() {
    QFETCH(QString, kind);
    server_->serve(ArchivePath, archive_);
    QByteArray key = server_->keys().publicKey;
    if (kind == QLatin1String("stranger"))
        server_->serve(SignaturePath, KeyPair().signRelease(archive_, TestRelease()));
    else if (kind == QLatin1String("other"))
        server_->serve(SignaturePath, server_->keys().signRelease(archive_ + "x", TestRelease()));
    else if (kind == QLatin1String("empty"))
        server_->serve(SignaturePath, QByteArray());
    else if (kind == QLatin1String("olddate"))
        server_->serveSigned(ArchivePath, archive_, QStringLiteral("01.08.2003"));
    else if (kind == QLatin1String("othername"))
        server_->serve(SignaturePath,
                       server_->keys().signRelease(archive_, TestRelease("Pultex-1.zip")));
    else if (kind == QLatin1String("long"))
        server_->serve(SignaturePath, server_->keys().signRelease(archive_, TestRelease()) +
                                          QByteArray(4096, ' '));
    else if (kind == QLatin1String("nokey")) {
        server_->serveSigned(ArchivePath, archive_);
        key.clear();
    }
    ArchiveDownload download(*http_);
    QCOMPARE(download.run(server_->url(ArchivePath), target(), key, TestRelease(), VersionDate),
             DownloadEnd::Unsigned);
    // Nothing of the refused archive is left for an installation.
    QVERIFY(!QFile::exists(target()));
    QVERIFY(!QFile::exists(signatureFile()));
}

void TestArchiveDownload::incomplete_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("404") << QStringLiteral("404");
    QTest::newRow("server error 500") << QStringLiteral("500");
    QTest::newRow("closed mid-body") << QStringLiteral("closed");
    QTest::newRow("more announced than sent") << QStringLiteral("short");
    QTest::newRow("announced beyond the installation's limit") << QStringLiteral("huge");
    QTest::newRow("endless body beyond the limit") << QStringLiteral("endless");
}

void TestArchiveDownload::incomplete() {
    QFETCH(QString, kind);
    TestHttpServer::Response response = TestHttpServer::Response::ok(archive_);
    if (kind == QLatin1String("404")) {
        response = TestHttpServer::Response::error(404);
    } else if (kind == QLatin1String("500")) {
        response = TestHttpServer::Response::error(500);
    } else if (kind == QLatin1String("closed")) {
        response.chunkSize = 8192;
        response.stopAfter = archive_.size() / 2;
    } else if (kind == QLatin1String("huge")) {
        response.announcedLength = ArchiveTransfer.maxBytes + 1;
    } else if (kind == QLatin1String("endless")) {
        response.endless = true;
        response.sendContentLength = false;
    } else {
        response.announcedLength = archive_.size() + 1000;
    }
    server_->serve(ArchivePath, response);
    server_->serve(SignaturePath, server_->keys().signRelease(archive_, TestRelease()));
    // A signature left by an earlier download must not survive either.
    QVERIFY(writeBytes(signatureFile(), server_->keys().signRelease(archive_, TestRelease())));

    ArchiveDownload download(*http_);
    // The endless body is stopped at a limit small enough for a test.
    if (kind == QLatin1String("endless"))
        connect(http_.get(), &HttpClient::OnPacketRecvd, this,
                [this] { http_->MaxBytes = 1 << 20; });
    QCOMPARE(run(download), DownloadEnd::Incomplete);
    QVERIFY(!QFile::exists(target()));
    QVERIFY(!QFile::exists(signatureFile()));
    // The signature of an incomplete archive is not even asked for.
    QCOMPARE(server_->requestCount(SignaturePath), 0);
}

void TestArchiveDownload::noServer() {
    const quint16 port = TestHttpServer::unusedPort();
    QVERIFY(port != 0);
    ArchiveDownload download(*http_);
    QCOMPARE(download.run(QStringLiteral("http://127.0.0.1:%1/Updates/Pultex.zip").arg(port),
                          target(), server_->keys().publicKey, TestRelease(), VersionDate),
             DownloadEnd::Incomplete);
    QVERIFY(!QFile::exists(target()));
}

void TestArchiveDownload::cancelThenRetry() {
    TestHttpServer::Response slow = TestHttpServer::Response::paced(archive_, 2048, 20);
    server_->serveSigned(ArchivePath, slow);

    ArchiveDownload download(*http_);
    download.abortedWaitMs = 200;
    int packets = 0;
    bool fileSeenDuringTransfer = false;
    connect(&download, &ArchiveDownload::progress, this, [&](const DownloadProgress& progress) {
        ++packets;
        if (progress.received > 0 && packets == 3) {
            fileSeenDuringTransfer = QFile::exists(target());
            download.requestCancel(); // the user answered Ja
        }
    });
    QElapsedTimer sinceEnd;
    connect(&download, &ArchiveDownload::transferEnded, this, [&] { sinceEnd.start(); });
    QCOMPARE(run(download), DownloadEnd::Aborted);
    QVERIFY(fileSeenDuringTransfer);
    // The partial archive is deleted after the wait, not before.
    QVERIFY(sinceEnd.elapsed() >= 190);
    QVERIFY(!QFile::exists(target()));
    QVERIFY(!QFile::exists(signatureFile()));
    QCOMPARE(server_->requestCount(SignaturePath), 0);
    // The abort came at once, long before the slow transfer would have ended.
    QVERIFY(packets < 20);

    // "Erneut versuchen": the same URL into the same file.
    download.clearCancel();
    slow.delayMs = 0;
    server_->serve(ArchivePath, slow);
    QCOMPARE(run(download), DownloadEnd::Completed);
    QCOMPARE(server_->requestCount(ArchivePath), 2);
    QCOMPARE(readBytes(target()), archive_);
}

void TestArchiveDownload::abortWaitKeepsEventsRunning() {
    server_->serve(ArchivePath, TestHttpServer::Response::paced(archive_, 2048, 20));

    ArchiveDownload download(*http_);
    QCOMPARE(download.abortedWaitMs, 3000);
    connect(&download, &ArchiveDownload::progress, this,
            [&download](const DownloadProgress&) { download.requestCancel(); });
    QElapsedTimer sinceEnd;
    int ticksDuringWait = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (sinceEnd.isValid())
            ++ticksDuringWait;
    });
    ticker.start(100);
    bool fileKeptDuringWait = false;
    connect(&download, &ArchiveDownload::transferEnded, this, [&] {
        sinceEnd.start();
        QTimer::singleShot(1500, this, [&] { fileKeptDuringWait = QFile::exists(target()); });
    });
    QCOMPARE(run(download), DownloadEnd::Aborted);
    QVERIFY2(sinceEnd.elapsed() >= 3000, qPrintable(QString::number(sinceEnd.elapsed())));
    QVERIFY(fileKeptDuringWait);
    QVERIFY(!QFile::exists(target()));
    // The wait did not freeze the thread: timers went on firing.
    QVERIFY2(ticksDuringWait >= 20, qPrintable(QString::number(ticksDuringWait)));
}

// A signed release that is not newer than the installed program is never kept.
void TestArchiveDownload::downgradeRefused() {
    for (const QString& date : {QStringLiteral("01.08.2003"), QStringLiteral("08.08.2003"),
                                QStringLiteral("kein Datum")}) {
        server_->serveSigned(ArchivePath, archive_, date);
        ArchiveDownload download(*http_);
        QCOMPARE(download.run(server_->url(ArchivePath), target(), server_->keys().publicKey,
                              TestRelease(QStringLiteral("Pultex.zip"), date), VersionDate),
                 DownloadEnd::Outdated);
        QVERIFY(!QFile::exists(target()));
        QVERIFY(!QFile::exists(signatureFile()));
    }
    QCOMPARE(DownloadPageFor(DownloadEnd::Outdated).text.left(OutdatedArchiveText.size()),
             OutdatedArchiveText);
}

// An "Updates.ini" longer than 1 MiB is no answer the check reads.
void TestArchiveDownload::updatesIniIsBounded() {
    const QByteArray ini = "[Zensoria]\r\nDate=09.08.2003\r\n";
    server_->serve(QStringLiteral("/Updates.ini"), ini + QByteArray(2 * 1024 * 1024, ';'));
    const QString copy = dir_->filePath(QStringLiteral("$kopie.tmp"));
    QVERIFY(!FetchUpdatesIni(*http_, server_->hostAndPort(), copy));
    QVERIFY(QFileInfo(copy).size() <= UpdatesIniTransfer.maxBytes);
    server_->serve(QStringLiteral("/Updates.ini"), ini);
    QVERIFY(FetchUpdatesIni(*http_, server_->hostAndPort(), copy));
}

void TestArchiveDownload::plantedNamesAreReplaced_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    for (const QString& name : {QStringLiteral("Pultex.zip"), QStringLiteral("Pultex.zip.sig")})
        for (const QString& kind : PlantKinds())
            QTest::newRow(qPrintable(name + u' ' + kind)) << name << kind;
}

// A link, pipe or foreign file at the archive's or the signature's name is replaced by the
// download, never followed or opened; the download completes.
void TestArchiveDownload::plantedNamesAreReplaced() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    const QString victim = dir_->filePath(QStringLiteral("opfer"));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("unberührt") > 0);
    file.close();
    QVERIFY(PlantAt(dir_->filePath(name), kind, victim));
    server_->serveSigned(ArchivePath, archive_);
    ArchiveDownload download(*http_);
    QCOMPARE(run(download), DownloadEnd::Completed);
    QCOMPARE(readBytes(victim), QByteArray("unberührt"));
    QCOMPARE(readBytes(target()), archive_);
    QVERIFY(!QFileInfo(dir_->filePath(name)).isSymLink());
}

QTEST_GUILESS_MAIN(TestArchiveDownload)
#include "tst_archivedownload.moc"
