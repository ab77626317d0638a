#include "update/httpclient.h"

#include "update/freshfile.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

bool isConnectionError(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return true;
    default:
        return false;
    }
}

// The network's reasons in German (Qt's own texts are English).
QString networkErrorText(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Der Server hat die Verbindung abgelehnt.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Der Server wurde nicht gefunden.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Der Server hat die Verbindung vorzeitig beendet.");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Der Server antwortet nicht.");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("Der Proxy-Server ist nicht erreichbar.");
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return QStringLiteral("Das Netzwerk ist nicht verfügbar.");
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
        return QStringLiteral("Der Server hat keine gültige HTTP-Antwort gesendet.");
    default:
        return QStringLiteral("Übertragungsfehler Nr. %1.").arg(int(error));
    }
}

} // namespace

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)), idle_(new QTimer(this)),
      deadline_(new QTimer(this)) {
    idle_->setSingleShot(true);
    connect(idle_, &QTimer::timeout, this, [this] { stop(timedOut_); });
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] { stop(deadlinePassed_); });
}

void HttpClient::stop(bool& reason) {
    if (!reply_ || aborted_ || timedOut_ || deadlinePassed_ || tooLarge_ || writeFailed_)
        return;
    reason = true;
    reply_->abort();
}

HttpClient::~HttpClient() {
    // Destroyed while Get runs (from a handler entered during the transfer): the transfer is
    // ended and Get returns Aborted without touching this object again.
    if (reply_) {
        aborted_ = true;
        reply_->abort();
    }
    if (loop_)
        loop_->quit();
}

HttpClient::Outcome HttpClient::Get(const QString& url) {
    if (reply_ || loop_)
        return Outcome::Busy;
    total_ = 0;
    received_ = 0;
    aborted_ = false;
    timedOut_ = false;
    deadlinePassed_ = false;
    tooLarge_ = false;
    writeFailed_ = false;
    lastError_.clear();

    // A new file under the name, whatever had it before (a link is replaced, not followed);
    // every packet reaches it at once, and a full disk shows at once.
    FreshFile file(Body);
    if (Body.isEmpty() || !file.open() || !file.publish())
        return finish(Outcome::FileError,
                      QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden.").arg(Body));
    file_ = &file;

    QNetworkRequest request{QUrl(url)};
    // The file is fetched as it is on the server: no redirect to another place, no cache, no
    // compression.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Accept-Encoding", "identity");
    // The update server on the machine itself is reached directly, never through a proxy.
    const QString host = request.url().host();
    manager_->setProxy(host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost")
                           ? QNetworkProxy(QNetworkProxy::NoProxy)
                           : QNetworkProxy(QNetworkProxy::DefaultProxy));

    QPointer<HttpClient> self(this);
    QEventLoop loop;
    loop_ = &loop;
    reply_ = manager_->get(request);
    const QPointer<QNetworkReply> reply = reply_.data();
    // The reply keeps no more than this in memory; the rest waits in the connection.
    reply->setReadBufferSize(64 * 1024);
    connect(reply, &QNetworkReply::metaDataChanged, this, &HttpClient::checkAnnouncedLength);
    connect(reply, &QNetworkReply::readyRead, this, &HttpClient::readBody);
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpClient::progress);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle_->start(TimeOut);
    deadline_->start(Deadline);
    if (!reply->isFinished())
        loop.exec(QEventLoop::AllEvents);
    if (!self)
        return Outcome::Aborted; // everything of this client is gone, the file is closed
    loop_ = nullptr;
    idle_->stop();
    deadline_->stop();
    if (reply)
        readBody();
    file_ = nullptr;
    const qint64 written = file.size();
    if (!file.close())
        writeFailed_ = true;
    reply_ = nullptr;
    if (!reply)
        return finish(Outcome::Aborted, QString());
    reply->deleteLater();

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.toInt();
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);

    if (aborted_)
        return finish(Outcome::Aborted, QStringLiteral("Die Übertragung wurde abgebrochen."));
    if (timedOut_)
        return finish(
            Outcome::TimedOut,
            QStringLiteral("Der Server hat %1 ms lang keine Daten gesendet.").arg(TimeOut));
    if (deadlinePassed_)
        return finish(Outcome::TimedOut,
                      QStringLiteral("Die Übertragung hat länger als %1 s gedauert.")
                          .arg(Deadline / 1000.0, 0, 'g', 3));
    if (tooLarge_)
        return finish(
            Outcome::TooLarge,
            QStringLiteral("Die Antwort des Servers ist größer als %1 Bytes.").arg(MaxBytes));
    if (writeFailed_)
        return finish(Outcome::FileError,
                      QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden.").arg(Body));
    if (statusAttribute.isValid() && (status < 200 || status > 299))
        return finish(Outcome::HttpError,
                      QStringLiteral("Der Server antwortet mit dem Status %1.").arg(status));
    if (error != QNetworkReply::NoError) {
        const QString text = networkErrorText(error);
        if (!statusAttribute.isValid() && isConnectionError(error))
            return finish(Outcome::ConnectionFailed, text);
        if (statusAttribute.isValid() && error == QNetworkReply::RemoteHostClosedError)
            return finish(Outcome::Incomplete, text);
        return finish(Outcome::TransportError, text);
    }
    if (!statusAttribute.isValid())
        return finish(Outcome::TransportError,
                      QStringLiteral("Der Server hat keine HTTP-Antwort gesendet."));
    if (announced.isValid() && announced.toLongLong() != written)
        return finish(Outcome::Incomplete,
                      QStringLiteral("Es kamen %1 von %2 angekündigten Bytes an.")
                          .arg(written)
                          .arg(announced.toLongLong()));
    return finish(Outcome::Completed, QString());
}

HttpClient::Outcome HttpClient::finish(Outcome outcome, const QString& error) {
    lastError_ = error;
    switch (outcome) {
    case Outcome::Completed:
    case Outcome::Aborted:
    case Outcome::Busy:
        break;
    case Outcome::ConnectionFailed:
        emit OnConnectionFailed();
        break;
    default:
        emit OnFailure(GetRequest);
        break;
    }
    return outcome;
}

void HttpClient::Abort() {
    if (!reply_ || aborted_)
        return;
    aborted_ = true;
    reply_->abort();
}

void HttpClient::checkAnnouncedLength() {
    if (!reply_)
        return;
    const QVariant announced = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() > MaxBytes)
        stop(tooLarge_);
}

void HttpClient::progress(qint64 received) {
    if (!reply_ || aborted_ || timedOut_ || deadlinePassed_ || tooLarge_)
        return;
    idle_->start(TimeOut);
    // The size the server announced; without one, 0 to the end (Qt reports the received
    // count as the total once the body is complete).
    const QVariant announced = reply_->header(QNetworkRequest::ContentLengthHeader);
    total_ = announced.isValid() ? std::max<qint64>(announced.toLongLong(), 0) : 0;
    received_ = received;
    emit OnPacketRecvd(total_, received_);
}

void HttpClient::readBody() {
    if (!reply_ || !file_ || !reply_->isOpen())
        return;
    if (writeFailed_ || tooLarge_)
        return;
    // What has arrived, up to one byte beyond the limit, so that a longer body shows.
    const qint64 room = std::max<qint64>(MaxBytes - file_->size(), 0);
    const QByteArray data = reply_->read(std::min(reply_->bytesAvailable(), room + 1));
    if (data.isEmpty())
        return;
    idle_->start(TimeOut);
    if (!file_->write(data.first(std::min<qint64>(data.size(), room))))
        stop(writeFailed_);
    else if (data.size() > room)
        stop(tooLarge_);
}
