#pragma once

// The canvas's mouse cursor: a small crosshair at the hot spot and, below and to its right, a
// swatch of the colour a press would paint, outlined in a contrasting colour so it shows on
// any image.

#include "Colour.h"

#include <QCursor>
#include <QPoint>

// The size of the cursor's picture.
inline constexpr int pickCursorSide = 32;
// The hot spot: the crosshair's centre.
inline constexpr QPoint pickCursorHotSpot{7, 7};
// A pixel inside the swatch, which shows the colour itself.
inline constexpr QPoint pickSwatchCentre{21, 21};

// The cursor showing `colour` as its swatch.
QCursor pickCursor(colour::Value colour);
