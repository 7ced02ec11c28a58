#pragma once

// Where the program reads the time: seconds since midnight for seeding, and the local date and
// time as fixed-form texts for the image name. Tests and the renderer hand in their own.

#include <QDateTime>
#include <QString>

// The local date and time of one reading of the clock, as fixed-form texts.
struct ClockText {
    QString date; // "mm-dd-yyyy"
    QString time; // "hh:mm:ss", hours 00 to 23
};

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fractions.
    virtual double secondsSinceMidnight() const = 0;
    // The local date and time, both from the same reading, so a moment at midnight is not
    // given the day before.
    virtual ClockText dateAndTime() const = 0;
};

// The computer's own clock.
class SystemClock final : public Clock {
public:
    double secondsSinceMidnight() const override;
    ClockText dateAndTime() const override;
    // The texts of a given moment, whatever the user's regional settings.
    static ClockText textOf(const QDateTime& moment);
};
