#pragma once

// The build-up of a recipe's picture at any size, as frames: after n visits a frame shows the
// picture where the first n visits of the image's generation type have been, over the canvas's
// background, and noise where only the noise pass of "from order to chaos and back" has been.
//
// Every picture pixel belongs to the canvas cell of its canvas coordinates (floor of i and j,
// as a render at that size samples them) and appears when its cell is visited; a visit paints
// the cell's pixels of the finished picture, so once every cell is visited the frame is the
// still. The cells are visited in the window's order with the recipe's random numbers, so a
// 453 x 453 build-up after n visits is what the window showed after n. A picture wider (or
// taller) than square widens the grid of cells evenly to cover it, with the order of the window
// for a canvas of that shape: columns left to right, rings from the centre, random draws over
// the wider grid.

#include "PlaneRender.h"
#include "Recipe.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>
#include <vector>

// The visits shown by frame k (1..frames) of a build-up of `frames` frames: round(k x V / F).
std::int64_t visitsAtFrame(std::int64_t k, std::int64_t frames, std::int64_t visits);

class BuildFrames {
public:
    // Renders the finished picture of `recipe` at the options' size and plans its visits.
    // `progress` is handed to the renderer; a cancelled or failed render leaves ok() false.
    BuildFrames(const Recipe& recipe, const PlaneRenderer::Options& options,
                PlaneRenderer& renderer, const std::function<bool(double)>& progress = {});
    // Plans the visits over `still`, the finished picture of `recipe` already rendered at the
    // options' size (a null one leaves ok() false), so one render can serve other frames too.
    BuildFrames(const Recipe& recipe, const PlaneRenderer::Options& options, const QImage& still);

    // False when the picture could not be made (memory, or cancelled).
    bool ok() const { return !still_.isNull(); }
    // Every visit of the build-up (both passes of "from order to chaos and back").
    std::int64_t totalVisits() const { return std::int64_t(order_.size()); }
    const QImage& still() const { return still_; }

    // The frame after the first `visits` visits. Going forward paints only the new visits;
    // going back starts again from the background.
    const QImage& showVisits(std::int64_t visits);
    // The part of the frame the last showVisits changed (empty when nothing changed), in
    // frame pixels.
    QRect changed() const { return changed_; }
    // The frames carry this device pixel ratio, so that a painter on a scaled screen draws one
    // frame pixel on one device pixel.
    void setDevicePixelRatio(double ratio) { frame_.setDevicePixelRatio(ratio); }

private:
    struct Span {
        int first = 0; // the first picture column (or row) of a cell
        int end = 0;   // one past the last; equal to first when the cell has none
    };
    // One visit: a cell of the widened grid, and for the noise pass its noise colour.
    struct Visit {
        std::int16_t column, row;
        QRgb noise; // 0 in the image pass
    };
    void planVisits(const Recipe& recipe);
    void paint(const Visit& visit, bool noisePass);

    QImage still_;
    QImage frame_;
    QRgb background_ = 0;
    std::vector<Span> columns_; // picture columns of each cell column, from -1 - extraColumns_
    std::vector<Span> rows_;    // picture rows of each cell row, from -1 - extraRows_
    int extraColumns_ = 0;      // cells the grid has beyond the canvas's on each side
    int extraRows_ = 0;
    std::vector<Visit> order_;
    std::int64_t noiseVisits_ = 0; // the visits of the noise pass, which come first
    std::int64_t shown_ = 0;
    QRect changed_;
};
