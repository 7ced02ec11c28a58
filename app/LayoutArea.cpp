#include "LayoutArea.h"

#include <QPaintEvent>
#include <QPainter>

LayoutArea::LayoutArea(const Surface& windowSurface, QWidget* parent)
    : QWidget(parent), surface_(windowSurface) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(surface_.width(), surface_.height());
}

void LayoutArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false); // crisp on scaled screens
    painter.fillRect(rect(), QColor::fromRgb(colour::toQRgb(surface_.backColor())));
    painter.drawImage(QPoint(0, 0), surface_.image());
}
