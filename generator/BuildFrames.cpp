#include "BuildFrames.h"

#include "GeneratorState.h"
#include "Random.h"
#include "Sweep.h"
#include "World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// The window's canvas is swept as a sir x vis image of this side (its start-up settings).
constexpr int sweptSide = 458;
// A grid wider than this (a picture many times wider than tall) is not planned.
constexpr int largestGridSide = 30000;
constexpr double whiteValue = 16777215; // hexadecimal FFFFFF, the largest noise colour
} // namespace

std::int64_t visitsAtFrame(std::int64_t k, std::int64_t frames, std::int64_t visits) {
    if (frames <= 0)
        return visits;
    k = std::clamp<std::int64_t>(k, 0, frames);
    // round(k * visits / frames) with halves up, in whole numbers.
    return (2 * k * visits + frames) / (2 * frames);
}

BuildFrames::BuildFrames(const Recipe& recipe, const PlaneRenderer::Options& options,
                         PlaneRenderer& renderer, const std::function<bool(double)>& progress)
    : BuildFrames(recipe, options, renderer.render(recipe, options, progress)) {}

BuildFrames::BuildFrames(const Recipe& recipe, const PlaneRenderer::Options& options,
                         const QImage& still) {
    const int width = options.width;
    const int height = options.height;
    const int shorter = std::min(width, height);
    // The cell of every picture column and row, and how far the grid reaches past the canvas.
    auto cells = [shorter](int size) {
        std::vector<int> cell(std::size_t(size), 0);
        for (int u = 0; u < size; ++u)
            cell[std::size_t(u)] = int(std::floor(canvasCoordinate(u, size, shorter)));
        return cell;
    };
    const std::vector<int> columnCells = cells(width);
    const std::vector<int> rowCells = cells(height);
    auto extra = [](const std::vector<int>& cell) {
        return std::max({0, -cell.front(), cell.back() - (sweptSide - 1)});
    };
    extraColumns_ = extra(columnCells);
    extraRows_ = extra(rowCells);
    if (sweptSide + 2 * std::max(extraColumns_, extraRows_) > largestGridSide)
        return; // not ok

    // Spans indexed from grid index -1 (rings reach one cell beyond the grid on each side).
    auto spans = [](const std::vector<int>& cell, int extraCells) {
        std::vector<Span> span(std::size_t(sweptSide + 2 * extraCells + 3));
        for (int u = 0; u < int(cell.size()); ++u) {
            Span& s = span[std::size_t(cell[std::size_t(u)] + extraCells + 1)];
            if (s.first == s.end)
                s.first = u;
            s.end = u + 1;
        }
        return span;
    };
    columns_ = spans(columnCells, extraColumns_);
    rows_ = spans(rowCells, extraRows_);

    still_ = still;
    if (still_.isNull())
        return;
    frame_ = QImage(width, height, QImage::Format_RGB32);
    if (frame_.isNull()) {
        still_ = {};
        return;
    }
    background_ = colour::toQRgb(options.background);
    frame_.fill(background_);
    planVisits(recipe);
}

void BuildFrames::planVisits(const Recipe& recipe) {
    const int sir = sweptSide + 2 * extraColumns_;
    const int vis = sweptSide + 2 * extraRows_;
    auto add = [this](int column, int row, QRgb noise) {
        order_.push_back(Visit{std::int16_t(column), std::int16_t(row), noise});
    };
    switch (recipe.generationType) {
    case 1: // columns 0..sir, each from row 0 to vis
        order_.reserve(std::size_t(sir + 1) * std::size_t(vis + 1));
        for (int i = 0; i <= sir; ++i)
            for (int j = 0; j <= vis; ++j)
                add(i, j, 0);
        break;
    case 2:
        for (const auto& [i, j] : Sweep::ringOrder(sir, vis))
            add(i, j, 0);
        break;
    case 3:
    case 4: {
        // Every cell once in random order: the column drawn first, then the row, drawing again
        // while the cell was visited in this pass.
        Random random;
        random.setState(recipe.random);
        std::vector<std::uint8_t> visited;
        const int passes = recipe.generationType == 4 ? 2 : 1;
        order_.reserve(std::size_t(passes) * std::size_t(sir) * std::size_t(vis));
        for (int pass = 1; pass <= passes; ++pass) {
            const bool noisePass = passes == 2 && pass == 1;
            visited.assign(std::size_t(sir) * std::size_t(vis), 0);
            for (std::int64_t n = 0; n < std::int64_t(sir) * vis; ++n) {
                int i = 0, j = 0;
                do {
                    i = random.nextBelow(sir);
                    j = random.nextBelow(vis);
                } while (visited[std::size_t(j) * std::size_t(sir) + std::size_t(i)] != 0);
                visited[std::size_t(j) * std::size_t(sir) + std::size_t(i)] = 1;
                QRgb noise = 0;
                if (noisePass)
                    noise = colour::toQRgb(
                        colour::Value(std::nearbyint(double(random.next()) * whiteValue)));
                add(i, j, noise);
            }
            if (noisePass)
                noiseVisits_ = std::int64_t(order_.size());
        }
        break;
    }
    default:
        break; // no other type exists: nothing is visited
    }
}

void BuildFrames::paint(const Visit& visit, bool noisePass) {
    const Span columns = columns_[std::size_t(visit.column + 1)];
    const Span rows = rows_[std::size_t(visit.row + 1)];
    if (columns.first == columns.end || rows.first == rows.end)
        return; // a cell with no picture pixels
    const int count = columns.end - columns.first;
    for (int v = rows.first; v < rows.end; ++v) {
        QRgb* const line = reinterpret_cast<QRgb*>(frame_.scanLine(v)) + columns.first;
        if (noisePass)
            std::fill_n(line, count, visit.noise);
        else
            std::memcpy(line,
                        reinterpret_cast<const QRgb*>(still_.constScanLine(v)) + columns.first,
                        std::size_t(count) * sizeof(QRgb));
    }
    changed_ |= QRect(columns.first, rows.first, count, rows.end - rows.first);
}

const QImage& BuildFrames::showVisits(std::int64_t visits) {
    changed_ = {};
    if (!ok())
        return frame_;
    visits = std::clamp<std::int64_t>(visits, 0, totalVisits());
    if (visits < shown_) {
        frame_.fill(background_);
        changed_ = frame_.rect();
        shown_ = 0;
    }
    for (; shown_ < visits; ++shown_)
        paint(order_[std::size_t(shown_)], shown_ < noiseVisits_);
    return frame_;
}
