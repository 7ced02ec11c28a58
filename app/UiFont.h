#pragma once

// The one compact font of the whole window: every caption fits its button and the longest
// generation-type name fits its bar. DejaVu Sans Condensed at 11 pixels; Qt falls back to a
// similar face when it is missing.

#include <QFont>

QFont uiFont();
