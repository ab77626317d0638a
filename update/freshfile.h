#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Files that the update writes are always new files: whatever has the name already (a file,
// a symbolic link, a pipe) is replaced, never opened, and a link is never followed.
//
// The data goes to a file created exclusively beside the target (O_CREAT | O_EXCL |
// O_NOFOLLOW, a fresh random name), which is then renamed to the target's name; a rename
// replaces the name itself, so a link planted there is replaced and its target untouched.
class FreshFile {
public:
    explicit FreshFile(QString target);
    ~FreshFile(); // a file that was not published is removed
    FreshFile(const FreshFile&) = delete;
    FreshFile& operator=(const FreshFile&) = delete;

    // Creates the new file beside the target. False when the folder refuses it.
    bool open();
    // Writes all bytes; false when the disk refused any of them.
    bool write(const char* data, qint64 size);
    bool write(QByteArrayView bytes) { return write(bytes.data(), bytes.size()); }
    // Gives the new file the target's name. It may still be written afterwards (a download
    // that grows under its own name). False when the rename was refused.
    bool publish();
    // The bytes written so far.
    qint64 size() const { return size_; }
    // Closes the file; false when the disk reported an error.
    bool close();
    // Removes the file (under whichever name it has) and closes it.
    void discard();

    const QString& target() const { return target_; }

private:
    QString target_;
    QString current_;
    int fd_ = -1;
    qint64 size_ = 0;
    bool published_ = false;
};

// Writes bytes as the new file fileName (see FreshFile). Raises AppError "In <fileName> kann
// nicht geschrieben werden" when that fails; the name then keeps what it had.
void writeFreshFile(const QString& fileName, QByteArrayView bytes);
