#pragma once

// The build-up of one image on screen. A timer on the UI thread advances the image's sweep at
// the display's rate so that each pass of visits takes about passDuration whatever the
// machine's speed, and a frame stops early when its work budget is spent, so the window stays
// responsive. The pixels come out exactly as when the sweep runs in one go.

#include "Sweep.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <optional>

class Reveal : public QObject {
    Q_OBJECT
public:
    // How long one pass of visits takes on screen.
    static constexpr std::chrono::milliseconds passDuration{1000};

    explicit Reveal(QObject* parent = nullptr);

    // Changes how long a pass takes; zero reveals each image in its first frame.
    void setPassDuration(std::chrono::milliseconds duration) { passDuration_ = duration; }

    // Begins revealing a sweep that has made no visits yet.
    void start(Sweep sweep);
    // True from start() until the sweep's last visit has been made.
    bool active() const { return sweep_.has_value(); }
    // Makes every visit still due at once, so the image is complete when this returns.
    void finishNow();

signals:
    // Visits were made: the pictures changed.
    void advanced();
    // The time one frame took, for the benchmark.
    void frameWorked(qint64 nanoseconds);
    // The last visit has been made; nothing is being revealed any more.
    void finished();

private:
    void frame(); // one timer tick
    void endIfDone();

    std::optional<Sweep> sweep_;
    QElapsedTimer clock_; // time since the sweep began
    std::chrono::milliseconds passDuration_ = passDuration;
    std::int64_t chunk_ = 256; // visits between looks at the clock
    QTimer timer_;
};
