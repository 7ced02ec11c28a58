#include "CanvasEdits.h"

#include "ColourReplacement.h"

#include <algorithm>
#include <climits>

void CanvasEdits::recordReplacement(const Replaced& replaced, std::vector<int> pixels) {
    undo_.push_back({replaced, std::move(pixels), {}});
    redo_.clear();
}

void CanvasEdits::recordCover(const Surface& canvas) {
    // The redo steps stay: making one again first takes this cover off (see redo()).
    undo_.push_back({{}, {}, canvas.image().copy()});
}

void CanvasEdits::replace(Surface& canvas, const Replaced& replaced) {
    std::vector<int> pixels;
    ColourReplacement::replaceColour(canvas, sir_, vis_, replaced.pressed, replaced.put, &pixels);
    undo_.push_back({replaced, std::move(pixels), {}});
}

bool CanvasEdits::canUndo() const {
    return std::any_of(undo_.begin(), undo_.end(), [](const Step& s) { return !s.cover(); });
}

bool CanvasEdits::covered() const {
    return std::any_of(undo_.begin(), undo_.end(), [](const Step& s) { return s.cover(); });
}

void CanvasEdits::takeOffCover(Surface& canvas) {
    const QImage& before = undo_.back().before;
    for (int y = 0; y < before.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(before.constScanLine(y)), before.width(),
                    canvas.scanLine(y));
    canvas.markChanged(before.rect());
    undo_.pop_back();
}

std::optional<CanvasEdits::Replaced> CanvasEdits::undo(Surface& canvas) {
    if (!canUndo())
        return std::nullopt;
    while (undo_.back().cover())
        takeOffCover(canvas);
    const Step step = std::move(undo_.back());
    undo_.pop_back();
    // Exact: the replacement changed only pixels of the pressed colour.
    const QRgb pressed = colour::toQRgb(step.replaced.pressed);
    const int width = canvas.width();
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const int index : step.pixels) {
        const int x = index % width;
        const int y = index / width;
        canvas.scanLine(y)[x] = pressed;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    if (!step.pixels.empty())
        canvas.markChanged(QRect(QPoint(left, top), QPoint(right, bottom)));
    redo_.push_back({step.replaced, undo_.size()});
    return step.replaced;
}

std::optional<CanvasEdits::Replaced> CanvasEdits::redo(Surface& canvas) {
    if (redo_.empty())
        return std::nullopt;
    const Undone next = redo_.back();
    redo_.pop_back();
    // Only covers are recorded on top of an undo without clearing the redo steps: taking them
    // off gives back the canvas the replacement was taken back from.
    while (undo_.size() > next.depth && undo_.back().cover())
        takeOffCover(canvas);
    replace(canvas, next.replaced);
    return next.replaced;
}

bool CanvasEdits::uncover(Surface& canvas) {
    const auto firstCover =
        std::find_if(undo_.begin(), undo_.end(), [](const Step& s) { return s.cover(); });
    if (firstCover == undo_.end())
        return false;
    const std::size_t depth = std::size_t(firstCover - undo_.begin());
    std::vector<Replaced> madeOnPanel;
    for (auto s = firstCover + 1; s != undo_.end(); ++s)
        if (!s->cover())
            madeOnPanel.push_back(s->replaced);
    undo_.resize(depth + 1);
    takeOffCover(canvas);
    for (const Replaced& r : madeOnPanel)
        replace(canvas, r);
    // A step taken back from under the panel would no longer come back as it was.
    if (!madeOnPanel.empty())
        redo_.clear();
    else
        std::erase_if(redo_, [depth](const Undone& u) { return u.depth > depth; });
    return true;
}
