#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>

class QEventLoop;
class FreshFile;
class QNetworkAccessManager;
class QTimer;

// The HTTP client through which the update fetches its files with GET requests.
//
// Get() blocks its caller until the transfer has ended, while pending events (clicks,
// painting, timers, the progress signal) go on running in a local event loop; handlers may
// therefore be entered again during a transfer. The response body is written to the file Body
// as it arrives. A transfer counts as completed only with an HTTP status of 2xx and exactly the
// number of bytes the server announced; a transfer that receives nothing for TimeOut
// milliseconds ends as failed. Redirects are not followed.
class HttpClient : public QObject {
    Q_OBJECT
public:
    // How a Get ended. Everything but Completed is an incomplete transfer.
    enum class Outcome {
        Completed,        // status 2xx, the whole announced body is in Body
        Aborted,          // Abort() was called (or the client was destroyed)
        ConnectionFailed, // no connection could be made; OnConnectionFailed was emitted
        TimedOut,         // nothing arrived for TimeOut ms, or the transfer took longer than
                          // Deadline ms; OnFailure was emitted
        HttpError,        // a status other than 2xx; Body holds the server's page; OnFailure
        Incomplete,       // the connection ended before the announced length; OnFailure
        TransportError,   // any other network error; OnFailure
        FileError,        // Body could not be opened or written; OnFailure
        TooLarge,         // the body is (or is announced) longer than MaxBytes; OnFailure
        Busy,             // a Get was already running: refused, nothing changed, no event
    };
    // The kinds of request carried by OnFailure; the only one used is the GET.
    static constexpr int GetRequest = 0;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // The server, "name" or "name:port" (127.0.0.1:8080). The caller builds its URLs with it.
    QString Host;
    // The local file that receives the response body: each Get makes it a new file under this
    // name, replacing whatever had it (a link there is replaced, never followed).
    QString Body;
    // Milliseconds without any data after which a transfer ends as TimedOut.
    int TimeOut = 10000;
    // Milliseconds the whole transfer may take, however steadily data arrives; then it ends
    // as TimedOut.
    int Deadline = 60000;
    // The most bytes the body may have. A body announced longer ends the transfer before any
    // of it is read, and one that grows longer ends it as soon as the limit is passed, as
    // TooLarge; nothing beyond the limit is kept in memory or written.
    qint64 MaxBytes = 1024 * 1024;

    // Fetches url into Body and returns when the transfer has ended. Another Get while one
    // runs (from a handler entered during the transfer) is refused with Busy.
    Outcome Get(const QString& url);
    // Ends the running transfer soon; callable from inside OnPacketRecvd. No effect when idle.
    void Abort();
    bool running() const { return reply_ != nullptr; }

    // The body's announced size (0 when unknown) and the bytes received, of the last transfer.
    qint64 total() const { return total_; }
    qint64 received() const { return received_; }
    // What went wrong in the last transfer, in German; empty after a completed one.
    const QString& lastError() const { return lastError_; }

signals:
    // After each received packet, while Get is still running.
    void OnPacketRecvd(qint64 total, qint64 received);
    // The request failed (HTTP error status, broken or incomplete transfer, time-out, a body
    // that could not be written). Not emitted for Abort() or a refused Get.
    void OnFailure(int requestKind);
    // No connection could be made (host unknown, connection refused).
    void OnConnectionFailed();

private:
    void readBody();
    void checkAnnouncedLength();
    void stop(bool& reason);
    void progress(qint64 received);
    Outcome finish(Outcome outcome, const QString& error);

    QNetworkAccessManager* manager_;
    QTimer* idle_;
    QTimer* deadline_;
    QPointer<QNetworkReply> reply_;
    QEventLoop* loop_ = nullptr;
    FreshFile* file_ = nullptr;
    qint64 total_ = 0;
    qint64 received_ = 0;
    bool aborted_ = false;
    bool timedOut_ = false;
    bool deadlinePassed_ = false;
    bool tooLarge_ = false;
    bool writeFailed_ = false;
    QString lastError_;
};
