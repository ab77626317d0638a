#include "platform/datetime.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {
constexpr qint64 msecsPerDay = 24 * 60 * 60 * 1000;

QDate dayZero() {
    return QDate(1899, 12, 30);
}
} // namespace

double daysSince1899(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return 0.0;
    const qint64 days = dayZero().daysTo(dateTime.date());
    const double fraction =
        static_cast<double>(dateTime.time().msecsSinceStartOfDay()) / msecsPerDay;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

QDateTime dateTimeFromDays(double days) {
    // Beyond these bounds the value is no date the program could have written.
    if (!std::isfinite(days) || days < -693593.0 || days >= 2958466.0)
        return QDateTime();
    const double whole = std::trunc(days);
    qint64 msecs = std::llround(std::fabs(days - whole) * msecsPerDay);
    QDate date = dayZero().addDays(static_cast<qint64>(whole));
    // A fraction that rounds up to a whole day is midnight of the following day.
    if (msecs >= msecsPerDay) {
        msecs = 0;
        date = date.addDays(1);
    }
    const QDateTime result(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
    return result.isValid() ? result : QDateTime();
}

QByteArray daysToBinary(double days) {
    quint64 bits = 0;
    static_assert(sizeof bits == sizeof days);
    std::memcpy(&bits, &days, sizeof bits);
    QByteArray data(sizeof bits, Qt::Uninitialized);
    qToLittleEndian(bits, data.data());
    return data;
}

std::optional<double> daysFromBinary(const QByteArray& data) {
    quint64 bits = 0;
    if (data.size() != static_cast<qsizetype>(sizeof bits))
        return std::nullopt;
    bits = qFromLittleEndian<quint64>(data.constData());
    double days = 0.0;
    std::memcpy(&days, &bits, sizeof days);
    return days;
}
