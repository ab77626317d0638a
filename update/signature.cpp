#include "update/signature.h"

#include "platform/regularfile.h"
#include "update/archive.h"

#include <QCryptographicHash>

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

QByteArray ReleaseStatement(const UpdateRelease& release, QByteArrayView archive) {
    // A line break inside a value would let one statement pass for another.
    auto line = [](const char* key, const QString& value) {
        QByteArray text = value.toUtf8();
        text.replace('\n', ' ').replace('\r', ' ');
        return QByteArray(key) + '=' + text + '\n';
    };
    return QByteArray("zensoria-update\n") + line("program", release.program) +
           line("file", release.file) + line("date", release.date) +
           "sha256=" + QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex() + '\n';
}

bool VerifyRelease(QByteArrayView archive, const UpdateRelease& release, QByteArrayView signature,
                   QByteArrayView publicKey) {
    return VerifySignature(ReleaseStatement(release, archive), signature, publicKey);
}

bool VerifyArchiveSignature(const QString& archiveFile, const QString& signatureFile,
                            const UpdateRelease& release, QByteArrayView publicKey) {
    const std::optional<QByteArray> signature =
        readOwnFile(signatureFile, crypto_sign_BYTES).contents();
    // The archive is checked whole, as it will be unpacked.
    const std::optional<QByteArray> data =
        readOwnFile(archiveFile, static_cast<qint64>(ArchiveLimits{}.maxTotalBytes)).contents();
    return signature && data && VerifyRelease(*data, release, *signature, publicKey);
}

QString SignatureName(const QString& archiveName) {
    return archiveName + QStringLiteral(".sig");
}
