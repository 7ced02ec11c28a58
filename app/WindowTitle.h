#pragma once

// The window's title: "Form1", or how many commands wait ("Form1 — 3 waiting"), or for a few
// seconds a note: after a save the file's name ("Form1 — saved T20261209101503.jpg"), after
// going back where the user is ("Form1 — image 3 of 12"), ... The waiting count comes first.

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

class QWidget;

class WindowTitle : public QObject {
    Q_OBJECT
public:
    // How long a note stays in the title.
    static constexpr std::chrono::milliseconds noteShown{4000};
    // How long the name of a saved file stays: as long as any note.
    static constexpr std::chrono::milliseconds savedShown = noteShown;

    explicit WindowTitle(QWidget* window);

    void setWaiting(int waiting);
    void showSaved(const QString& path);
    // Shows "Form1 — note" for noteShown, unless commands wait.
    void showNote(const QString& note);

    // The title for a number of waiting commands and a note (or none).
    static QString text(int waiting, const QString& note);

private:
    void apply();

    QWidget* window_;
    int waiting_ = 0;
    QString note_;     // the note shown while noteTimer_ runs
    QTimer noteTimer_; // ends the note
};
