// rosette-render's command line on any arguments (the input split on NUL bytes): it either ends
// the run with help, the version or one line and exit code 2, or asks for a run whose every
// setting is in its range: sizes, numbers, videos, variations and crosses.

#include "FuzzSupport.h"
#include "RenderCommandLine.h"

#include <QCoreApplication>
#include <limits>

namespace {

bool fits(double value, double low, double high) {
    return value >= low && value <= high;
}

// A video asked for has its frame rate, length and hold in range, and a sheet or variations
// never come with one.
bool videoFits(const RenderRequest& r) {
    const std::optional<MotionVideo>& video = r.pictures.video;
    if (!video)
        return true;
    return fits(video->video.fps, MotionVideo::fewestFps, MotionVideo::mostFps) &&
           fits(video->seconds, MotionVideo::shortestSeconds, MotionVideo::longestSeconds) &&
           fits(video->hold, 0, MotionVideo::longestHold) && !r.variations.sheet &&
           r.variations.count == 0;
}

// Variations and crosses: how many and how strong in range, a cross only of a recipe, and only
// one image varied.
bool variationsFit(const RenderRequest& r) {
    const VariationSettings& v = r.variations;
    if (v.count == 0)
        return v.cross.isEmpty();
    return fits(v.count, 1, 1000) && fits(v.strength, 0.01, 1) && (v.cross.isEmpty() || r.recipe) &&
           r.images == 1 &&
           (!v.seed || *v.seed <= std::numeric_limits<std::uint64_t>::max() - 1000);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv, "rosette-render");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList arguments = fuzz::arguments("rosette-render", data, size);
    // One parser for every input: each read starts afresh (QCommandLineParser::parse forgets the
    // last line), and making the parser's options is most of an input's time otherwise.
    static RenderCommandLine commandLine;
    const RenderRequest r = commandLine.read(arguments);
    const QString shown = arguments.join(QLatin1Char(' '));
    if (fuzz::ended(r, shown))
        return 0;
    if (r.listRecipes)
        return 0;
    const PlaneRenderer::Options& render = r.pictures.render;
    if (!fits(r.images, 1, 100000) || !fits(r.generationType, 1, 4) || r.folder.isEmpty() ||
        (r.seed && (*r.seed < 0 || *r.seed > RenderCommandLine::maxSeed - r.images)) ||
        !fits(render.width, 1, largestRenderSide) || !fits(render.height, 1, largestRenderSide) ||
        !fits(render.smooth, 1, 8) || (std::uint32_t(render.background) & ~0xffffffu) != 0 ||
        (!r.pictures.format.isEmpty() && r.pictures.format != QLatin1String("bmp") &&
         r.pictures.format != QLatin1String("png")) ||
        (r.recipe && (r.seed || !r.pictures.plane)) || !videoFits(r) || !variationsFit(r))
        fuzz::broken("a run asked for has every setting in its range", shown);
    return 0;
}
