#include "FastColouring.h"

#include "Pipeline.h"

#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

using Kernel = void (*)(const LevelJob&, const RowPair*, int, std::int8_t*);

struct KernelChoice {
    Kernel run;
    const char* name;
};

bool runsAvx512() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx2") &&
           __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi2");
#else
    return false;
#endif
}

#if defined(__x86_64__)
// MOVBE, F16C and LZCNT, which x86-64-v3 has beyond AVX2, FMA and BMI; asked of the processor
// itself, as clang's __builtin_cpu_supports does not know them.
bool runsMovbeF16cLzcnt() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    constexpr unsigned movbe = 1u << 22, f16c = 1u << 29; // CPUID 1, ECX
    if ((c & movbe) == 0 || (c & f16c) == 0)
        return false;
    constexpr unsigned lzcnt = 1u << 5; // CPUID 0x80000001, ECX
    return __get_cpuid(0x80000001, &a, &b, &c, &d) && (c & lzcnt) != 0;
}
#endif

bool runsAvx2() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
           __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") && runsMovbeF16cLzcnt();
#else
    return false;
#endif
}

KernelChoice chooseKernel() {
    if (runsAvx512())
        return {levelKernelAvx512::levelRows, "AVX-512"};
    if (runsAvx2())
        return {levelKernelAvx2::levelRows, "AVX2"};
    return {levelKernelBaseline::levelRows, "baseline"};
}

const KernelChoice& bestKernel() {
    static const KernelChoice choice = chooseKernel();
    return choice;
}

// Parameters for which the vector kernel's margins are known to hold: finite and of the sizes
// the parameter draw makes, with room to spare. Anything else goes through the literal code.
bool kernelFits(const GeneratorState& p) {
    const double values[] = {p.f1,    p.f2,    p.n1,    p.n2,    p.n3,    p.n4,
                             p.komp1, p.komp2, p.komp3, p.baf01, p.baf02, p.baf03};
    for (const double v : values) {
        if (!(std::fabs(v) <= 1000.0))
            return false;
    }
    return p.komp3 >= 0 && p.baf01 != 0 && p.baf03 != 0;
}

bool gridFits(const PixelGrid& grid) {
    auto small = [](double v) { return std::fabs(v) <= 1000.0; };
    return std::all_of(grid.xs.begin(), grid.xs.end(), small) &&
           std::all_of(grid.ys.begin(), grid.ys.end(), small);
}

// The rows to colour, each row whose y is exactly the negative of a later row's paired with it.
std::vector<RowPair> pairRows(std::span<const double> ys) {
    const int rows = int(ys.size());
    std::vector<int> byValue(std::size_t(rows), 0);
    for (int j = 0; j < rows; ++j)
        byValue[std::size_t(j)] = j;
    std::sort(byValue.begin(), byValue.end(), [&](int a, int b) {
        return ys[std::size_t(a)] < ys[std::size_t(b)] ||
               (ys[std::size_t(a)] == ys[std::size_t(b)] && a < b);
    });
    std::vector<bool> taken(std::size_t(rows), false);
    std::vector<RowPair> pairs;
    for (int j = 0; j < rows; ++j) {
        if (taken[std::size_t(j)])
            continue;
        taken[std::size_t(j)] = true;
        RowPair pair{j, -1};
        const double y = ys[std::size_t(j)];
        if (y != 0.0) {
            const auto first =
                std::lower_bound(byValue.begin(), byValue.end(), -y, [&](int index, double value) {
                    return ys[std::size_t(index)] < value;
                });
            for (auto it = first; it != byValue.end() && ys[std::size_t(*it)] == -y; ++it) {
                if (!taken[std::size_t(*it)]) {
                    pair.mirror = *it;
                    taken[std::size_t(*it)] = true;
                    break;
                }
            }
        }
        pairs.push_back(pair);
    }
    return pairs;
}

// Below this many pixels the pool costs more than it saves.
constexpr std::size_t smallGrid = 16384;

} // namespace

int literalLevel(GeneratorState& scratch, double x, double y) {
    scratch.x = x;
    scratch.y = y;
    if (!PointValue(scratch))
        return failedLevel;
    return paletteLevelOf(scratch.ba);
}

void computeLevelsLiterally(const GeneratorState& parameters, const PixelGrid& grid,
                            std::span<std::int8_t> levels) {
    GeneratorState scratch;
    scratch.parameters() = parameters.parameters();
    std::size_t k = 0;
    for (const double y : grid.ys) {
        for (const double x : grid.xs)
            levels[k++] = std::int8_t(literalLevel(scratch, x, y));
    }
}

bool vectorKernelRuns(VectorKernel kernel) {
    switch (kernel) {
    case VectorKernel::avx512:
        return runsAvx512();
    case VectorKernel::avx2:
        return runsAvx2();
    case VectorKernel::best:
    case VectorKernel::baseline:
        break;
    }
    return true;
}

std::int64_t computeLevels(const GeneratorState& parameters, const PixelGrid& grid,
                           std::span<std::int8_t> levels, bool onAllCores, VectorKernel kernel) {
    const int columns = int(grid.xs.size());
    const int rows = int(grid.ys.size());
    if (columns == 0 || rows == 0)
        return 0;
    const int set = selectorOf(parameters.tip);
    const int formula = selectorOf(parameters.barv);
    if (set < 0 || formula < 0) {
        // The pipeline stops at its formula choice for every pixel.
        std::fill(levels.begin(), levels.end(), failedLevel);
        return 0;
    }
    if (!kernelFits(parameters) || !gridFits(grid)) {
        computeLevelsLiterally(parameters, grid, levels);
        return std::int64_t(grid.size());
    }

    LevelJob job;
    job.set = set >= 2 && set <= 4 ? set : 1;
    job.formula = formula >= 2 && formula <= 5 ? formula : 1;
    job.komp1 = parameters.komp1;
    job.komp2 = parameters.komp2;
    job.komp3 = parameters.komp3;
    job.n1 = parameters.n1;
    job.n2 = parameters.n2;
    job.n3 = parameters.n3;
    job.n4 = parameters.n4;
    job.f1 = parameters.f1;
    job.f2 = parameters.f2;
    job.baf02 = parameters.baf02;
    job.xs = grid.xs.data();
    job.ys = grid.ys.data();
    job.columns = columns;

    // bl is a whole number from 0 to komp3 * 2 (formula set 4: * 4), so its term is a table.
    std::vector<double> terms;
    if (job.formula == 2 || job.formula == 3 || job.formula == 5) {
        const double top = double(parameters.komp3) * (job.set == 4 ? 4 : 2);
        terms.resize(std::size_t(top) + 2);
        for (std::size_t b = 0; b < terms.size(); ++b) {
            const double bl = double(b);
            if (job.formula == 2)
                terms[b] = std::sin(bl / double(parameters.baf01));
            else if (job.formula == 3)
                terms[b] = std::cos(bl / double(parameters.baf03));
            else
                terms[b] = std::sin(bl / double(parameters.baf03));
        }
        job.blTerm = terms.data();
        job.blCount = int(terms.size());
    }

    Kernel run = bestKernel().run;
    if (kernel == VectorKernel::baseline)
        run = levelKernelBaseline::levelRows;
    else if (kernel == VectorKernel::avx2 && runsAvx2())
        run = levelKernelAvx2::levelRows;
    else if (kernel == VectorKernel::avx512 && runsAvx512())
        run = levelKernelAvx512::levelRows;
    const std::vector<RowPair> pairs = pairRows(grid.ys);
    const int tasks = int(pairs.size());
    if (!onAllCores || grid.size() < smallGrid) {
        run(job, pairs.data(), tasks, levels.data());
    } else {
        // Bands of rows on the shared pool; a few bands per thread even out their costs.
        struct Band {
            int begin, end;
        };
        std::vector<Band> bands;
        const int threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
        const int count = std::min(tasks, 8 * threads);
        for (int b = 0; b < count; ++b)
            bands.push_back({tasks * b / count, tasks * (b + 1) / count});
        QtConcurrent::blockingMap(bands, [&](const Band& band) {
            run(job, pairs.data() + band.begin, band.end - band.begin, levels.data());
        });
    }

    // The literal code decides every pixel the kernel left open.
    std::int64_t decided = 0;
    GeneratorState scratch;
    scratch.parameters() = parameters.parameters();
    for (int row = 0; row < rows; ++row) {
        std::int8_t* const line = levels.data() + std::size_t(row) * columns;
        // Open pixels are rare: the library's byte search skips the rest quickly.
        const auto* const end = reinterpret_cast<const unsigned char*>(line + columns);
        for (const auto* open = reinterpret_cast<const unsigned char*>(line);
             (open = static_cast<const unsigned char*>(std::memchr(
                  open, static_cast<unsigned char>(uncertainLevel), std::size_t(end - open))));
             ++open) {
            const std::ptrdiff_t column = reinterpret_cast<const std::int8_t*>(open) - line;
            line[column] = std::int8_t(
                literalLevel(scratch, grid.xs[std::size_t(column)], grid.ys[std::size_t(row)]));
            ++decided;
        }
    }
    return decided;
}

std::array<QRgb, paletteLevels> levelColours(const Surface& strip) {
    std::array<QRgb, paletteLevels> colours{};
    for (int k = 0; k < paletteLevels; ++k)
        colours[std::size_t(k)] =
            colour::toQRgb(strip.point(float(double(5 * k) + paletteFirstColumn), paletteRow));
    return colours;
}

std::vector<double> columnCoordinates(const GeneratorState& s, int count) {
    std::vector<double> xs(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        xs[std::size_t(i)] = (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx));
    return xs;
}

std::vector<double> rowCoordinates(const GeneratorState& s, int count) {
    std::vector<double> ys(std::size_t(std::max(count, 0)));
    for (int j = 0; j < count; ++j)
        ys[std::size_t(j)] = (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly));
    return ys;
}

const char* levelKernelName() {
    return bestKernel().name;
}
