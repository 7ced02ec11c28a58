#pragma once

// The image name stem (MakeImageName): "T" + year, month, day, hour, minute, second, from one
// reading of the clock's date and time. Example: T20240307090503.

#include "Clock.h"

#include <QString>

QString MakeImageName(const Clock& clock);
