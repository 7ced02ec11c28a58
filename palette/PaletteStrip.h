#pragma once

// The palette strip: three sine waves (red, green, blue), each with a random period and phase,
// painted column by column into the strip's drawing area. The palette exists only as these
// pixels; every image colour is read back from them.

#include "Surface.h"

#include <array>

namespace palette {

// The nine random numbers one strip takes, in the order they are drawn.
inline constexpr int randomCount = 9;
using Draws = std::array<float, randomCount>;

// The random values of one strip, in the formats they are held in.
struct Waves {
    float base1, base2, base3;     // whole numbers 20..39
    double phase1, phase2, phase3; // 0 up to 6.28
    float div1, div2, div3;        // from base up to twice base; the period over 2 pi
    bool operator==(const Waves&) const = default;
};

// The unrounded channel values (0..252) of one column.
struct Channels {
    double re, gr, bl;
};

// The columns painted: 0 to 541, one more than the strip is wide.
inline constexpr int lastColumn = 541;
// The lines run from row 0 to row 21.
inline constexpr float lineBottom = 21.0f;

Waves wavesFrom(const Draws& rnd);
Channels channelsAt(const Waves& w, int column);
// A channel value taken to the nearest whole number, a half going to the even neighbour.
int channelByte(double value);

// Paints a whole strip (MakePalette's drawing) and returns the channels of the last column.
Channels paintStrip(const Waves& w, Surface& strip);

} // namespace palette
