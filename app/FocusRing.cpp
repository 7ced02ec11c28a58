#include "FocusRing.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

FocusRing::FocusRing(QWidget* area) : QWidget(area) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(area->rect());
    area->installEventFilter(this);
    for (QWidget* control : area->findChildren<QWidget*>())
        if (control->focusPolicy() & Qt::TabFocus)
            control->installEventFilter(this);
    raise();
    if (QWidget* focused = QApplication::focusWidget(); focused && area->isAncestorOf(focused))
        ring(focused);
}

QRect FocusRing::ringArea(const QWidget* control) const {
    return QRect(control->mapTo(parentWidget(), QPoint(0, 0)), control->size())
        .adjusted(-reach, -reach, reach, reach);
}

void FocusRing::ring(QWidget* control) {
    if (control == ringed_)
        return;
    if (ringed_)
        update(ringArea(ringed_));
    ringed_ = control;
    if (ringed_)
        update(ringArea(ringed_));
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        // The area grows with the window; the ring covers all of it.
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
    } else if (event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        ring(reason == Qt::MouseFocusReason ? nullptr : static_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::FocusOut && watched == ringed_) {
        ring(nullptr);
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
    if (!ringed_)
        return;
    QPainter painter(this);
    const QRect outer = ringArea(ringed_);
    const QColor highlight = palette().color(QPalette::Active, QPalette::Highlight);
    // A white edge, then two highlight pixels, then the control itself, left untouched.
    const QRegion edge = QRegion(outer).subtracted(outer.adjusted(1, 1, -1, -1));
    const QRect band = outer.adjusted(1, 1, -1, -1);
    const QRegion ring = QRegion(band).subtracted(band.adjusted(2, 2, -2, -2));
    painter.setClipRegion(edge);
    painter.fillRect(outer, Qt::white);
    painter.setClipRegion(ring);
    painter.fillRect(band, highlight);
}
