#pragma once

// The second half of GenerateImage: the visits of one generation type, resumable. advance()
// makes a given number of visits, so a window can reveal the image frame by frame, and
// runToEnd() finishes it in one call; both paint the same pixels and draw the same numbers.
//
// The colours come from the fast colouring path: before the first visit the palette level of
// every canvas pixel is worked out at once, and each visit then paints its pixel's level in the
// visit order, so a pixel that fails keeps what the canvas showed. A sweep can instead run the
// literal pipeline at every visit (the reference); both paint the same pixels.
//
//   1 "from left to right":           columns 0..sir, each from row 0 to vis
//   2 "from centre ortogonal":        rectangular rings from the centre outwards
//   3 "random point after point":     every cell once in random order (rejection sampling)
//   4 "from order to chaos and back": a random-order pass of random colours, then a new
//                                     random-order pass with the image

#include "FastColouring.h"
#include "GeneratorState.h"
#include "Random.h"
#include "Surface.h"

#include <cstdint>
#include <utility>
#include <vector>

class Sweep {
public:
    Sweep(GeneratorState& state, Random& random, const Surface& strip, Surface& canvas);

    // Makes up to `visits` visits; returns true once the sweep is complete.
    bool advance(std::int64_t visits);
    void runToEnd() { advance(totalVisits()); }
    bool done() const { return made_ >= total_; }

    // Colours every visit with the literal pipeline instead of the precomputed levels. Call it
    // before the first visit.
    void useLiteralColouring() { literal_ = true; }
    // How many canvas pixels the fast path left to the literal code (known after the first
    // visit of an image pass).
    std::int64_t pixelsDecidedLiterally() const { return decidedLiterally_; }

    // The visits of one pass (type 4 makes two passes) and of the whole sweep.
    std::int64_t passLength() const { return passLength_; }
    std::int64_t totalVisits() const { return total_; }
    std::int64_t visitsMade() const { return made_; }

    // The visit order of type 2 for an image of the given size, as (column, row) pairs.
    static std::vector<std::pair<std::int16_t, std::int16_t>> ringOrder(int sir, int vis);

private:
    // Paints the visits made_..end-1 with the precomputed levels.
    void paintVisits(std::int64_t end);
    void prepareLevels();
    void visit(int i, int j);
    // Draws cells until one not yet visited in this pass comes up, and marks it.
    void drawUnvisitedCell(int& i, int& j);
    void resetVisited();

    GeneratorState* s_;
    Random* random_;
    const Surface* strip_;
    Surface* canvas_;
    int type_;
    std::int64_t passLength_ = 0;
    std::int64_t total_ = 0;
    std::int64_t made_ = 0;
    std::vector<std::pair<std::int16_t, std::int16_t>> rings_; // type 2 only
    bool literal_ = false;
    bool prepared_ = false;
    std::vector<std::int8_t> levels_; // level of every canvas pixel, row-major
    std::array<QRgb, paletteLevels> colours_{};
    std::int64_t decidedLiterally_ = 0;
};
