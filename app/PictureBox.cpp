#include "PictureBox.h"

#include <QContextMenuEvent>
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
    if (marker_) {
        // Black outside, white inside: the outline shows on any colour of the strip.
        const QRect outer = markerArea(*marker_).translated(client.topLeft());
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::NoBrush);
        painter.fillRect(outer, Qt::black);
        painter.fillRect(outer.adjusted(1, 1, -1, -1), Qt::white);
        const QRect inside = outer.adjusted(2, 2, -2, -2);
        painter.drawImage(inside.topLeft(), surface_.image(), inside.translated(-client.topLeft()));
    }
}

QRect PictureBox::markerArea(int column) const {
    return QRect(column - markerReach, 0, 2 * markerReach + 1, surface_.height());
}

void PictureBox::setMarker(std::optional<int> column) {
    if (column == marker_)
        return;
    if (marker_)
        refresh(markerArea(*marker_));
    marker_ = column;
    if (marker_)
        refresh(markerArea(*marker_));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF client = event->position() - QPointF(contentsRect().topLeft());
    // Presses on the frame itself lie outside the client area and are not the box's to handle.
    if (client.x() >= 0 && client.y() >= 0 && client.x() < surface_.width() &&
        client.y() < surface_.height())
        emit pressed(client);
    event->accept();
}

void PictureBox::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse)
        event->accept();
    else
        event->ignore(); // the window's menu, for the keyboard
}
