#pragma once

// The window's title: "Form1", or how many commands wait ("Form1 — 3 waiting"), or for a few
// seconds after a save the file's name ("Form1 — saved T20261209101503.jpg").

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

class QWidget;

class WindowTitle : public QObject {
    Q_OBJECT
public:
    // How long the name of a saved file stays in the title.
    static constexpr std::chrono::milliseconds savedShown{4000};

    explicit WindowTitle(QWidget* window);

    void setWaiting(int waiting);
    void showSaved(const QString& path);

    // The title for a number of waiting commands and the name of a file just saved (or none).
    static QString text(int waiting, const QString& savedName);

private:
    void apply();

    QWidget* window_;
    int waiting_ = 0;
    QString savedName_;
    QTimer savedTimer_;
};
