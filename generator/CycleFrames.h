#pragma once

// A recipe's picture with its palette turning, as frames of a seamless loop: each of the
// strip's three waves advances by the same fraction of a full turn, so a turn of 0 is the
// picture itself and a turn of 1 is the picture again. The palette levels are computed once;
// a frame only looks up colours, in bands of rows on every core. Pixels with no value keep what the
// picture shows there (the background, or the noise of "from order to chaos and back"), and pixels
// of a level that a colour replacement repainted keep their colour.

#include "PlaneRender.h"
#include "Recipe.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The strip's values with each wave's phase advanced by `turn` full turns.
palette::Waves turnedWaves(const palette::Waves& waves, double turn);

class CycleFrames {
public:
    // Renders the picture of `recipe` at the options' size (one sample a pixel) and keeps the
    // level of every pixel. `progress` is handed to the renderer.
    CycleFrames(const Recipe& recipe, const PlaneRenderer::Options& options,
                PlaneRenderer& renderer, const std::function<bool(double)>& progress = {});

    // False when the picture could not be made (memory, or cancelled).
    bool ok() const { return !frame_.isNull(); }
    const QImage& still() const { return still_; }

    // The picture with the palette turned by `turn` (0 to 1) of a full turn.
    const QImage& turned(double turn);
    // Frame `index` (0-based) of a loop of `frames` frames.
    const QImage& frame(int index, int frames) { return turned(double(index) / frames); }
    // The frames carry this device pixel ratio, so that a painter on a scaled screen draws one
    // frame pixel on one device pixel.
    void setDevicePixelRatio(double ratio) { frame_.setDevicePixelRatio(ratio); }

private:
    QImage still_;
    QImage frame_;
    std::vector<std::int8_t> levels_; // each pixel's level, -1 where its colour does not turn
    palette::Waves waves_{};
};
