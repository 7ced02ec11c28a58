#pragma once

// The colours of the image on the canvas and of the palette strip turning round: one full turn
// of the palette every turnDuration, a frame at the display's rate. A canvas pixel turns when it
// shows its palette level's own colour, so the background, the noise of "from order to chaos
// and back", colours a replacement repainted and the help panel stay as they are. The turn is
// timed by a monotonic clock, so a slow frame does not slow it. Stopping gives the canvas and
// the strip back their own pixels exactly.

#include "GeneratorState.h"
#include "PaletteStrip.h"
#include "Surface.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <vector>

class ColourCycle : public QObject {
    Q_OBJECT
public:
    // How long one full turn of the palette takes.
    static constexpr std::chrono::milliseconds turnDuration{8000};

    explicit ColourCycle(QObject* parent = nullptr);

    // Starts turning the image on `canvas`, drawn from the parameters in `parameters` with the
    // palette of `imageWaves`, and the strip, painted from `stripWaves`. The surfaces must stay
    // until stop().
    void start(Surface& canvas, const GeneratorState& parameters, const palette::Waves& imageWaves,
               Surface& strip, const palette::Waves& stripWaves);
    // Gives the canvas and the strip their own pixels back; false when nothing was turning.
    bool stop();
    bool active() const { return canvas_ != nullptr; }

signals:
    // A frame turned the colours: the canvas and the strip changed.
    void advanced();
    // The time one frame took, for the benchmark.
    void frameWorked(qint64 nanoseconds);

private:
    void frame(); // one timer tick

    Surface* canvas_ = nullptr;
    Surface* strip_ = nullptr;
    QImage canvasOwn_; // the pixels to give back
    QImage stripOwn_;
    // The level of every canvas pixel that shows its level's own colour, else -1.
    std::vector<std::int8_t> turning_;
    palette::Waves imageWaves_{};
    palette::Waves stripWaves_{};
    QElapsedTimer clock_; // since the turning began
    QTimer timer_;
};
