#pragma once

// SIGINT, SIGTERM and SIGHUP end rosette-render between files instead of in the middle of one:
// the handler only notes the signal; the renderer stops drawing, finishes the file being
// written, leaves no temporary behind and exits with 128 + the signal's number. A second
// signal ends the renderer at once.

// Installs the handlers.
void catchStopSignals();

// The number of the first stop signal received, or 0.
int stopSignal();
