#pragma once

// The time between two frames of the primary screen, for timers that animate at the display's
// rate: 1000 / refresh rate in milliseconds, 60 Hz when the screen does not say.

int frameIntervalMs();
