#include "WindowTitle.h"

#include <QFileInfo>
#include <QWidget>

WindowTitle::WindowTitle(QWidget* window) : QObject(window), window_(window) {
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(noteShown);
    connect(&noteTimer_, &QTimer::timeout, this, [this] {
        note_.clear();
        apply();
    });
    apply();
}

void WindowTitle::setWaiting(int waiting) {
    waiting_ = waiting;
    apply();
}

void WindowTitle::showSaved(const QString& path) {
    showNote(tr("saved %1").arg(QFileInfo(path).fileName()));
}

void WindowTitle::showNote(const QString& note) {
    note_ = note;
    noteTimer_.start();
    apply();
}

QString WindowTitle::text(int waiting, const QString& note) {
    if (waiting > 0)
        return QStringLiteral("Form1 \u2014 %1 waiting").arg(waiting);
    if (!note.isEmpty())
        return QStringLiteral("Form1 \u2014 %1").arg(note);
    return QStringLiteral("Form1");
}

void WindowTitle::apply() {
    window_->setWindowTitle(text(waiting_, note_));
}
