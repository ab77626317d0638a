#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Update archives are signed by the publisher with Ed25519: beside the archive the server
// keeps its detached signature, the archive's name followed by ".sig", holding the 64 bytes
// of the signature. What is signed is the release statement: the archive's SHA-256 together
// with the program, the archive's file name and the release date as "Updates.ini" gives
// them, so that a signed archive passes only for the release it was signed for, and an old
// archive cannot be offered again under a newer date.

// The release an archive is offered as, from the program's section of "Updates.ini".
struct UpdateRelease {
    QString program; // the section's name
    QString file;    // "File", the archive's name in the server folder "/Updates/"
    QString date;    // "Date" as it is written there
};

// The signed text, UTF-8, lines ended by LF:
//   zensoria-update
//   program=<program>
//   file=<file>
//   date=<date>
//   sha256=<SHA-256 of the archive, 64 lower-case hex digits>
QByteArray ReleaseStatement(const UpdateRelease& release, QByteArrayView archive);

// True when signature is the publisher's signature of the statement for this archive as
// this release.
bool VerifyRelease(QByteArrayView archive, const UpdateRelease& release, QByteArrayView signature,
                   QByteArrayView publicKey);

// True when signature is a valid Ed25519 signature of data under publicKey (32 bytes). A
// missing key, a signature of another size or any mismatch gives false.
bool VerifySignature(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey);

// The same for the archive file and its signature file; a file that cannot be read (or is a
// link or pipe) gives false.
bool VerifyArchiveSignature(const QString& archiveFile, const QString& signatureFile,
                            const UpdateRelease& release, QByteArrayView publicKey);

// The name of the signature beside an archive: archive + ".sig".
QString SignatureName(const QString& archiveName);
