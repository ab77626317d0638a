#include "testfiles.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/resource.h>

QByteArray readBytes(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<nicht lesbar>");
}

bool writeBytes(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

QStringList pdfPages(const QString& fileName) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {fileName, QStringLiteral("-")});
    if (!pdftotext.waitForStarted() || !pdftotext.waitForFinished(30000))
        return {QStringLiteral("pdftotext (poppler-utils) could not be run")};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

RefusedWrites::RefusedWrites() {
    // A write past the limit raises SIGXFSZ, which would end the test; ignored, the write
    // fails with EFBIG as the program sees it on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    oldCurrent_ = limit.rlim_cur;
    limit.rlim_cur = 16;
    limited_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

RefusedWrites::~RefusedWrites() {
    rlimit limit{};
    if (!limited_ || getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    limit.rlim_cur = rlim_t(oldCurrent_);
    setrlimit(RLIMIT_FSIZE, &limit);
}
