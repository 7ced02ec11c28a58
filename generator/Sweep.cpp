#include "Sweep.h"

#include "Pipeline.h"
#include "VectorState.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr int side = GeneratorState::visitedSide;
constexpr colour::Value whiteValue = 16777215; // hexadecimal FFFFFF

// std::nearbyint for 0 <= v < 2^52 without a library call: the sum with 2^52 has no bits left
// for a fraction, so the addition rounds v in the current rounding mode and the subtraction is
// exact.
double nearbyintNonNegative(double v) {
    constexpr double noFraction = 0x1p52;
    return (v + noFraction) - noFraction;
}
} // namespace

Sweep::Sweep(GeneratorState& state, Random& random, const Surface& strip, Surface& canvas)
    : s_(&state), random_(&random), strip_(&strip), canvas_(&canvas), type_(state.nac) {
    const std::int64_t sir = s_->sir;
    const std::int64_t vis = s_->vis;
    if (sir <= 0 || vis <= 0)
        return; // nothing to visit
    switch (type_) {
    case 1:
        passLength_ = (sir + 1) * (vis + 1);
        total_ = passLength_;
        break;
    case 2:
        rings_ = ringOrder(int(sir), int(vis));
        passLength_ = std::int64_t(rings_.size());
        total_ = passLength_;
        break;
    case 3:
    case 4:
        if (sir > side || vis > side)
            return; // the visited grid holds no more cells than this
        passLength_ = sir * vis;
        total_ = type_ == 4 ? 2 * passLength_ : passLength_;
        if (s_->visited.size() != std::size_t(side) * side)
            s_->visited.assign(std::size_t(side) * side, 0);
        resetVisited();
        break;
    default:
        break; // no other type exists; an unknown one draws nothing
    }
}

bool Sweep::advance(std::int64_t visits) {
    clearUpperVectorState(); // whatever Qt drew since the last call must not slow the maths
    const std::int64_t end = std::min(total_, made_ + std::max<std::int64_t>(visits, 0));
    if (!literal_) {
        paintVisits(end);
        return done();
    }
    const int rows = s_->vis + 1; // type 1 visits rows 0..vis of every column
    for (; made_ < end; ++made_) {
        switch (type_) {
        case 1:
            visit(int(made_ / rows), int(made_ % rows));
            break;
        case 2: {
            const auto [i, j] = rings_[std::size_t(made_)];
            visit(i, j);
            break;
        }
        case 3:
        case 4: {
            if (type_ == 4 && made_ == passLength_)
                resetVisited(); // the image pass begins with a fresh grid
            int i = 0;
            int j = 0;
            drawUnvisitedCell(i, j);
            s_->i = i;
            s_->j = j;
            if (type_ == 4 && made_ < passLength_) {
                const double noise = std::nearbyint(double(random_->next()) * whiteValue);
                canvas_->pset(float(i), float(j), colour::Value(noise));
            } else {
                visit(i, j);
            }
            break;
        }
        }
    }
    return done();
}

void Sweep::prepareLevels() {
    prepared_ = true;
    const int width = canvas_->width();
    const int height = canvas_->height();
    const std::vector<double> xs = columnCoordinates(*s_, width);
    const std::vector<double> ys = rowCoordinates(*s_, height);
    levels_.resize(std::size_t(width) * std::size_t(height));
    decidedLiterally_ = computeLevels(*s_, PixelGrid{xs, ys}, levels_);
    colours_ = levelColours(*strip_);
}

void Sweep::paintVisits(std::int64_t end) {
    if (made_ >= end)
        return;
    if (!prepared_)
        prepareLevels();
    GeneratorState& s = *s_;
    const int width = canvas_->width();
    const int height = canvas_->height();
    QRgb* const pixels = canvas_->scanLine(0);
    const int stride = canvas_->pixelsPerLine();
    const std::int8_t* const levels = levels_.data();
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    auto paint = [&](int i, int j, QRgb c) {
        if (unsigned(i) < unsigned(width) && unsigned(j) < unsigned(height)) {
            pixels[std::ptrdiff_t(j) * stride + i] = c;
            left = std::min(left, i);
            right = std::max(right, i);
            top = std::min(top, j);
            bottom = std::max(bottom, j);
        }
    };
    // The pipeline's pixel: painted in its level's colour unless it fails.
    auto colour = [&](int i, int j) {
        if (unsigned(i) < unsigned(width) && unsigned(j) < unsigned(height)) {
            const int level = levels[std::ptrdiff_t(j) * width + i];
            if (level >= 0)
                paint(i, j, colours_[std::size_t(level)]);
        }
    };
    // Only the last visit's cell is left in the state, as visiting one at a time would leave it.
    int lastI = s.i;
    int lastJ = s.j;
    bool coloured = true; // the last visit set x and y

    switch (type_) {
    case 1: {
        // Visit k is column k / rows, row k % rows. Every cell is visited once and nothing is
        // read in between, so the visits made_..end-1 are painted row by row, which walks the
        // memory in order; the pixels and colours are those of the visit order.
        const std::int64_t rows = s.vis + 1; // rows 0..vis of every column
        const std::int64_t first = made_;
        for (std::int64_t j = 0; j < std::min<std::int64_t>(rows, height); ++j) {
            const std::int64_t from = first - j <= 0 ? 0 : (first - j + rows - 1) / rows;
            const std::int64_t to = std::min<std::int64_t>((end - 1 - j) / rows + 1, width);
            if (end - 1 - j < 0 || from >= to)
                continue;
            const std::int8_t* const levelRow = levels + j * width;
            QRgb* const pixelRow = pixels + j * stride;
            for (std::int64_t i = from; i < to; ++i) {
                const int level = levelRow[i];
                if (level >= 0)
                    pixelRow[i] = colours_[std::size_t(level)];
            }
            left = std::min(left, int(from));
            right = std::max(right, int(to - 1));
            top = std::min(top, int(j));
            bottom = std::max(bottom, int(j));
        }
        lastI = int((end - 1) / rows);
        lastJ = int((end - 1) % rows);
        made_ = end;
        break;
    }
    case 2:
        for (; made_ < end; ++made_) {
            const auto [i, j] = rings_[std::size_t(made_)];
            colour(i, j);
            lastI = i;
            lastJ = j;
        }
        break;
    case 3:
    case 4:
        for (; made_ < end; ++made_) {
            if (type_ == 4 && made_ == passLength_)
                resetVisited(); // the image pass begins with a fresh grid
            int i = 0;
            int j = 0;
            drawUnvisitedCell(i, j);
            lastI = i;
            lastJ = j;
            coloured = !(type_ == 4 && made_ < passLength_);
            if (coloured) {
                colour(i, j);
            } else {
                const double noise = nearbyintNonNegative(double(random_->next()) * whiteValue);
                paint(i, j, colour::toQRgb(colour::Value(noise)));
            }
        }
        break;
    }

    s.i = lastI;
    s.j = lastJ;
    if (coloured) {
        s.x = (lastI - s.sir / 2.0) / (s.sir / (2.0 * s.polx));
        s.y = (s.vis / 2.0 - lastJ) / (s.vis / (2.0 * s.poly));
    }
    if (left <= right)
        canvas_->markChanged(QRect(QPoint(left, top), QPoint(right, bottom)));
}

void Sweep::visit(int i, int j) {
    GeneratorState& s = *s_;
    s.i = i;
    s.j = j;
    s.x = (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx));
    s.y = (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly));
    PlotPoint(s, *strip_, *canvas_); // a failed pixel keeps what the canvas showed
}

void Sweep::drawUnvisitedCell(int& i, int& j) {
    const int sir = s_->sir;
    const int vis = s_->vis;
    std::int16_t* const visited = s_->visited.data();
    // Local copies let the compiler keep the generator in registers over the rejections.
    Random random = *random_;
    int column = 0;
    int row = 0;
    do {
        column = random.nextBelow(sir); // Int(sir * Rnd), the column first, then the row
        row = random.nextBelow(vis);
    } while (visited[row * side + column] == 1);
    visited[row * side + column] = 1;
    *random_ = random;
    i = column;
    j = row;
}

void Sweep::resetVisited() {
    for (int j = 0; j < s_->vis; ++j)
        std::fill_n(s_->visited.begin() + j * side, s_->sir, std::int16_t(0));
}

std::vector<std::pair<std::int16_t, std::int16_t>> Sweep::ringOrder(int sir, int vis) {
    double m = 0, dx = 0, dy = 0;
    if (sir > vis) {
        m = vis / 2.0;
        dx = sir - vis;
    } else {
        m = sir / 2.0;
        dy = vis - sir;
    }
    auto L = std::floor(sir / 2.0 - dx / 2 + 1);
    auto R = std::floor(sir / 2.0 + dx / 2 - 1);
    auto T = std::floor(vis / 2.0 - dy / 2 + 1);
    auto B = std::floor(vis / 2.0 + dy / 2 - 1);
    std::vector<std::pair<std::int16_t, std::int16_t>> order;
    order.reserve(std::size_t((sir + 3) * (vis + 3)));
    auto add = [&order](double i, double j) {
        order.emplace_back(std::int16_t(i), std::int16_t(j));
    };
    for (int ring = 1; ring <= m + 1; ++ring) {
        L -= 1;
        R += 1;
        T -= 1;
        B += 1;
        for (double i = L; i <= R; ++i) // top edge
            add(i, T);
        for (double j = T; j <= B; ++j) // right edge, its top corner first
            add(R + 1, j);
        for (double i = R + 1; i >= L; --i) // bottom edge, from the right corner
            add(i, B + 1);
        for (double j = B + 1; j >= T; --j) // left edge, both left corners
            add(L - 1, j);
    }
    return order;
}
