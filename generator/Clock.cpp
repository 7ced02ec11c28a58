#include "Clock.h"

#include <QDate>
#include <QTime>

double SystemClock::secondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

// Fixed forms, whatever the user's regional settings.
QString SystemClock::dateText() const {
    return QDate::currentDate().toString(u"MM-dd-yyyy");
}

QString SystemClock::timeText() const {
    return QTime::currentTime().toString(u"HH:mm:ss");
}
