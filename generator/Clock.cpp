#include "Clock.h"

#include <QTime>

double SystemClock::secondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

ClockText SystemClock::dateAndTime() const {
    return textOf(QDateTime::currentDateTime());
}

ClockText SystemClock::textOf(const QDateTime& moment) {
    return {moment.date().toString(u"MM-dd-yyyy"), moment.time().toString(u"HH:mm:ss")};
}
