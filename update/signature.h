#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Update archives are signed by the publisher with Ed25519: beside the archive the server
// keeps its detached signature, the archive's name followed by ".sig", holding the 64 bytes
// of the signature.

// True when signature is a valid Ed25519 signature of data under publicKey (32 bytes). A
// missing key, a signature of another size or any mismatch gives false.
bool VerifySignature(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey);

// The same for the archive file and its signature file; a file that cannot be read gives
// false.
bool VerifyArchiveSignature(const QString& archiveFile, const QString& signatureFile,
                            QByteArrayView publicKey);

// The name of the signature beside an archive: archive + ".sig".
QString SignatureName(const QString& archiveName);
