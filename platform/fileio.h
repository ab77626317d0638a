#pragma once

#include <QByteArray>

#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

// Small pieces of POSIX file work shared by the writers of files.

// Closes its descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and tells whether the last writes were accepted.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Writes all of data at offset; false when a write fails or comes back short for good.
inline bool writeAll(int fd, const char* data, qsizetype size, off_t offset) {
    while (size > 0) {
        const ssize_t written = pwrite(fd, data, size_t(size), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

// Reads the first size bytes of the file into bytes; false when it holds fewer.
inline bool readAll(int fd, QByteArray& bytes, qsizetype size) {
    bytes.resize(size);
    qsizetype filled = 0;
    while (filled < size) {
        const ssize_t got = pread(fd, bytes.data() + filled, size_t(size - filled), filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        filled += got;
    }
    return true;
}
