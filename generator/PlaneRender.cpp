#include "PlaneRender.h"

#include "Pipeline.h"
#include "VectorState.h"
#include "World.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <cmath>

double canvasCoordinate(double u, int size, int shorter) {
    return (u - (size - shorter) / 2.0) * double(canvasSide) / shorter;
}

int paletteLevelAt(GeneratorState& s, double i, double j) {
    // As a sweep's visit and PlotPoint, with fractional i and j.
    s.x = (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx));
    s.y = (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly));
    s.r = std::sqrt(s.x * s.x + s.y * s.y);
    const double divisor = s.x + 0.000001;
    if (divisor == 0.0)
        return -1;
    s.fi = std::atan(s.y / divisor);
    if (!std::isfinite(s.fi) || !ComputeComponents(s))
        return -1;
    const double ba = std::max(std::min(s.ba, paletteTop), 0.0);
    return int(std::floor(ba / 10));
}

std::array<colour::Value, 68> levelColours(const palette::Waves& waves) {
    std::array<colour::Value, 68> colours{};
    for (int k = 0; k < int(colours.size()); ++k) {
        // Level k is read from the strip column 10 + 5k, painted in one colour.
        const auto c = palette::channelsAt(waves, int(paletteFirstColumn) + 5 * k);
        colours[std::size_t(k)] = colour::rgb(
            palette::channelByte(c.re), palette::channelByte(c.gr), palette::channelByte(c.bl));
    }
    return colours;
}

PlaneRenderer::PlaneRenderer(int threads) {
    pool_.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
}

QImage PlaneRenderer::render(const Recipe& recipe, const Options& options,
                             const std::function<void(double)>& progress) {
    const int width = options.width;
    const int height = options.height;
    const int smooth = std::max(1, options.smooth);
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;

    GeneratorState prototype;
    setStartUpSettings(prototype);
    applyParameters(recipe, prototype);
    prototype.visited.clear(); // the sweeps' grid is not needed here
    prototype.visited.shrink_to_fit();

    const auto levels = levelColours(recipe.waves);
    // Each sample's colour after the replacements, as presses on the picture would leave it.
    auto replaced = [&recipe](colour::Value c) {
        for (const Replacement& p : recipe.replacements)
            if (c == p.pressed)
                c = p.put;
        return colour::toQRgb(c);
    };
    std::array<QRgb, 69> finalColour{}; // the 68 levels, then the background
    for (std::size_t k = 0; k < levels.size(); ++k)
        finalColour[k] = replaced(levels[k]);
    finalColour[68] = replaced(options.background);

    const int shorter = std::min(width, height);
    const int bandRows = std::max(1, 32768 / width);
    const int bands = (height + bandRows - 1) / bandRows;
    std::atomic<int> nextBand{0};
    std::atomic<int> bandsDone{0};
    const int samples = smooth * smooth;
    uchar* const bits = image.bits(); // taken once: the workers write disjoint rows
    const qsizetype stride = image.bytesPerLine();

    auto work = [&] {
        clearUpperVectorState();
        GeneratorState s = prototype;
        std::vector<double> columnOffsets(std::size_t(width) * std::size_t(smooth));
        for (int u = 0; u < width; ++u)
            for (int a = 0; a < smooth; ++a)
                columnOffsets[std::size_t(u) * std::size_t(smooth) + std::size_t(a)] =
                    canvasCoordinate(u + ((a + 0.5) / smooth - 0.5), width, shorter);
        for (int band = nextBand++; band < bands; band = nextBand++) {
            const int top = band * bandRows;
            const int bottom = std::min(height, top + bandRows);
            for (int v = top; v < bottom; ++v) {
                auto* line = reinterpret_cast<QRgb*>(bits + v * stride);
                const double row = canvasCoordinate(v, height, shorter);
                for (int u = 0; u < width; ++u) {
                    const double* is = &columnOffsets[std::size_t(u) * std::size_t(smooth)];
                    if (smooth == 1) {
                        const int level = paletteLevelAt(s, is[0], row);
                        line[u] = finalColour[std::size_t(level < 0 ? 68 : level)];
                        continue;
                    }
                    int red = 0, green = 0, blue = 0;
                    for (int b = 0; b < smooth; ++b) {
                        const double j =
                            canvasCoordinate(v + ((b + 0.5) / smooth - 0.5), height, shorter);
                        for (int a = 0; a < smooth; ++a) {
                            const int level = paletteLevelAt(s, is[a], j);
                            const QRgb c = finalColour[std::size_t(level < 0 ? 68 : level)];
                            red += qRed(c);
                            green += qGreen(c);
                            blue += qBlue(c);
                        }
                    }
                    line[u] = qRgb((red + samples / 2) / samples, (green + samples / 2) / samples,
                                   (blue + samples / 2) / samples);
                }
            }
            ++bandsDone;
        }
    };
    const int workers = std::min(pool_.maxThreadCount(), bands);
    for (int w = 0; w < workers; ++w)
        pool_.start(work);
    while (!pool_.waitForDone(100))
        if (progress)
            progress(double(bandsDone.load()) / bands);
    if (progress)
        progress(1.0);
    return image;
}
