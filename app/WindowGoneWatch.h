#pragma once

// Notices when the X server destroys the window behind the program's back (xdotool
// windowclose, a crashed window manager's clean-up): Qt keeps running without a window then,
// so the program would never end.

#include <QAbstractNativeEventFilter>
#include <QObject>

class QWidget;

class WindowGoneWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit WindowGoneWatch(QWidget* window);
    ~WindowGoneWatch() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // The window no longer exists on the display.
    void windowGone();

private:
    QWidget* window_;
    bool gone_ = false;
};
