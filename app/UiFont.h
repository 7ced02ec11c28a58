#pragma once

// The one compact font of the whole window: every caption fits its button and the longest
// generation-type name fits its bar. DejaVu Sans Condensed at 11 pixels where it is installed;
// elsewhere the first narrow family, or the first smaller size, that still fits.

#include <QFont>
#include <QStringList>

// The window's font.
QFont uiFont();

// The first of `families` (then the desktop's sans-serif) at 11 pixels in which the window's
// longest texts fit their places, else the same at 10, 9, ... pixels; families that are not
// installed are passed over.
QFont fittingUiFont(const QStringList& families);

// Whether the window's longest texts fit their places in `font`: the generation-type names in
// the 151-pixel bar and 15 pixels of height, the captions in their buttons' label areas.
bool uiFontFits(const QFont& font);
