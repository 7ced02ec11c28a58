#include "ImageName.h"

QString MakeImageName(const Clock& clock) {
    const QString date = clock.dateText(); // mm-dd-yyyy
    const QString time = clock.timeText(); // hh:mm:ss, read after the date
    return QStringLiteral("T") + date.mid(6, 4) + date.mid(0, 2) + date.mid(3, 2) + time.mid(0, 2) +
           time.mid(3, 2) + time.mid(6, 2);
}
