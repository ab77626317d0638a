#pragma once

#include <QDate>
#include <QString>

#include <array>

// A date as it is being typed into the date field, part by part: day, month, year. The field
// shows the long date; as soon as the user types a digit it shows this entry instead
// ("14.11.20"), until the date is complete or the user leaves the field.
//
// Digits fill the current part. A day or month moves on to the next part by itself when it has
// two digits, or one that no longer digit can follow (day 4 .. 9, month 2 .. 9), so "14112025"
// and "4.11.2025" both work. A separator ("." or the Right key) moves on by hand; right after a
// part that moved on by itself it is taken as already done, so "14.11.2025" needs no care about
// when the field moved on.
class DateTyping {
public:
    enum Part { Day, Month, Year };

    // Starts an entry at the part `from` over the date the field showed; the parts before it
    // and the parts not typed keep the shown date's values.
    DateTyping(QDate shown, Part from);

    // Appends a digit 0 .. 9 to the current part; false when the year is full already.
    bool digit(int value);
    // The next part (the separator or Right key).
    void nextPart();
    // Removes the last digit typed; false when nothing typed is left.
    bool erase();

    // What the field shows: "14.11.2025", "14.1", "14.11." (two-digit day and month of the
    // shown date where typing started in a later part).
    QString text() const;
    // The year has all four digits: nothing more can be typed.
    bool complete() const { return parts_[Year].size() == 4; }
    // No part typed so far is out of its range (day 1 .. 31, month 1 .. 12), and a complete
    // entry is a date that exists.
    bool possible() const;
    // The date typed, with the parts not typed taken from the shown date and a one- or
    // two-digit year in 2000 .. 2099; invalid when no such date exists (31.02., day 0, a
    // three-digit year).
    QDate date() const;

private:
    int partValue(int part) const;

    QDate shown_;
    std::array<QString, 3> parts_;
    int start_;
    int current_;
    bool movedOn_ = false;
};
