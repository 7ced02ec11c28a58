#pragma once

// The undo and redo of the edits made on the image on the canvas: colour replacements, and the
// help panel painted over them (a "cover"). A replacement step keeps the pressed colour, the
// put colour and the pixels it repainted, so taking it back sets exactly those pixels to the
// pressed colour again; making it again repaints by colour, which gives the same pixels because
// the canvas is back as it was. A cover step keeps a copy of the whole canvas from before the
// panel. Undo takes back the last replacement, taking off any covers above it first, so the
// canvas is exactly as before that replacement. One CanvasEdits serves one image; a new image
// starts it afresh.

#include "Surface.h"

#include <QImage>
#include <optional>
#include <vector>

class CanvasEdits {
public:
    // One replacement: every pixel of `pressed` became `put`.
    struct Replaced {
        colour::Value pressed = 0;
        colour::Value put = 0;
        bool operator==(const Replaced&) const = default;
    };

    // `sir` and `vis`: the last column and row a replacement scans.
    CanvasEdits(int sir, int vis) : sir_(sir), vis_(vis) {}

    // Records a replacement just made on the canvas, which repainted `pixels` (indices row *
    // width + column); a new replacement cannot be made again after an undo.
    void recordReplacement(const Replaced& replaced, std::vector<int> pixels);
    // Records the help panel about to be painted over `canvas` (a copy of it is kept).
    void recordCover(const Surface& canvas);
    // Repaints by colour as a press would, and records it; the redo steps stay.
    void replace(Surface& canvas, const Replaced& replaced);

    // Takes back the last replacement (and any covers above it); what it was, or nothing when
    // there is no replacement to take back.
    std::optional<Replaced> undo(Surface& canvas);
    // Makes the last replacement taken back again; what it was, or nothing.
    std::optional<Replaced> redo(Surface& canvas);

    // True while a help panel painted since the image began still covers it.
    bool covered() const;
    // Takes the help panel off: the canvas from before the panel comes back and the
    // replacements made while it showed are made again on it by colour. False when no panel
    // shows.
    bool uncover(Surface& canvas);

    bool canUndo() const;
    bool canRedo() const { return !redo_.empty(); }

private:
    struct Step {
        Replaced replaced;       // a replacement step's colours
        std::vector<int> pixels; // the pixels a replacement repainted
        QImage before;           // a cover step's copy of the canvas; null for a replacement
        bool cover() const { return !before.isNull(); }
    };
    struct Undone {
        Replaced replaced;
        std::size_t depth = 0; // how many steps were left below it when it was taken back
    };

    void takeOffCover(Surface& canvas);

    int sir_;
    int vis_;
    std::vector<Step> undo_;   // the oldest first
    std::vector<Undone> redo_; // the last taken back last
};
