#pragma once

#include <QChar>
#include <QString>

class LocaleFormats;

// A byte count as text with the largest fitting unit of 1024: "0 Byte", "1023 Byte",
// "1,5 KB", "1 MB", up to "TB". The number has one significant digit more than its whole
// part has digits, trailing zeros dropped, with the given decimal separator.
QString FormatByteSize(double count, QChar decimalSeparator);

// The progress display of a running download, for total bytes announced (0 when unknown) and
// received bytes so far, elapsedSeconds after the download's start.
struct DownloadProgress {
    qint64 total = 0;
    qint64 received = 0;
    double elapsedSeconds = 0;

    // elapsed × total ÷ received − elapsed; 0 before any byte has arrived.
    double secondsLeft() const;
    // "25 %"; "100 %" when the total is unknown.
    QString perCentText() const;
    // "512 Byte von 2 KB gedownloadet".
    QString statusText(QChar decimalSeparator) const;
    // "verbleibende Zeit: 00:00:30" in the long time format.
    QString timeLeftText(const LocaleFormats& formats) const;
};
