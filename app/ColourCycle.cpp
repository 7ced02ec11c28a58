#include "ColourCycle.h"

#include "CycleFrames.h"
#include "DisplayRate.h"
#include "FastColouring.h"
#include "PlaneRender.h"

#include <cmath>

ColourCycle::ColourCycle(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(frameIntervalMs());
    connect(&timer_, &QTimer::timeout, this, &ColourCycle::frame);
}

void ColourCycle::start(Surface& canvas, const GeneratorState& parameters,
                        const palette::Waves& imageWaves, Surface& strip,
                        const palette::Waves& stripWaves) {
    stop();
    const int width = canvas.width();
    const int height = canvas.height();
    std::vector<std::int8_t> levels(std::size_t(width) * std::size_t(height));
    computeLevels(
        parameters,
        PixelGrid{columnCoordinates(parameters, width), rowCoordinates(parameters, height)},
        levels);
    const auto own = levelColours(imageWaves);
    for (int y = 0; y < height; ++y) {
        const QRgb* line = canvas.constScanLine(y);
        std::int8_t* level = levels.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x)
            if (level[x] >= 0 && line[x] != colour::toQRgb(own[std::size_t(level[x])]))
                level[x] = -1;
    }
    turning_ = std::move(levels);
    canvas_ = &canvas;
    strip_ = &strip;
    canvasOwn_ = canvas.image().copy();
    stripOwn_ = strip.image().copy();
    imageWaves_ = imageWaves;
    stripWaves_ = stripWaves;
    clock_.start();
    timer_.start();
}

bool ColourCycle::stop() {
    if (!active())
        return false;
    timer_.stop();
    for (auto [surface, own] : {std::pair{canvas_, &canvasOwn_}, std::pair{strip_, &stripOwn_}}) {
        for (int y = 0; y < own->height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(own->constScanLine(y)), own->width(),
                        surface->scanLine(y));
        surface->markChanged(own->rect());
    }
    canvas_ = nullptr;
    strip_ = nullptr;
    canvasOwn_ = {};
    stripOwn_ = {};
    turning_ = {};
    return true;
}

void ColourCycle::frame() {
    if (!active())
        return;
    QElapsedTimer work;
    work.start();
    const double turns =
        double(clock_.nsecsElapsed()) / double(std::chrono::nanoseconds(turnDuration).count());
    const double turn = turns - std::floor(turns);
    const auto levels = levelColours(turnedWaves(imageWaves_, turn));
    std::array<QRgb, paletteLevels> colours{};
    for (std::size_t k = 0; k < colours.size(); ++k)
        colours[k] = colour::toQRgb(levels[k]);
    const int width = canvas_->width();
    for (int y = 0; y < canvas_->height(); ++y) {
        QRgb* line = canvas_->scanLine(y);
        const std::int8_t* level = turning_.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x)
            if (level[x] >= 0)
                line[x] = colours[std::size_t(level[x])];
    }
    canvas_->markChanged(canvasOwn_.rect());
    palette::paintStrip(turnedWaves(stripWaves_, turn), *strip_);
    emit advanced();
    emit frameWorked(work.nsecsElapsed());
}
