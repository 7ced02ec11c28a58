#include "CycleFrames.h"

#include <numbers>

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
    for (std::size_t k = 0; k < colours.size(); ++k) {
        colour::Value c = colours[k];
        for (const Replacement& p : recipe.replacements)
            if (c == p.pressed)
                c = p.put;
        kept_[k] = c != colours[k];
    }
}

const QImage& CycleFrames::turned(double turn) {
    if (!ok())
        return frame_;
    const auto colours = levelColours(turnedWaves(waves_, turn));
    std::array<QRgb, 68> table{};
    for (std::size_t k = 0; k < table.size(); ++k)
        table[k] = colour::toQRgb(colours[k]);
    const int width = frame_.width();
    for (int v = 0; v < frame_.height(); ++v) {
        const std::int8_t* level = levels_.data() + std::size_t(v) * std::size_t(width);
        const auto* picture = reinterpret_cast<const QRgb*>(still_.constScanLine(v));
        auto* line = reinterpret_cast<QRgb*>(frame_.scanLine(v));
        for (int u = 0; u < width; ++u) {
            const int k = level[u];
            line[u] = k >= 0 && !kept_[std::size_t(k)] ? table[std::size_t(k)] : picture[u];
        }
    }
    return frame_;
}
