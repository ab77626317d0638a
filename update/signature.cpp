#include "update/signature.h"

#include <QFile>

#include <sodium.h>

bool VerifySignature(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey) {
    if (publicKey.size() != crypto_sign_PUBLICKEYBYTES || signature.size() != crypto_sign_BYTES)
        return false;
    if (sodium_init() < 0)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                       reinterpret_cast<const unsigned char*>(data.data()),
                                       static_cast<unsigned long long>(data.size()),
                                       reinterpret_cast<const unsigned char*>(publicKey.data())) ==
           0;
}

bool VerifyArchiveSignature(const QString& archiveFile, const QString& signatureFile,
                            QByteArrayView publicKey) {
    QFile signature(signatureFile);
    if (!signature.open(QIODevice::ReadOnly) || signature.size() != crypto_sign_BYTES)
        return false;
    const QByteArray signatureBytes = signature.readAll();
    QFile archive(archiveFile);
    if (!archive.open(QIODevice::ReadOnly))
        return false;
    // The archive is at most a few megabytes; it is checked whole, as it will be unpacked.
    const QByteArray data = archive.readAll();
    if (data.size() != archive.size())
        return false;
    return VerifySignature(data, signatureBytes, publicKey);
}

QString SignatureName(const QString& archiveName) {
    return archiveName + QStringLiteral(".sig");
}
