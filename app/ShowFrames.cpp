#include "ShowFrames.h"

#include "World.h"

std::shared_ptr<ShowFrames> ShowFrames::make(const Recipe& recipe, QSize size, double ratio,
                                             const std::function<bool()>& cancelled) {
    auto frames = std::make_shared<ShowFrames>();
    frames->recipe = recipe;
    PlaneRenderer renderer(1);
    const auto goOn = [&cancelled](double) { return !cancelled(); };
    PlaneRenderer::Options options;
    options.background = pictureBackground;
    options.width = canvasSide;
    options.height = canvasSide;
    frames->canvas = renderer.render(recipe, options, goOn);
    if (frames->canvas.isNull())
        return {};
    options.width = size.width();
    options.height = size.height();
    // One render at the screen's size serves both: the colours turn on it, and it is the
    // picture the build-up ends on.
    frames->cycle = std::make_unique<CycleFrames>(recipe, options, renderer, goOn);
    if (!frames->cycle->ok())
        return {};
    frames->build = std::make_unique<BuildFrames>(recipe, options, frames->cycle->still());
    if (!frames->build->ok())
        return {};
    frames->build->setDevicePixelRatio(ratio);
    frames->cycle->setDevicePixelRatio(ratio);
    return frames;
}
