#include "update/downloadprogress.h"

#include "platform/localeformats.h"

#include <QTime>

#include <algorithm>
#include <cmath>

QString FormatByteSize(double count, QChar decimalSeparator) {
    static const char* const units[] = {"Byte", "KB", "MB", "GB", "TB"};
    double v = count;
    int u = 0;
    while (v >= 1024 && u <= 4) {
        v /= 1024;
        ++u;
    }
    if (u == 5) {
        v *= 1024;
        u = 4;
    }
    const int wholeDigits = static_cast<int>(QString::number(std::round(v), 'f', 0).size());
    QString number = QString::number(v, 'g', wholeDigits + 1);
    // Large counts would come out in exponent form; the whole number is wanted then.
    if (number.contains(u'e'))
        number = QString::number(v, 'f', 0);
    number.replace(u'.', decimalSeparator);
    return number + u' ' + QLatin1String(units[u]);
}

double DownloadProgress::secondsLeft() const {
    if (elapsedSeconds == 0 || received == 0)
        return 0;
    return elapsedSeconds * static_cast<double>(total) / static_cast<double>(received) -
           elapsedSeconds;
}

QString DownloadProgress::perCentText() const {
    if (total == 0)
        return QStringLiteral("100 %");
    const double share = static_cast<double>(received) / static_cast<double>(total) * 100;
    return QString::number(std::llround(share)) + QStringLiteral(" %");
}

QString DownloadProgress::statusText(QChar decimalSeparator) const {
    return FormatByteSize(static_cast<double>(received), decimalSeparator) +
           QStringLiteral(" von ") + FormatByteSize(static_cast<double>(total), decimalSeparator) +
           QStringLiteral(" gedownloadet");
}

QString DownloadProgress::timeLeftText(const LocaleFormats& formats) const {
    // A time of day: whole seconds, at most one day minus a second.
    const double left = std::clamp(secondsLeft(), 0.0, 86399.0);
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(std::llround(left)));
    return QStringLiteral("verbleibende Zeit: ") + formats.longTimeText(time);
}
