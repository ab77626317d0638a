#include "mainwindow/classtestformdate.h"

#include <QStringList>

namespace {

constexpr std::array<qsizetype, 3> PartLength = {2, 2, 4};
// A day starting with 4 .. 9 or a month starting with 2 .. 9 cannot take a second digit.
constexpr std::array<int, 2> LargestFirstDigit = {3, 1};
constexpr std::array<int, 2> LargestValue = {31, 12};

} // namespace

DateTyping::DateTyping(QDate shown, Part from) : shown_(shown), start_(from), current_(from) {}

bool DateTyping::digit(int value) {
    QString& part = parts_[current_];
    if (part.size() >= PartLength[current_])
        return false;
    part += QChar(u'0' + value);
    movedOn_ = false;
    if (current_ < Year &&
        (part.size() == PartLength[current_] || value > LargestFirstDigit[current_])) {
        ++current_;
        movedOn_ = true;
    }
    return true;
}

void DateTyping::nextPart() {
    if (movedOn_)
        movedOn_ = false;
    else if (current_ < Year)
        ++current_;
}

bool DateTyping::erase() {
    movedOn_ = false;
    if (parts_[current_].isEmpty() && current_ > start_)
        --current_;
    parts_[current_].chop(1);
    return current_ > start_ || !parts_[current_].isEmpty();
}

int DateTyping::partValue(int part) const {
    if (part > current_ || parts_[part].isEmpty()) {
        const std::array<int, 3> shown = {shown_.day(), shown_.month(), shown_.year()};
        return shown[part];
    }
    const int value = parts_[part].toInt();
    if (part == Year && parts_[part].size() <= 2)
        return 2000 + value;
    return part == Year && parts_[part].size() == 3 ? 0 : value;
}

QString DateTyping::text() const {
    QStringList pieces;
    for (int part = Day; part <= current_; ++part) {
        if (part < start_)
            pieces << QString::number(partValue(part)).rightJustified(PartLength[part], u'0');
        else
            pieces << parts_[part];
    }
    return pieces.join(u'.');
}

bool DateTyping::possible() const {
    for (int part = Day; part < Year; ++part) {
        const QString& typed = parts_[part];
        if (part < start_ || typed.isEmpty())
            continue;
        const int value = typed.toInt();
        if (value > LargestValue[part] || (typed.size() == PartLength[part] && value == 0))
            return false;
    }
    return !complete() || date().isValid();
}

QDate DateTyping::date() const {
    return QDate(partValue(Year), partValue(Month), partValue(Day));
}
