#pragma once

// The colouring pipeline for one pixel: PlotPoint turns the pixel's centred coordinates into
// polar form, ComputeComponents sets re, gr, bl by the formula set tip, CombineComponents folds
// them into the palette value ba by the formula barv, and PlotFromPalette reads the colour at
// that level of the palette strip and paints the pixel.
//
// A pixel fails where a value does not exist (the logarithm of a non-positive number) or is not
// finite, or where a selector lies outside 0..255: the pipeline stops at that statement, nothing
// more is assigned, and the pixel keeps what the canvas showed.

#include "GeneratorState.h"
#include "Surface.h"

// Colours and paints pixel (i, j) from (x, y). Returns false when the pixel failed.
bool PlotPoint(GeneratorState& s, const Surface& strip, Surface& canvas);
// PlotPoint short of the palette: sets r, fi, re, gr, bl and ba from (x, y). Returns false when
// the pixel failed.
bool PointValue(GeneratorState& s);
// Sets re, gr and bl, then runs CombineComponents. Returns false when the pixel failed.
bool ComputeComponents(GeneratorState& s);
// Sets ba. Returns false when the pixel failed.
bool CombineComponents(GeneratorState& s);
// Clamps ba to 0..675, sets pozic and barva from the strip and paints pixel (i, j).
void PlotFromPalette(GeneratorState& s, const Surface& strip, Surface& canvas);

// The palette level PlotFromPalette reads for a palette value: ba clamped to 0..675, in steps of
// 10, so 0..67 (the strip column is 10 + 5 * level).
int paletteLevelOf(double ba);

// A formula selector taken as a whole number (halves to even), or -1 outside 0..255.
int selectorOf(double value);

// The strip row and first column the palette levels are read from: level k is at column 10 + 5k.
inline constexpr float paletteRow = 10.0f;
inline constexpr double paletteFirstColumn = 10.0;
inline constexpr double paletteTop = 675.0; // the largest palette value
