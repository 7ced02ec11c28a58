#pragma once

// Everything the full-screen show needs of one image, made off the UI thread: its recipe, the
// picture the canvas shows of it, and its build-up and its colours turning at the screen's
// size. Making them takes a while at a large size (each frame source renders the picture); a
// frame then takes little.

#include "BuildFrames.h"
#include "CycleFrames.h"
#include "Recipe.h"

#include <QImage>
#include <QSize>
#include <functional>
#include <memory>

struct ShowFrames {
    Recipe recipe;
    QImage canvas; // the picture as the canvas shows it
    std::unique_ptr<BuildFrames> build;
    std::unique_ptr<CycleFrames> cycle;

    // Makes them for frames of `size` device pixels at the screen's `ratio`, on the calling
    // thread alone, so the other cores stay free for the window. Null when `cancelled` says so
    // or memory is short.
    static std::shared_ptr<ShowFrames> make(const Recipe& recipe, QSize size, double ratio,
                                            const std::function<bool()>& cancelled);
};
