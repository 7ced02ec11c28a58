#pragma once

// Where the program reads the time: seconds since midnight for seeding, and the local date and
// time as fixed-form texts for the image name. Tests and the renderer hand in their own.

#include <QString>

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fractions.
    virtual double secondsSinceMidnight() const = 0;
    // The local date as "mm-dd-yyyy".
    virtual QString dateText() const = 0;
    // The local time as "hh:mm:ss", hours 00 to 23.
    virtual QString timeText() const = 0;
};

// The computer's own clock.
class SystemClock final : public Clock {
public:
    double secondsSinceMidnight() const override;
    QString dateText() const override;
    QString timeText() const override;
};
