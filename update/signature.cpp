#include "update/signature.h"

#include "update/archive.h"
#include "update/freshfile.h"

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
    const std::optional<QByteArray> signature = readOwnFile(signatureFile, crypto_sign_BYTES);
    // The archive is checked whole, as it will be unpacked.
    const std::optional<QByteArray> data =
        readOwnFile(archiveFile, static_cast<qint64>(ArchiveLimits{}.maxTotalBytes));
    return signature && data && VerifySignature(*data, *signature, publicKey);
}

QString SignatureName(const QString& archiveName) {
    return archiveName + QStringLiteral(".sig");
}
