#include "platform/atomicfile.h"

#include "platform/apperror.h"

#include <QFileInfo>
#include <QSaveFile>

AppError writeRefused(const QString& fileName) {
    return AppError(QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
}

void writeFileAtomically(const QString& fileName, const QByteArray& data) {
    const auto refused = [&] { return writeRefused(fileName); };
    // A read-only file would be replaced by the rename, since the folder is writable;
    // the user made it read-only to keep it as it is. The write bits count as well, since
    // root may write any file.
    const QFileInfo info(fileName);
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        throw refused();

    QSaveFile file(fileName);
    // Without this, QSaveFile falls back to writing the file in place when the folder is
    // read-only, which is exactly what must not happen.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw refused();
    // With a full disk or a file-size limit write() may come back short while commit() still
    // reports success; check every step and cancel so that the old file survives.
    if (file.write(data) != data.size() || !file.flush()) {
        file.cancelWriting();
        file.commit();
        throw refused();
    }
    if (!file.commit())
        throw refused();
}
