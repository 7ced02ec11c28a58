#include "Redraw.h"

#include "Surface.h"
#include "Sweep.h"
#include "World.h"

#include <cstring>

namespace {
// A copy of a surface's pixels and background on a surface of its own.
std::unique_ptr<Surface> copyOf(const Surface& from) {
    auto to = std::make_unique<Surface>(from.width(), from.height(), from.backColor());
    const auto rowBytes = std::size_t(from.width()) * sizeof(QRgb);
    for (int y = 0; y < from.height(); ++y)
        std::memcpy(to->scanLine(y), from.constScanLine(y), rowBytes);
    return to;
}

QImage ownSweep(const Recipe& recipe, GeneratorState& state, const Surface& strip) {
    state.nac = std::int16_t(recipe.generationType);
    Random random;
    random.setState(recipe.random);
    Surface canvas(canvasSide, canvasSide, pictureBackground); // cleared of what was shown
    Sweep(state, random, strip, canvas).runToEnd();
    return canvas.image();
}

QImage fromPlane(Recipe recipe, PlaneRenderer& renderer) {
    // Without its replacements, which the window makes again one by one, so each can be
    // taken back as if it had just been made. The default options are the canvas's.
    recipe.replacements.clear();
    return renderer.render(recipe, PlaneRenderer::Options{});
}
} // namespace

void Redraw::start(const Recipe& recipe, const GeneratorState& state, const Surface& strip) {
    if (job_.active())
        job_.wait();
    // Type 4's copies are large (the state holds the visited grid): they are made here, once.
    std::shared_ptr<GeneratorState> ownState;
    std::shared_ptr<Surface> ownStrip;
    if (recipe.generationType == 4) {
        ownState = std::make_shared<GeneratorState>(state);
        ownStrip = copyOf(strip);
    }
    job_.start([recipe, ownState, ownStrip, r = renderer_] {
        return ownState ? ownSweep(recipe, *ownState, *ownStrip) : fromPlane(recipe, *r);
    });
}

QImage Redraw::draw(const Recipe& recipe, GeneratorState& state, const Surface& strip,
                    PlaneRenderer& renderer) {
    return recipe.generationType == 4 ? ownSweep(recipe, state, strip)
                                      : fromPlane(recipe, renderer);
}
