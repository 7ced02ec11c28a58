#pragma once

// The help panel: a light grey rectangle painted straight into the canvas over the image, with
// fourteen lines of help text. Nothing records that it shows; the next image paints over it.

#include "Surface.h"

#include <QString>
#include <array>

struct HelpLine {
    float y; // top of the text line in canvas pixels
    QString text;
};

// The text starts at this column on every line.
inline constexpr float helpTextX = 30.0f;
const std::array<HelpLine, 14>& helpLines();

// Command8_Click's drawing: the grey columns 20..430 over rows 20..300, then the lines.
void paintHelpPanel(Surface& canvas);
