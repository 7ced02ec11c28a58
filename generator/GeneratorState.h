#pragma once

// The generator's state: every variable the image procedures pass their values through, under
// the program's own names. Numbers are held in the formats the program stores them in (16-bit
// integers, singles, doubles); all arithmetic on them is done in double precision.

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The random parameters of an image (drawn by drawParameters): with x and y, all that the
// colouring reads. Recipes carry them too, so an image's parameters are copied as one. Until a
// draw they hold the smallest values a draw gives.
struct Parameters {
    float tip = 1;     // component formula set, 1..4
    float barv = 1;    // combination formula, 1..5
    float f1 = 6;      // angular frequency of bl, even 6..24
    float f2 = 4;      // angular and radial frequency of formula set 4, even 4..16
    float n1 = 10;     // radial frequency of set 1, factor of sets 3 and 4; 10..30
    float n2 = 10;     // radial frequency of gr; 10..30
    float n3 = 3;      // radial frequency of set 2, factor of sets 3 and 4; 3..9
    double n4 = 0.1;   // radial frequency inside the logarithm of set 2; 0.1..0.9
    float komp1 = 100; // amplitude of re, whole 100..149
    float komp2 = 100; // amplitude of gr, whole 100..149
    float komp3 = 100; // amplitude of bl, whole 100..149
    float baf01 = 20;  // divisor of bl in combination 2; 20..40
    float baf02 = 2;   // radial frequency of combination 3; 2..4
    float baf03 = 100; // divisor of bl in combinations 3 and 5; 100..200

    bool operator==(const Parameters&) const = default;
    // These parameters alone, without what else the holder carries.
    Parameters& parameters() { return *this; }
    const Parameters& parameters() const { return *this; }
};

struct GeneratorState : Parameters {
    // Settings, given their values at start-up.
    std::int16_t sir = 0;    // image width in pixels (458)
    std::int16_t vis = 0;    // image height in pixels (458)
    std::int16_t polx = 0;   // half-width of the centred x range (3): x runs -polx..+polx
    std::int16_t poly = 0;   // half-height of the centred y range (3): y runs +poly..-poly
    std::int16_t nac = 0;    // generation type 1..4: the order the next image visits its pixels
    std::int16_t ponovi = 0; // repeat flag: 1 makes the next image keep the random parameters

    // The pixel being coloured, set by the sweeps before every PlotPoint.
    int i = 0;    // column on the canvas, 0 at the left
    int j = 0;    // row on the canvas, 0 at the top
    double x = 0; // centred coordinate, growing to the right
    double y = 0; // centred coordinate, growing upwards

    // Written by the colouring pipeline (re, gr, bl also by the palette strip).
    double r = 0;           // distance from the centre
    double fi = 0;          // angle, -pi/2..pi/2
    double re = 0;          // first component
    double gr = 0;          // second component
    double bl = 0;          // third component, a whole number
    double ba = 0;          // palette value, clamped to 0..675 before use
    double pozic = 0;       // offset of the colour on the strip, a multiple of 5 in 0..335
    std::int32_t barva = 0; // colour read from the strip

    QString imeslike; // file-name stem of the current image, "T" + 14 digits

    // Cells of the random sweeps: 1 once visited in the current pass; cell (i, j) at j * 551 + i.
    // Made (551 x 551) by the first random sweep, so that a state that only colours is small.
    static constexpr int visitedSide = 551;
    std::vector<std::int16_t> visited;
};

// The number of random numbers one parameter draw takes, and the draw itself: tip, barv, f1, f2,
// n1, n2, n3, n4, komp1, komp2, komp3, baf01, baf02, baf03 from the numbers in that order.
inline constexpr int parameterCount = 14;
void drawParameters(GeneratorState& s, const std::array<float, parameterCount>& rnd);

// Gives the settings their start-up values: sir = vis = 458, polx = poly = 3, ponovi = 0, nac = 4.
void setStartUpSettings(GeneratorState& s);
