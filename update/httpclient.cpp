#include "update/httpclient.h"

#include <QEventLoop>
#include <QFile>
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

} // namespace

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)), idle_(new QTimer(this)) {
    idle_->setSingleShot(true);
    connect(idle_, &QTimer::timeout, this, [this] {
        if (!reply_ || aborted_)
            return;
        timedOut_ = true;
        reply_->abort();
    });
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
    writeFailed_ = false;
    lastError_.clear();

    QFile file(Body);
    // Unbuffered: every packet reaches the file at once, and a full disk shows at once.
    if (Body.isEmpty() ||
        !file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
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
    connect(reply, &QNetworkReply::readyRead, this, &HttpClient::readBody);
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpClient::progress);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle_->start(TimeOut);
    if (!reply->isFinished())
        loop.exec(QEventLoop::AllEvents);
    if (!self)
        return Outcome::Aborted; // everything of this client is gone, the file is closed
    loop_ = nullptr;
    idle_->stop();
    if (reply)
        readBody();
    file_ = nullptr;
    const qint64 written = file.size();
    file.close();
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
    if (writeFailed_)
        return finish(Outcome::FileError,
                      QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden.").arg(Body));
    if (statusAttribute.isValid() && (status < 200 || status > 299))
        return finish(Outcome::HttpError,
                      QStringLiteral("Der Server antwortet mit dem Status %1.").arg(status));
    if (error != QNetworkReply::NoError) {
        const QString text = QStringLiteral("Übertragungsfehler: %1").arg(reply->errorString());
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

void HttpClient::progress(qint64 received) {
    if (!reply_ || aborted_ || timedOut_)
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
    const QByteArray data = reply_->readAll();
    if (data.isEmpty() || writeFailed_)
        return;
    idle_->start(TimeOut);
    if (file_->write(data) != data.size()) {
        writeFailed_ = true;
        reply_->abort();
    }
}
