#pragma once

#include "update/signature.h"
#include "update/updatescript.h"

#include <QByteArray>
#include <QString>

// Prepares the installation of a downloaded update archive: the archive's signature is
// checked again on the very bytes that are unpacked, for the release it was offered as, and a
// release not newer than the installed version is refused; the archive is unpacked into the
// temporary folder, its template "Update.bat" becomes the runnable script there, and the
// archive and its signature are deleted. Raises AppError with a German message when the
// archive is refused, the template breaks its rules or a file cannot be written; nothing is
// prepared then.
struct InstallationRequest {
    QString archiveFile;
    QString signatureFile;
    QByteArray publicKey;
    ScriptFolders folders;
    bool restart = true;
    UpdateRelease release;  // what "Updates.ini" offered the archive as
    double versionDate = 0; // the installed version, days since 30 December 1899
};

// The message shown when an archive does not come from the publisher.
extern const QString UnsignedArchiveText;
// The message shown when the signed release is not newer than the installed program.
extern const QString OutdatedArchiveText;

// Prepares the installation; returns the script's path.
QString PrepareInstallation(const InstallationRequest& request);
