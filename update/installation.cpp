#include "update/installation.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "update/archive.h"
#include "update/signature.h"

#include <QDir>
#include <QFile>

const QString UnsignedArchiveText = QStringLiteral(
    "Die heruntergeladene Update-Datei stammt nicht nachweislich vom Hersteller des Programms "
    "und wurde gelöscht. Es wird nichts installiert.");

QString PrepareInstallation(const InstallationRequest& request) {
    const ArchiveLimits limits;
    QFile archive(request.archiveFile);
    if (!archive.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Die Installationsdateien wurden nicht gefunden."));
    if (static_cast<quint64>(archive.size()) > limits.maxTotalBytes)
        throw AppError(QStringLiteral("Das Update-Archiv ist zu groß."));
    const QByteArray data = archive.readAll();
    archive.close();

    QFile signature(request.signatureFile);
    const QByteArray signatureBytes =
        signature.open(QIODevice::ReadOnly) ? signature.read(128) : QByteArray();
    if (!VerifySignature(data, signatureBytes, request.publicKey)) {
        QFile::remove(request.archiveFile);
        QFile::remove(request.signatureFile);
        throw AppError(UnsignedArchiveText);
    }

    const QString tempDir = request.folders.tempDir;
    const QString scriptPath = QDir(tempDir).filePath(UpdateScriptName);
    // A script left from an earlier run must not pass for this archive's template.
    QFile::remove(scriptPath);
    ExtractArchiveData(data, tempDir, limits);

    QFile templateFile(scriptPath);
    if (!templateFile.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Die Installationsvorlage %1 wurde im Update-Archiv nicht "
                                      "gefunden.")
                           .arg(UpdateScriptName));
    const QStringList lines =
        FillUpdateScript(TemplateLines(templateFile.readAll()), request.folders, request.restart);
    templateFile.close();
    writeFileAtomically(scriptPath, ScriptBytes(lines));

    QFile::remove(request.archiveFile);
    QFile::remove(request.signatureFile);
    return scriptPath;
}
