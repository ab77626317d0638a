#include "platform/writejournal.h"

#include "platform/fileio.h"
#include "platform/privatefolder.h"
#include "platform/regularfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>

namespace {

QString& folderOverride() {
    static QString folder;
    return folder;
}

// A journal: the magic line, the lengths of the target's name, the old and the new contents
// (8 bytes each, little-endian), the three, and the SHA-256 of everything before it.
const QByteArray magic = QByteArrayLiteral("Zensoria-Schreibjournal 1\n");
constexpr qsizetype lengthBytes = 8;
constexpr qsizetype hashBytes = 32;

void appendLength(QByteArray& bytes, qsizetype length) {
    char field[lengthBytes];
    qToLittleEndian<qint64>(qint64(length), field);
    bytes.append(field, lengthBytes);
}

QByteArray journalBytes(const QByteArray& target, const QByteArray& old, const QByteArray& neu) {
    QByteArray bytes;
    bytes.reserve(magic.size() + 3 * lengthBytes + target.size() + old.size() + neu.size() +
                  hashBytes);
    bytes += magic;
    appendLength(bytes, target.size());
    appendLength(bytes, old.size());
    appendLength(bytes, neu.size());
    bytes += target;
    bytes += old;
    bytes += neu;
    bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return bytes;
}

struct JournalContents {
    QByteArray target;
    QByteArray old;
    QByteArray neu;
};

// The parts of a whole journal; false for a journal cut off while it was written.
bool parseJournal(const QByteArray& bytes, JournalContents& contents) {
    const qsizetype fixed = magic.size() + 3 * lengthBytes;
    if (bytes.size() < fixed + hashBytes || !bytes.startsWith(magic))
        return false;
    const QByteArrayView body = QByteArrayView(bytes).first(bytes.size() - hashBytes);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha256) != bytes.right(hashBytes))
        return false;
    qint64 lengths[3];
    for (int i = 0; i < 3; ++i) {
        lengths[i] = qFromLittleEndian<qint64>(bytes.constData() + magic.size() + i * lengthBytes);
        if (lengths[i] < 0)
            return false;
    }
    if (fixed + lengths[0] + lengths[1] + lengths[2] != body.size())
        return false;
    qsizetype at = fixed;
    contents.target = bytes.mid(at, lengths[0]);
    at += lengths[0];
    contents.old = bytes.mid(at, lengths[1]);
    at += lengths[1];
    contents.neu = bytes.mid(at, lengths[2]);
    return true;
}

// What an in-place write of neu over old can leave when it is cut off: the new bytes from the
// start up to some point, then old bytes or the zeros of reserved space, at the old, new or
// larger size.
bool mixtureOf(const QByteArray& current, const QByteArray& old, const QByteArray& neu) {
    const qsizetype size = current.size();
    if (size != old.size() && size != neu.size() && size != std::max(old.size(), neu.size()))
        return false;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = current.at(i);
        if (!(i < neu.size() && c == neu.at(i)) && !(i < old.size() && c == old.at(i)) && c != 0)
            return false;
    }
    return true;
}

void syncFolder(const QString& folder) {
    Descriptor directory(open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC));
    if (directory.valid())
        fsync(directory.get());
}

} // namespace

WriteJournal::WriteJournal(QString target) : target_(std::move(target)) {
    const QByteArray name =
        QCryptographicHash::hash(QFile::encodeName(target_), QCryptographicHash::Sha256).toHex();
    journalPath_ =
        folder() + u'/' + QString::fromLatin1(name.first(32)) + QStringLiteral(".journal");
}

QString WriteJournal::folder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/zensoria/Schreibjournal");
}

void WriteJournal::setFolder(const QString& folder) {
    folderOverride() = folder;
}

bool WriteJournal::begin(const QByteArray& oldContents, const QByteArray& newContents) {
    const QString dir = folder();
    // Made for this user alone: a folder of that name that is not this user's own (a link,
    // another user's folder) is not used.
    if (!makePrivateFolder(dir))
        return false;
    // Written beside, then renamed: a journal under its own name is always whole.
    const QString temporary = journalPath_ + QStringLiteral(".tmp");
    const QByteArray temporaryPath = QFile::encodeName(temporary);
    unlink(temporaryPath.constData());
    const QByteArray bytes = journalBytes(QFile::encodeName(target_), oldContents, newContents);
    Descriptor file(open(temporaryPath.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid())
        return false;
    const bool written =
        writeAll(file.get(), bytes.constData(), bytes.size(), 0) && fsync(file.get()) == 0 &&
        file.close() &&
        rename(temporaryPath.constData(), QFile::encodeName(journalPath_).constData()) == 0;
    if (!written) {
        unlink(temporaryPath.constData());
        return false;
    }
    syncFolder(dir);
    return true;
}

void WriteJournal::end() {
    unlink(QFile::encodeName(journalPath_).constData());
    syncFolder(folder());
}

void WriteJournal::recover() {
    // The journal is this program's own file in this user's folder; its size bounds the read.
    const std::optional<QByteArray> bytes =
        readOwnFile(journalPath_, std::numeric_limits<qint64>::max()).contents();
    if (!bytes)
        return;
    JournalContents journal;
    // A journal that is not whole was cut off before the file was touched.
    if (!parseJournal(*bytes, journal) || journal.target != QFile::encodeName(target_)) {
        end();
        return;
    }
    Descriptor file(
        open(QFile::encodeName(target_).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    // Not to be written now (another user's file, gone): the journal waits for a later look.
    if (!file.valid() || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    QByteArray current;
    if (!readAll(file.get(), current, qsizetype(info.st_size)))
        return;
    if (current != journal.old && current != journal.neu &&
        mixtureOf(current, journal.old, journal.neu)) {
        if (!writeAll(file.get(), journal.neu.constData(), journal.neu.size(), 0) ||
            ftruncate(file.get(), off_t(journal.neu.size())) != 0 || fsync(file.get()) != 0)
            return;
    }
    end();
}
