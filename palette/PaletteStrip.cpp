#include "PaletteStrip.h"

#include <cmath>

namespace palette {

Waves wavesFrom(const Draws& rnd) {
    Waves w{};
    w.base1 = float(std::floor(double(rnd[0]) * 20 + 20));
    w.base2 = float(std::floor(double(rnd[1]) * 20 + 20));
    w.base3 = float(std::floor(double(rnd[2]) * 20 + 20));
    w.phase1 = double(rnd[3]) * 6.28;
    w.phase2 = double(rnd[4]) * 6.28;
    w.phase3 = double(rnd[5]) * 6.28;
    // The divisors round twice to single precision: once the product, once the sum.
    w.div1 = w.base1 + float(double(rnd[6]) * w.base1);
    w.div2 = w.base2 + float(double(rnd[7]) * w.base2);
    w.div3 = w.base3 + float(double(rnd[8]) * w.base3);
    return w;
}

namespace {
double wave(double phase, int column, float divisor) {
    const float step = float(column) / divisor; // a single-precision quotient, as stored
    return (std::sin(phase + double(step)) + 1) * 126;
}
} // namespace

Channels channelsAt(const Waves& w, int column) {
    return {wave(w.phase1, column, w.div1), wave(w.phase2, column, w.div2),
            wave(w.phase3, column, w.div3)};
}

int channelByte(double value) {
    return int(std::nearbyint(value));
}

Channels paintStrip(const Waves& w, Surface& strip) {
    Channels c{};
    for (int column = 0; column <= lastColumn; ++column) {
        c = channelsAt(w, column);
        const auto value = colour::rgb(channelByte(c.re), channelByte(c.gr), channelByte(c.bl));
        strip.line(float(column), 0.0f, float(column), lineBottom, value);
    }
    return c;
}

} // namespace palette
