#include "WindowGoneWatch.h"

#include <QCoreApplication>
#include <QWidget>
#include <xcb/xcb.h>

WindowGoneWatch::WindowGoneWatch(QWidget* window) : window_(window) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowGoneWatch::~WindowGoneWatch() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowGoneWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (gone_ || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    if (window_->internalWinId() == 0 ||
        destroyed->window != xcb_window_t(window_->internalWinId()))
        return false;
    gone_ = true;
    emit windowGone();
    return false;
}
