#pragma once

// Everything the engine draws on and remembers, and the procedures that act on all of it:
// MakePalette and GenerateImage. Tests build as many independent worlds as they like.

#include "Clock.h"
#include "GeneratorState.h"
#include "PaletteStrip.h"
#include "Random.h"
#include "Recipe.h"
#include "Surface.h"
#include "Sweep.h"

// Client-area sizes of the picture boxes.
inline constexpr int canvasSide = 453; // Picture1 and Picture2
inline constexpr int stripWidth = 541; // Picture3
inline constexpr int stripHeight = 21;
// The background picture boxes start with (the toolkit's button grey).
inline constexpr colour::Value pictureBackground = colour::rgb(239, 239, 239);

class World {
public:
    explicit World(const Clock& clock) : clock(clock) {}
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    GeneratorState state;
    Random random;
    Surface canvas{canvasSide, canvasSide, pictureBackground};     // Picture1, the image
    Surface saveBuffer{canvasSide, canvasSide, pictureBackground}; // Picture2, never shown
    Surface strip{stripWidth, stripHeight, pictureBackground};     // Picture3, the palette
    palette::Waves waves{}; // the nine values the strip was made from (zero before the first)
    Random::State imageRandom = Random::unseeded; // the random source as the image's sweep began
    const Clock& clock;

    // Seeds the random source from the clock's time of day, held as a single.
    void seedFromClock() { random.seed(float(clock.secondsSinceMidnight())); }
};

// Paints a new palette strip from the next nine random numbers and keeps its nine values; re, gr
// and bl are left holding the channel values of its last column.
void MakePalette(World& world);

// Paints the strip of the given nine values, as MakePalette would have, and keeps them.
void restorePalette(World& world, const palette::Waves& waves);

// The opening of GenerateImage: re-seeds from the clock, makes the image name, clears the save
// buffer, draws the parameters unless ponovi is 1, clears ponovi and keeps the random source's
// state in imageRandom. Returns the sweep of the current generation type, not yet started.
Sweep beginImage(World& world);

// The recipe of the image "new image, old palette" would begin now, made without drawing it: the
// world is left as it is (the clock is read as beginImage reads it).
Recipe newImageRecipe(const World& world);

// A whole image in one call.
void GenerateImage(World& world);
