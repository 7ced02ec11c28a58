#include "PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(const Surface& surface, QWidget* parent)
    : QFrame(parent), surface_(surface) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(border);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::refresh(const QRect& surfaceArea) {
    if (!surfaceArea.isEmpty())
        update(surfaceArea.translated(contentsRect().topLeft()));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect client = contentsRect();
    painter.setClipRect(client.intersected(event->rect()));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false); // crisp on scaled screens
    painter.drawImage(client.topLeft(), surface_.image());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF client = event->position() - QPointF(contentsRect().topLeft());
    // Presses on the frame itself lie outside the client area and are not the box's to handle.
    if (client.x() >= 0 && client.y() >= 0 && client.x() < surface_.width() &&
        client.y() < surface_.height())
        emit pressed(client);
    event->accept();
}
