#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>

class QFile;
class QNetworkAccessManager;
class QTimer;

// The HTTP client through which the update fetches its files with GET requests.
//
// Get() blocks its caller until the transfer has ended, while pending events (clicks,
// painting, the progress signal) go on running in a local event loop; handlers may therefore
// be entered again during a transfer. The response body is written to the file Body as it
// arrives. A transfer counts as completed only with an HTTP status of 2xx and exactly the
// number of bytes the server announced; a transfer that receives nothing for TimeOut
// milliseconds ends as failed.
class HttpClient : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Completed, Aborted, Failed };
    // The kinds of request carried by OnFailure; the only one used is the GET.
    static constexpr int GetRequest = 0;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // The server, "name" or "name:port".
    QString Host;
    // The local file that receives the response body.
    QString Body;
    // Milliseconds without any data after which a transfer ends as failed.
    int TimeOut = 10000;

    // Fetches url into Body. Another Get while one runs is refused as failed.
    Outcome Get(const QString& url);
    // Ends the running transfer soon; callable from inside OnPacketRecvd.
    void Abort();
    bool running() const { return reply_ != nullptr; }

    // The body's announced size (0 when unknown) and the bytes received, of the last transfer.
    qint64 total() const { return total_; }
    qint64 received() const { return received_; }
    // Text of the last failure, for tests and messages.
    const QString& lastError() const { return lastError_; }

signals:
    // After each received packet, while Get is still running.
    void OnPacketRecvd(qint64 total, qint64 received);
    // The request failed (HTTP error status, broken or incomplete transfer, time-out, a body
    // that could not be written).
    void OnFailure(int requestKind);
    // No connection could be made (host unknown, connection refused).
    void OnConnectionFailed();

private:
    void readBody();

    QNetworkAccessManager* manager_;
    QTimer* idle_;
    QPointer<QNetworkReply> reply_;
    QFile* file_ = nullptr;
    qint64 total_ = 0;
    qint64 received_ = 0;
    bool aborted_ = false;
    bool timedOut_ = false;
    bool writeFailed_ = false;
    bool done_ = false;
    QString lastError_;
};
