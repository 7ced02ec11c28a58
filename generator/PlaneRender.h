#pragma once

// Renders the picture of a recipe at any size. The canvas shows a 453-pixel square of the
// plane; a render of W x H pixels maps that span onto its shorter side S and shows more of the
// same plane on the longer side, split evenly: pixel (u, v) samples the canvas coordinates
//   i = (u - (W - S) / 2) * 453 / S,   j = (v - (H - S) / 2) * 453 / S
// through the same double-precision formulas the sweeps use for whole-number columns and rows.
// So a 453 x 453 render equals the canvas, and every m-th pixel of an m x 453 render equals a
// canvas pixel. Where the formulas give no value, the pixel shows the background colour; for a
// type-4 recipe, what its noise pass left on the canvas cell (floor(i), floor(j)) instead, when
// that cell is on the canvas. The recipe's colour replacements are then applied in order, as
// presses on the picture would.
//
// The levels are computed band by band on the fast colouring path (all cores, the shared thread
// pool made once), into one image: memory holds the picture and one band of levels.

#include "Colour.h"
#include "GeneratorState.h"
#include "Recipe.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The largest side of a render.
inline constexpr int largestRenderSide = 16384;

// The canvas coordinate that pixel u of a render `size` pixels long samples, where `shorter`
// is the render's shorter side.
double canvasCoordinate(double u, int size, int shorter);

// The palette level (0..67) of the canvas position (i, j) under the parameters in `state`
// (whose settings must be the start-up ones), or -1 where the formulas give no value.
int paletteLevelAt(GeneratorState& state, double i, double j);

// The colours of the 68 palette levels of a strip made from these values.
std::array<colour::Value, 68> levelColours(const palette::Waves& waves);

// The canvas a type-4 image's noise pass leaves, drawn from the recipe's random state: every
// cell the pass visits in its random colour, the rest in `background`.
QImage noiseCanvas(const Recipe& recipe, colour::Value background);

// One renderer serves one thread at a time.
class PlaneRenderer {
public:
    // `threads` 1 works on the calling thread alone; anything else on every core.
    explicit PlaneRenderer(int threads = 0) : allCores_(threads != 1) {}
    PlaneRenderer(const PlaneRenderer&) = delete;
    PlaneRenderer& operator=(const PlaneRenderer&) = delete;

    struct Options {
        int width = 453;
        int height = 453;
        colour::Value background = colour::rgb(239, 239, 239);
        int smooth = 1; // samples per pixel along each side, averaged
    };

    // The picture in Format_RGB32, or a null image when memory for it cannot be had.
    // `progress` is called now and then on the calling thread with the fraction done; when it
    // returns false the render stops there and gives a null image. With `levels` (and one
    // sample a pixel) it also receives every pixel's palette level, row by row, or -1 where the
    // formulas give no value.
    QImage render(const Recipe& recipe, const Options& options,
                  const std::function<bool(double)>& progress = {},
                  std::vector<std::int8_t>* levels = nullptr);

private:
    bool allCores_;
    // The noise canvas last drawn for a type-4 recipe, with what it was drawn from.
    QImage noise_;
    Random::State noiseRandom_{};
    colour::Value noiseBackground_ = 0;
};
