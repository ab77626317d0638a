#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// Date-times stored as a floating-point number of days since 30 December 1899, 00:00 (the
// form in which the registry keeps dates): the integral part counts the days, the fraction
// is the time of day. Before that day the integral part is the (negative) day offset and the
// fraction still counts forward from midnight of that day, so -1.25 is 29 December 1899, 06:00.
// The date-times are local times.

// Days since 30 December 1899 of the given date-time; an invalid date-time gives 0.
double daysSince1899(const QDateTime& dateTime);
// The date-time of the given day number, to the millisecond; an invalid QDateTime when the
// number is not finite or lies outside the years 1 to 9999.
QDateTime dateTimeFromDays(double days);

// The 8-byte form of a day number as stored in binary registry values (IEEE 754 double,
// little-endian).
QByteArray daysToBinary(double days);
// Reads the 8-byte form back; nothing when the data has another size.
std::optional<double> daysFromBinary(const QByteArray& data);
