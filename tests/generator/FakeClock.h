#pragma once

// A clock the test sets by hand. It records the order in which it is read, and can move on to a
// second reading right after its first read, to model a start that crosses midnight.

#include "Clock.h"

#include <QStringList>
#include <optional>

class FakeClock final : public Clock {
public:
    struct Reading {
        double seconds = 0;
        QString date;
        QString time;
    };

    explicit FakeClock(double seconds = 32703.25, QString date = QStringLiteral("03-07-2024"),
                       QString time = QStringLiteral("09:05:03"))
        : now_{seconds, std::move(date), std::move(time)} {}

    void set(const Reading& r) { now_ = r; }
    // After the next reading of any kind, the clock shows `later`.
    void tickAfterNextRead(const Reading& later) { later_ = later; }

    double secondsSinceMidnight() const override { return read(QStringLiteral("seconds")).seconds; }
    ClockText dateAndTime() const override {
        const Reading r = read(QStringLiteral("date and time"));
        return {r.date, r.time};
    }

    mutable QStringList reads; // what was read, in order

private:
    Reading read(const QString& what) const {
        reads << what;
        const Reading r = now_;
        if (later_) {
            now_ = *later_;
            later_.reset();
        }
        return r;
    }

    mutable Reading now_;
    mutable std::optional<Reading> later_;
};
