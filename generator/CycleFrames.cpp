#include "CycleFrames.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <numbers>

namespace {
// Below this many pixels a frame is made on the calling thread alone.
constexpr qsizetype smallestSharedFrame = 1 << 18;
// Rows per band; the bands are dealt out in turn to the threads that share a frame.
constexpr int bandRows = 16;
} // namespace

palette::Waves turnedWaves(const palette::Waves& waves, double turn) {
    palette::Waves turned = waves;
    const double angle = 2 * std::numbers::pi * turn;
    turned.phase1 += angle;
    turned.phase2 += angle;
    turned.phase3 += angle;
    return turned;
}

CycleFrames::CycleFrames(const Recipe& recipe, const PlaneRenderer::Options& options,
                         PlaneRenderer& renderer, const std::function<bool(double)>& progress)
    : waves_(recipe.waves) {
    PlaneRenderer::Options single = options;
    single.smooth = 1; // a pixel is one level
    still_ = renderer.render(recipe, single, progress, &levels_);
    if (still_.isNull())
        return;
    frame_ = still_.copy();
    // A level is kept where the replacements change its colour, as they changed the picture.
    const auto colours = levelColours(waves_);
    std::array<bool, 68> kept{};
    for (std::size_t k = 0; k < colours.size(); ++k) {
        colour::Value c = colours[k];
        for (const Replacement& p : recipe.replacements)
            if (c == p.pressed)
                c = p.put;
        kept[k] = c != colours[k];
    }
    // A kept level's pixels never change: only the others are written from then on.
    for (std::int8_t& level : levels_)
        if (level >= 0 && kept[std::size_t(level)])
            level = -1;
}

const QImage& CycleFrames::turned(double turn) {
    if (!ok())
        return frame_;
    const auto colours = levelColours(turnedWaves(waves_, turn));
    std::array<QRgb, 68> table{};
    for (std::size_t k = 0; k < table.size(); ++k)
        table[k] = colour::toQRgb(colours[k]);
    const int width = frame_.width();
    const int height = frame_.height();
    uchar* const bits = frame_.bits(); // detaches here, on this thread, if it must
    const qsizetype stride = frame_.bytesPerLine();
    // Every `shares`-th band from band `share` on; the pixels of levels that do not turn keep the
    // picture's colour they have had since the first frame.
    auto paint = [&](int share, int shares) {
        for (int top = share * bandRows; top < height; top += shares * bandRows)
            for (int v = top; v < std::min(top + bandRows, height); ++v) {
                const std::int8_t* level = levels_.data() + std::size_t(v) * std::size_t(width);
                auto* line = reinterpret_cast<QRgb*>(bits + v * stride);
                for (int u = 0; u < width; ++u)
                    if (level[u] >= 0)
                        line[u] = table[std::size_t(level[u])];
            }
    };
    // One share on this thread and one on each other thread of the shared pool, no more, so no
    // share waits for a core while the others are done.
    const int shares = qsizetype(width) * height < smallestSharedFrame
                           ? 1
                           : std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    std::vector<QFuture<void>> others;
    for (int share = 1; share < shares; ++share)
        others.push_back(QtConcurrent::run([&paint, share, shares] { paint(share, shares); }));
    paint(0, shares);
    for (QFuture<void>& other : others)
        other.waitForFinished(); // runs the share here if no thread has taken it yet
    return frame_;
}
