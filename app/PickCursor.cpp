#include "PickCursor.h"

#include <QPainter>
#include <QPixmap>

QCursor pickCursor(colour::Value colour) {
    QPixmap picture(pickCursorSide, pickCursorSide);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const QPoint hot = pickCursorHotSpot;
    // The crosshair: black arms with a white edge on each side.
    painter.fillRect(QRect(hot.x() - 7, hot.y() - 1, 15, 3), Qt::white);
    painter.fillRect(QRect(hot.x() - 1, hot.y() - 7, 3, 15), Qt::white);
    painter.fillRect(QRect(hot.x() - 6, hot.y(), 13, 1), Qt::black);
    painter.fillRect(QRect(hot.x(), hot.y() - 6, 1, 13), Qt::black);
    // The swatch, outlined in black and white whatever its colour.
    const QColor fill = QColor::fromRgb(colour::toQRgb(colour));
    const QRect swatch(13, 13, 17, 17);
    painter.fillRect(swatch, Qt::black);
    painter.fillRect(swatch.adjusted(1, 1, -1, -1), Qt::white);
    painter.fillRect(swatch.adjusted(2, 2, -2, -2), fill);
    painter.end();
    return QCursor(picture, hot.x(), hot.y());
}
