#pragma once

// Colour replacement by mouse presses: a press on the palette strip picks a colour, a press on
// the canvas repaints every pixel of exactly the pressed pixel's colour with it, wherever those
// pixels lie (a global replacement, not a flood fill). One pick serves any number of presses;
// before the first pick the colour is black.

#include "Surface.h"

#include <vector>

class ColourReplacement {
public:
    // Picture3_MouseDown: picks the strip colour at (x, y). A press outside the strip's client
    // area (on its border) picks nothing and keeps the earlier colour.
    void pick(const Surface& strip, float x, float y);

    // Picture1_MouseDown: scans columns 0..sir, each over rows 0..vis, and repaints every pixel
    // whose colour equals the pressed one. Returns the number of pixels repainted; `changed`,
    // when given, receives the index (row * width + column) of each, in scan order.
    int replace(Surface& canvas, int sir, int vis, float x, float y,
                std::vector<int>* changed = nullptr) const;

    // The scan of a press on its own: every pixel of colour `from` in columns 0..sir, rows
    // 0..vis becomes `to`. Returns and reports the repainted pixels as replace() does.
    static int replaceColour(Surface& canvas, int sir, int vis, colour::Value from,
                             colour::Value to, std::vector<int>* changed = nullptr);

    colour::Value color() const { return color_; }

private:
    colour::Value color_ = colour::black; // the picked colour; empty reads as black
};
