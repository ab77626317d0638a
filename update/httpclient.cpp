#include "update/httpclient.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)), idle_(new QTimer(this)) {
    idle_->setSingleShot(true);
    connect(idle_, &QTimer::timeout, this, [this] {
        if (!reply_)
            return;
        timedOut_ = true;
        reply_->abort();
    });
}

HttpClient::~HttpClient() {
    if (reply_)
        reply_->abort();
}

HttpClient::Outcome HttpClient::Get(const QString& url) {
    if (reply_) {
        lastError_ = QStringLiteral("Eine Übertragung läuft bereits.");
        return Outcome::Failed;
    }
    total_ = 0;
    received_ = 0;
    aborted_ = false;
    timedOut_ = false;
    writeFailed_ = false;
    done_ = false;
    lastError_.clear();

    QFile file(Body);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        lastError_ = QStringLiteral("In %1 kann nicht geschrieben werden").arg(Body);
        emit OnFailure(GetRequest);
        return Outcome::Failed;
    }
    file_ = &file;

    QNetworkRequest request{QUrl(url)};
    // The file is fetched as it is on the server: no redirect to another host, no cache.
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
    QEventLoop loop;
    reply_ = manager_->get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::readyRead, this, &HttpClient::readBody);
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        idle_->start(TimeOut);
        total_ = total < 0 ? 0 : total;
        received_ = received;
        if (reply_ && !done_ && !aborted_)
            emit OnPacketRecvd(total_, received_);
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle_->start(TimeOut);
    if (!reply->isFinished())
        loop.exec(QEventLoop::AllEvents);
    idle_->stop();
    done_ = true;
    readBody();
    file.flush();
    file.close();
    file_ = nullptr;

    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 written = file.size();
    reply_ = nullptr;
    reply->deleteLater();

    auto failed = [this](const QString& reason) {
        lastError_ = reason;
        emit OnFailure(GetRequest);
        return Outcome::Failed;
    };
    if (aborted_)
        return Outcome::Aborted;
    if (timedOut_)
        return failed(QStringLiteral("Zeitüberschreitung"));
    if (writeFailed_)
        return failed(QStringLiteral("In %1 kann nicht geschrieben werden").arg(Body));
    switch (error) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        lastError_ = errorText;
        emit OnConnectionFailed();
        return Outcome::Failed;
    default:
        return failed(errorText);
    }
    if (status < 200 || status > 299)
        return failed(QStringLiteral("HTTP-Status %1").arg(status));
    if (announced.isValid() && announced.toLongLong() != written)
        return failed(QStringLiteral("Unvollständige Übertragung"));
    return Outcome::Completed;
}

void HttpClient::Abort() {
    if (!reply_ || aborted_)
        return;
    aborted_ = true;
    reply_->abort();
}

void HttpClient::readBody() {
    if (!reply_ || !file_)
        return;
    const QByteArray data = reply_->readAll();
    if (data.isEmpty())
        return;
    idle_->start(TimeOut);
    if (file_->write(data) != data.size() && !writeFailed_) {
        writeFailed_ = true;
        reply_->abort();
    }
}
