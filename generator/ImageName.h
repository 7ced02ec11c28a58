#pragma once

// The image name stem (MakeImageName): "T" + year, month, day, hour, minute, second, from the
// date read first and the time read after it. Example: T20240307090503.

#include "Clock.h"

#include <QString>

QString MakeImageName(const Clock& clock);
