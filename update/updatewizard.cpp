#include "update/updatewizard.h"

#include "platform/localeformats.h"
#include "update/archive.h"
#include "update/installation.h"
#include "update/signature.h"
#include "update/updatecheck.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

const QString CancelDownloadText = QStringLiteral("Download ab&brechen");
const QString RetryDownloadText = QStringLiteral("Erneut versuchen");
const QString CancelDownloadQuestion =
    QStringLiteral("Soll der Download wirklich abgebrochen werden?");

void WizardSteps::start() {
    step_ = 0;
    UpdateAvailable = false;
    Downloading = false;
    DownloadFailed = false;
    InstallPrepared = false;
    CloseAfterDownload = false;
}

WizardSteps::Action WizardSteps::next() {
    if (step_ < 6)
        ++step_;
    switch (step_) {
    case 1:
        return Action::AwaitCheck;
    case 2:
        return Action::ShowResult;
    case 3:
        return UpdateAvailable ? Action::Download : Action::CloseWizard;
    case 4:
        return Action::None;
    case 5:
        return Action::PrepareInstallation;
    default:
        return Action::EndProgram;
    }
}

WizardSteps::Action WizardSteps::retry() {
    step_ = 2;
    DownloadFailed = false;
    return next();
}

void WizardSteps::installationFailed() {
    step_ = 4;
    InstallPrepared = false;
}

WizardSteps::Leave WizardSteps::leaveRequested() const {
    if (!Downloading)
        return Leave::Close;
    return CloseAfterDownload ? Leave::KeepWaiting : Leave::Ask;
}

void WizardSteps::leaveAnswered(bool yes) {
    if (yes && Downloading)
        CloseAfterDownload = true;
}

bool ReminderDueAtEnd(bool installPrepared, int pageShown, bool cancelEnabled) {
    return installPrepared || (pageShown == 3 && !cancelEnabled);
}

DownloadPageView DownloadPageFor(DownloadEnd end) {
    switch (end) {
    case DownloadEnd::Completed:
        return {WizardTexts[9], false, true};
    case DownloadEnd::Aborted:
    case DownloadEnd::Incomplete:
        return {WizardTexts[8], true, false};
    case DownloadEnd::Outdated:
        return {OutdatedArchiveText +
                    QStringLiteral("\r\n\r\nKlicken Sie auf \"Abbrechen\", um den Assistenten "
                                   "zu beenden."),
                false, false};
    case DownloadEnd::Unsigned:
        break;
    }
    return {UnsignedArchiveText +
                QStringLiteral("\r\n\r\nKlicken Sie auf \"Abbrechen\", um den Assistenten zu "
                               "beenden."),
            false, false};
}

const TransferLimits UpdatesIniTransfer{1024 * 1024, 60 * 1000};
const TransferLimits SignatureTransfer{64, 60 * 1000};
const TransferLimits ArchiveTransfer{static_cast<qint64>(ArchiveLimits{}.maxTotalBytes),
                                     60 * 60 * 1000};

void TransferLimits::applyTo(HttpClient& http) const {
    http.MaxBytes = maxBytes;
    http.Deadline = deadlineMs;
}

std::optional<UpdatesIni> FetchUpdatesIni(HttpClient& http, const QString& host,
                                          const QString& iniPath) {
    http.Body = iniPath;
    UpdatesIniTransfer.applyTo(http);
    if (http.Get(QStringLiteral("http://") + host + QStringLiteral("/Updates.ini")) !=
        HttpClient::Outcome::Completed)
        return std::nullopt;
    return UpdatesIni::read(iniPath);
}

bool NewerUpdateExists(const UpdatesIni& ini, const QString& programName, double versionDate,
                       const QDate& today, const LocaleFormats& formats) {
    return HasUpdateSection(ini, programName) &&
           ReadUpdateDate(ini, programName, today, formats) >= versionDate;
}

QString ArchiveUrl(const UpdatesIni& ini, const QString& programName, const QString& host) {
    return QStringLiteral("http://") + host + QStringLiteral("/Updates/") +
           ReadUpdateFile(ini, programName);
}

ArchiveDownload::ArchiveDownload(HttpClient& http, QObject* parent)
    : QObject(parent), http_(http) {}

UpdateRelease OfferedRelease(const UpdatesIni& ini, const QString& programName) {
    return {programName, ReadUpdateFile(ini, programName), ReadUpdateDateText(ini, programName)};
}

DownloadEnd ArchiveDownload::run(const QString& archiveUrl, const QString& target,
                                 const QByteArray& key, const UpdateRelease& release,
                                 double versionDate) {
    const QString signatureFile = SignatureName(target);
    // A signature left from an earlier download never vouches for this archive.
    QFile::remove(signatureFile);

    clock_.start();
    const auto connection =
        connect(&http_, &HttpClient::OnPacketRecvd, this, &ArchiveDownload::packetReceived);
    http_.Body = target;
    ArchiveTransfer.applyTo(http_);
    const HttpClient::Outcome outcome = http_.Get(archiveUrl);
    disconnect(connection);
    emit transferEnded();

    auto discard = [&] {
        QFile::remove(target);
        QFile::remove(signatureFile);
    };
    if (outcome == HttpClient::Outcome::Aborted || cancelRequested_) {
        // The partial archive goes after a pause, as the transfer may still hold the file.
        WaitProcessingEvents(abortedWaitMs);
        discard();
        return DownloadEnd::Aborted;
    }
    if (outcome != HttpClient::Outcome::Completed) {
        discard();
        return DownloadEnd::Incomplete;
    }

    http_.Body = signatureFile;
    SignatureTransfer.applyTo(http_);
    const HttpClient::Outcome signatureOutcome = http_.Get(SignatureName(archiveUrl));
    if (cancelRequested_) {
        discard();
        return DownloadEnd::Aborted;
    }
    if (signatureOutcome != HttpClient::Outcome::Completed ||
        !VerifyArchiveSignature(target, signatureFile, release, key)) {
        discard();
        return DownloadEnd::Unsigned;
    }
    // Signed, but an old release: never installed over a newer program.
    if (!ReleaseIsNewer(release.date, versionDate, LocaleFormats::current())) {
        discard();
        return DownloadEnd::Outdated;
    }
    return DownloadEnd::Completed;
}

void ArchiveDownload::requestCancel() {
    cancelRequested_ = true;
    if (http_.running())
        http_.Abort();
}

void ArchiveDownload::packetReceived(qint64 total, qint64 received) {
    DownloadProgress state;
    state.total = total;
    state.received = received;
    state.elapsedSeconds = double(clock_.elapsed()) / 1000.0;
    emit progress(state);
    if (cancelRequested_)
        http_.Abort();
}

void WaitProcessingEvents(int ms) {
    if (ms <= 0)
        return;
    QEventLoop loop;
    // A precise timer: a coarse one may end a wait of seconds up to 5 % early.
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
