#include "WindowTitle.h"

#include <QFileInfo>
#include <QWidget>

WindowTitle::WindowTitle(QWidget* window) : QObject(window), window_(window) {
    savedTimer_.setSingleShot(true);
    savedTimer_.setInterval(savedShown);
    connect(&savedTimer_, &QTimer::timeout, this, [this] {
        savedName_.clear();
        apply();
    });
    apply();
}

void WindowTitle::setWaiting(int waiting) {
    waiting_ = waiting;
    apply();
}

void WindowTitle::showSaved(const QString& path) {
    savedName_ = QFileInfo(path).fileName();
    savedTimer_.start();
    apply();
}

QString WindowTitle::text(int waiting, const QString& savedName) {
    if (waiting > 0)
        return QStringLiteral("Form1 \u2014 %1 waiting").arg(waiting);
    if (!savedName.isEmpty())
        return QStringLiteral("Form1 \u2014 saved %1").arg(savedName);
    return QStringLiteral("Form1");
}

void WindowTitle::apply() {
    window_->setWindowTitle(text(waiting_, savedName_));
}
