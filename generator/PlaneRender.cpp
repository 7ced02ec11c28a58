#include "PlaneRender.h"

#include "FastColouring.h"
#include "Pipeline.h"
#include "Sweep.h"
#include "World.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

double canvasCoordinate(double u, int size, int shorter) {
    return (u - (size - shorter) / 2.0) * double(canvasSide) / shorter;
}

int paletteLevelAt(GeneratorState& s, double i, double j) {
    // The centred coordinates as a sweep's visit sets them, with fractional i and j.
    return literalLevel(s, (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx)),
                        (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly)));
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

QImage noiseCanvas(const Recipe& recipe, colour::Value background) {
    const auto state = std::make_unique<GeneratorState>(); // its visited grid is large
    setStartUpSettings(*state);
    applyParameters(recipe, *state);
    state->nac = 4;
    Random random;
    random.setState(recipe.random);
    Surface canvas(canvasSide, canvasSide, background);
    const Surface strip(stripWidth, stripHeight, background); // the noise reads no colours
    Sweep sweep(*state, random, strip, canvas);
    sweep.useLiteralColouring(); // no levels are needed for the noise
    sweep.advance(sweep.passLength());
    return canvas.image().copy();
}

QImage PlaneRenderer::render(const Recipe& recipe, const Options& options,
                             const std::function<bool(double)>& progress,
                             std::vector<std::int8_t>* levels) {
    const int width = options.width;
    const int height = options.height;
    const int smooth = std::max(1, options.smooth);
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    if (levels) {
        try {
            levels->assign(std::size_t(width) * std::size_t(height), -1);
        } catch (const std::bad_alloc&) {
            return {};
        }
    }

    GeneratorState parameters;
    setStartUpSettings(parameters);
    applyParameters(recipe, parameters);

    const auto levelColour = levelColours(recipe.waves);
    // Each level's colour after the replacements, as presses on the picture would leave it.
    auto replaced = [&recipe](colour::Value c) {
        for (const Replacement& p : recipe.replacements)
            if (c == p.pressed)
                c = p.put;
        return colour::toQRgb(c);
    };
    std::array<QRgb, 69> finalColour{}; // the 68 levels, then the background
    for (std::size_t k = 0; k < levelColour.size(); ++k)
        finalColour[k] = replaced(levelColour[k]);
    finalColour[68] = replaced(options.background);
    // Type 4 shows its noise where the formulas give no value, replaced as the levels are.
    QImage noise;
    if (recipe.generationType == 4) {
        // Drawing the noise takes longer than colouring a small picture, and variations of an
        // image share its random state: the last noise drawn is kept.
        if (noise_.isNull() || noiseRandom_ != recipe.random ||
            noiseBackground_ != options.background) {
            noise_ = noiseCanvas(recipe, options.background);
            noiseRandom_ = recipe.random;
            noiseBackground_ = options.background;
        }
        noise = noise_;
        for (int y = 0; y < noise.height() && !recipe.replacements.empty(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
            for (int x = 0; x < noise.width(); ++x)
                line[x] = replaced(colour::fromQRgb(line[x]));
        }
    }
    // The canvas cell of a sample along one side, or -1 off the canvas.
    auto cellOf = [](double coordinate) {
        const double cell = std::floor(coordinate);
        return cell >= 0 && cell < canvasSide ? int(cell) : -1;
    };
    // A sample's colour: its level's, or the noise of its canvas cell, or the background.
    auto colourOf = [&finalColour, &noise](std::int8_t level, int column, int row) {
        if (level >= 0)
            return finalColour[std::size_t(level)];
        if (noise.isNull() || column < 0 || row < 0)
            return finalColour[68];
        return reinterpret_cast<const QRgb*>(noise.constScanLine(row))[column];
    };

    // The samples of a pixel lie around its centre; with one sample, on the pixel itself.
    const int shorter = std::min(width, height);
    auto sample = [smooth](int pixel, int k) { return pixel + ((k + 0.5) / smooth - 0.5); };
    const GeneratorState& s = parameters;
    std::vector<double> xs(std::size_t(width) * std::size_t(smooth));
    std::vector<int> columns(xs.size()); // the canvas cell of each sample column
    for (int u = 0; u < width; ++u)
        for (int a = 0; a < smooth; ++a) {
            const std::size_t k = std::size_t(u) * std::size_t(smooth) + std::size_t(a);
            const double i = canvasCoordinate(sample(u, a), width, shorter);
            xs[k] = (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx));
            columns[k] = cellOf(i);
        }

    // Bands of about a million samples: the levels of one band at a time, on every core.
    const int rowSamples = width * smooth * smooth;
    const int bandRows = std::clamp((1 << 20) / rowSamples, 1, height);
    std::vector<double> ys(std::size_t(bandRows) * std::size_t(smooth));
    std::vector<int> rowCells(ys.size()); // the canvas cell of each sample row of the band
    std::vector<std::int8_t> bandLevels(xs.size() * ys.size());
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int samples = smooth * smooth;
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        const std::size_t rowCount = std::size_t(rows) * std::size_t(smooth);
        for (int v = 0; v < rows; ++v)
            for (int b = 0; b < smooth; ++b) {
                const std::size_t k = std::size_t(v) * std::size_t(smooth) + std::size_t(b);
                const double j = canvasCoordinate(sample(top + v, b), height, shorter);
                ys[k] = (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly));
                rowCells[k] = cellOf(j);
            }
        const std::span<std::int8_t> level(bandLevels.data(), xs.size() * rowCount);
        computeLevels(parameters, PixelGrid{xs, std::span<const double>(ys.data(), rowCount)},
                      level, allCores_);
        const std::size_t samplesAcross = xs.size();
        for (int v = 0; v < rows; ++v) {
            auto* line = reinterpret_cast<QRgb*>(bits + (top + v) * stride);
            const std::int8_t* first = level.data() + std::size_t(v) * smooth * samplesAcross;
            const int* cellRow = rowCells.data() + std::size_t(v) * smooth;
            if (smooth == 1) {
                if (levels)
                    std::copy_n(first, width,
                                levels->data() + std::size_t(top + v) * std::size_t(width));
                for (int u = 0; u < width; ++u)
                    line[u] = colourOf(first[u], columns[std::size_t(u)], cellRow[0]);
                continue;
            }
            for (int u = 0; u < width; ++u) {
                int red = 0, green = 0, blue = 0;
                for (int b = 0; b < smooth; ++b)
                    for (int a = 0; a < smooth; ++a) {
                        const std::size_t k = std::size_t(u) * smooth + std::size_t(a);
                        const QRgb c = colourOf(first[std::size_t(b) * samplesAcross + k],
                                                columns[k], cellRow[b]);
                        red += qRed(c);
                        green += qGreen(c);
                        blue += qBlue(c);
                    }
                line[u] = qRgb((red + samples / 2) / samples, (green + samples / 2) / samples,
                               (blue + samples / 2) / samples);
            }
        }
        if (progress && !progress(double(top + rows) / height))
            return {};
    }
    return image;
}
