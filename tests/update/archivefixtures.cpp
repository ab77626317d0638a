#include "archivefixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <sodium.h>
#include <sys/stat.h>
#include <zip.h>

QByteArray makeZip(const QList<ZipEntry>& entries) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("a.zip"));
    int error = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return {};
    for (const ZipEntry& entry : entries) {
        zip_source_t* source =
            zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
        const zip_int64_t index =
            zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            continue;
        }
        zip_set_file_compression(archive, index, entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (zip_close(archive) != 0)
        return {};
    QFile file(dir.filePath("a.zip"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray fillerLines(int lines) {
    QByteArray filler;
    for (int i = 0; i < lines; ++i)
        filler += QByteArray::number(i * 7919 % 100003) + '\n';
    return filler;
}

KeyPair::KeyPair()
    : publicKey(crypto_sign_PUBLICKEYBYTES, 0), secretKey(crypto_sign_SECRETKEYBYTES, 0) {
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                        reinterpret_cast<unsigned char*>(secretKey.data()));
}

QByteArray KeyPair::sign(const QByteArray& data) const {
    QByteArray signature(crypto_sign_BYTES, 0);
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(data.constData()), data.size(),
                         reinterpret_cast<const unsigned char*>(secretKey.constData()));
    return signature;
}

QString WriteProgramFile(const QString& path, const QDateTime& modified) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\n");
    file.flush();
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    return path;
}

bool PlantAt(const QString& path, const QString& kind, const QString& victim) {
    if (kind == QLatin1String("link"))
        return QFile::link(victim, path);
    if (kind == QLatin1String("fifo"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("fremd") == 5;
}

QStringList PlantKinds() {
    return {QStringLiteral("link"), QStringLiteral("fifo"), QStringLiteral("file")};
}

QByteArray KeyPair::signRelease(const QByteArray& archive, const UpdateRelease& release) const {
    return sign(ReleaseStatement(release, archive));
}

UpdateRelease TestRelease(const QString& file, const QString& date) {
    return {QStringLiteral("Zensoria"), file, date};
}
