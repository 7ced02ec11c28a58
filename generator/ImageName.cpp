#include "ImageName.h"

QString MakeImageName(const Clock& clock) {
    const ClockText now = clock.dateAndTime();
    const QString& date = now.date; // mm-dd-yyyy
    const QString& time = now.time; // hh:mm:ss
    return QStringLiteral("T") + date.mid(6, 4) + date.mid(0, 2) + date.mid(3, 2) + time.mid(0, 2) +
           time.mid(3, 2) + time.mid(6, 2);
}
