#pragma once

#include "platform/localeformats.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Helpers of the fuzz targets: reading an input piece by piece, and a private folder for the
// files a target writes.

// Stops the run with a message: a broken promise of the code under test. libFuzzer keeps the
// input that did it.
[[noreturn]] inline void fuzzFailure(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "FUZZ FAILURE: %s\n%s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzzFailure(#condition, detail);                                                       \
    } while (false)

// Reads bytes, numbers and texts from the front of an input; past its end everything is zero.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int number(int below) { return below <= 0 ? 0 : int(byte()) % below; }
    QByteArray bytes(size_t count) {
        count = std::min(count, size_ - std::min(pos_, size_));
        QByteArray out(reinterpret_cast<const char*>(data_ + pos_), qsizetype(count));
        pos_ += count;
        return out;
    }
    QByteArray rest() { return bytes(size_); }
    // A short text built from characters that matter to the file format and its encodings.
    QString text(int maxLength) {
        static const char16_t palette[] = {
            u'a',      u'B',      u'5',      u',',      u'.',      u'=',      u'[',      u']',
            u';',      u' ',      u'\t',     u'\r',     u'\n',     u'"',      u'\'',     u'-',
            u'0',      u'1',      u'2',      u'\u00E4', u'\u00D6', u'\u00DF', u'\u00A0', u'\u00FF',
            u'\u0100', u'\u0142', u'\u221A', u'\u2192', u'\u20AC', u'\u2013', u'\u0081', u'\u0000',
        };
        const int length = number(maxLength + 1);
        QString out;
        for (int i = 0; i < length; ++i) {
            const uint8_t b = byte();
            if (b >= 0xF8)
                out += QString::fromUtf8("\xF0\x9F\x98\x80"); // a character beyond 16 bits
            else if (b >= 0x80)
                out += QChar(palette[b % std::size(palette)]);
            else
                out += QChar(b < 0x20 ? palette[b] : b);
        }
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The program's German formats of dates and numbers, set on the first call in a process.
inline void useGermanFormats() {
    static const bool once = [] {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        return true;
    }();
    (void)once;
}

// One private folder per process for the files of a target.
inline const QString& fuzzFolder() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zensoria-fuzz-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

inline bool writeFuzzFile(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray readFuzzFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
