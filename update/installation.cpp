#include "update/installation.h"

#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "platform/regularfile.h"
#include "update/archive.h"
#include "update/freshfile.h"
#include "update/signature.h"
#include "update/updatecheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString UnsignedArchiveText = QStringLiteral(
    "Die heruntergeladene Update-Datei stammt nicht nachweislich vom Hersteller des Programms "
    "und wurde gelöscht. Es wird nichts installiert.");
const QString OutdatedArchiveText = QStringLiteral(
    "Die heruntergeladene Update-Datei ist nicht neuer als das installierte Programm und wurde "
    "gelöscht. Es wird nichts installiert.");

namespace {
// A signature file is small, and so is an installation template; anything longer is not one.
constexpr qint64 MaxSignatureFileBytes = 4096;
constexpr qint64 MaxTemplateBytes = 1024 * 1024;
} // namespace

QString PrepareInstallation(const InstallationRequest& request) {
    const ArchiveLimits limits;
    // Whatever goes wrong, the archive and its signature are of no further use.
    struct Discard {
        const InstallationRequest& request;
        bool armed = true;
        ~Discard() {
            if (!armed)
                return;
            QFile::remove(request.archiveFile);
            QFile::remove(request.signatureFile);
        }
    } discard{request};

    if (!QFileInfo(request.archiveFile).isFile())
        throw AppError(QStringLiteral("Die Installationsdateien wurden nicht gefunden."));
    BoundedRead archive =
        readOwnFile(request.archiveFile, static_cast<qint64>(limits.maxTotalBytes));
    if (archive.outcome == BoundedRead::Outcome::TooLarge)
        throw AppError(QStringLiteral("Das Update-Archiv ist zu groß."));
    const std::optional<QByteArray> data = std::move(archive).contents();
    if (!data)
        throw AppError(QStringLiteral("Die Installationsdateien wurden nicht gefunden."));

    const QByteArray signatureBytes =
        readOwnFile(request.signatureFile, MaxSignatureFileBytes).contents().value_or(QByteArray());
    if (!VerifyRelease(*data, request.release, signatureBytes, request.publicKey))
        throw AppError(UnsignedArchiveText);
    if (!ReleaseIsNewer(request.release.date, request.versionDate, LocaleFormats::current()))
        throw AppError(OutdatedArchiveText);

    const QString tempDir = request.folders.tempDir;
    const QString scriptPath = QDir(tempDir).filePath(UpdateScriptName);
    // A script left from an earlier run must not pass for this archive's template.
    QFile::remove(scriptPath);
    ExtractArchiveData(*data, tempDir, limits);

    const std::optional<QByteArray> templateBytes =
        readOwnFile(scriptPath, MaxTemplateBytes).contents();
    if (!templateBytes)
        throw AppError(QStringLiteral("Die Installationsvorlage %1 wurde im Update-Archiv nicht "
                                      "gefunden.")
                           .arg(UpdateScriptName));
    const QStringList lines =
        FillUpdateScript(TemplateLines(*templateBytes), request.folders, request.restart);
    writeFreshFile(scriptPath, ScriptBytes(lines));
    return scriptPath;
}
