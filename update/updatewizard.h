#pragma once

#include "update/downloadprogress.h"
#include "update/httpclient.h"
#include "update/signature.h"
#include "update/updatesini.h"

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>

class LocaleFormats;

// The steps of the update wizard and what "Weiter >" does at each of them:
//   0 welcome, 1 check, 2 result, 3 download, 4 install, 5 finish, 6 the program ends.
// The window holds one WizardSteps per run; each showing starts it again at step 0.
class WizardSteps {
public:
    // What the window has to do for the step that "Weiter >" has just made.
    enum class Action {
        AwaitCheck,          // 1: "Weiter >" stays disabled until the check has found its result
        ShowResult,          // 2: fill the result page and enable "Weiter >"
        CloseWizard,         // 3 without an update: "Beenden" after a check without updates
        Download,            // 3 with an update: run the download
        None,                // 4: the download has completed
        PrepareInstallation, // 5: unpack the archive and write the script
        EndProgram,          // 6: "Beenden" on the finish page
    };

    // Each showing: step 0, every flag cleared.
    void start();
    // "Weiter >": the next step and what it needs.
    Action next();
    // "Erneut versuchen" after an incomplete download: back to step 2 with the failure flag
    // cleared, then as "Weiter >".
    Action retry();
    // A preparation that raised an error goes back to the install step, so that the wizard
    // stays usable and its closing does not end the program.
    void installationFailed();

    int step() const { return step_; }

    // Set when a check starts, cleared by its failure; after a successful check true exactly
    // when a newer update exists.
    bool UpdateAvailable = false;
    // True while the archive download runs, its signature's included.
    bool Downloading = false;
    // The last download did not complete (aborted, broken, refused).
    bool DownloadFailed = false;
    // The installation is prepared; the script is started at program end.
    bool InstallPrepared = false;
    // The user asked to leave during a download and confirmed it: the wizard closes as soon
    // as the transfer has returned.
    bool CloseAfterDownload = false;

    // A request to leave the wizard ("Abbrechen" or the close box).
    enum class Leave {
        Close,      // no download runs: the wizard closes
        Ask,        // a download runs: ask the cancel question
        KeepWaiting // already confirmed: the wizard closes when the transfer has returned
    };
    Leave leaveRequested() const;
    // The answer to the question of a leave request during a download; with yes the window
    // also asks the download to cancel.
    void leaveAnswered(bool yes);

    // Whether closing the wizard now ends the program (the finish page, or the install step
    // after the archive was found missing).
    bool closingEndsProgram() const { return step_ >= 5; }

private:
    int step_ = 0;
};

// Whether the window's destruction at program end writes the next reminder limit: after a
// prepared installation, or when the wizard was left on the download page with "Abbrechen"
// disabled, which is where "Beenden" after a check without updates leaves it.
bool ReminderDueAtEnd(bool installPrepared, int pageShown, bool cancelEnabled);

// How a download ended.
enum class DownloadEnd {
    Completed,  // archive and signature complete, the signature verified
    Aborted,    // the user aborted it
    Incomplete, // transport error, HTTP error status, fewer bytes than announced
    Unsigned,   // the signature is missing or does not match the archive as this release
    Outdated,   // a signed release that is not newer than the installed version
};

// What the download page shows after a download.
struct DownloadPageView {
    QString text;     // Label_Download
    bool offerRetry;  // CancelDownload reads "Erneut versuchen"; otherwise it is hidden
    bool nextEnabled; // "Weiter >" leads to the install step
};
DownloadPageView DownloadPageFor(DownloadEnd end);

// The button captions of the download page.
extern const QString CancelDownloadText; // "Download ab&brechen"
extern const QString RetryDownloadText;  // "Erneut versuchen"
// The question before a running download is aborted.
extern const QString CancelDownloadQuestion;

// How large and how long each answer of the update server may be; a longer or slower one is
// stopped at once and counts as failed.
struct TransferLimits {
    qint64 maxBytes;
    int deadlineMs;
    void applyTo(HttpClient& http) const;
};
extern const TransferLimits UpdatesIniTransfer; // 1 MiB in a minute
extern const TransferLimits SignatureTransfer;  // the 64 bytes of a signature in a minute
extern const TransferLimits ArchiveTransfer;    // what the installation accepts, in an hour

// The server file "Updates.ini" at the root of host, fetched into iniPath; nothing when the
// transfer did not complete.
std::optional<UpdatesIni> FetchUpdatesIni(HttpClient& http, const QString& host,
                                          const QString& iniPath);
// After a successful check: the program's section exists and its "Date" is not older than
// the installed version (versionDate with its time of day, so the same day is not newer).
bool NewerUpdateExists(const UpdatesIni& ini, const QString& programName, double versionDate,
                       const QDate& today, const LocaleFormats& formats);
// The release the program's section offers: its name, "File" and "Date".
UpdateRelease OfferedRelease(const UpdatesIni& ini, const QString& programName);
// "http://" + host + "/Updates/" + the "File" of the program's section.
QString ArchiveUrl(const UpdatesIni& ini, const QString& programName, const QString& host);

// The download of the update archive: the archive into the target file, and beside it its
// signature (target + ".sig", fetched from the archive's URL + ".sig"). Only an archive whose
// signature verifies under the public key stays; any other outcome deletes both files.
//
// run() blocks while pending events go on running, so the window's handlers are entered
// during it. A cancel (requestCancel) stops the running transfer at once, also one that
// receives nothing; after an aborted transfer the partial archive is deleted after a wait of
// abortedWaitMs, during which events go on running as well.
class ArchiveDownload : public QObject {
    Q_OBJECT
public:
    explicit ArchiveDownload(HttpClient& http, QObject* parent = nullptr);

    // The archive offered as release, checked against the installed version's date.
    DownloadEnd run(const QString& archiveUrl, const QString& target, const QByteArray& key,
                    const UpdateRelease& release, double versionDate);

    // Stops the running transfer (the archive or its signature) at once.
    void requestCancel();
    bool cancelRequested() const { return cancelRequested_; }
    void clearCancel() { cancelRequested_ = false; }

    // The wait between an aborted transfer and the deletion of the partial archive.
    int abortedWaitMs = 3000;

signals:
    // After each received packet of the archive.
    void progress(const DownloadProgress& progress);
    // The archive's transfer has returned (before the wait after an abort).
    void transferEnded();

private:
    void packetReceived(qint64 total, qint64 received);

    HttpClient& http_;
    bool cancelRequested_ = false;
    QElapsedTimer clock_; // since the start of the running download
};

// Waits ms milliseconds while events go on running.
void WaitProcessingEvents(int ms);
