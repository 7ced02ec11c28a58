#pragma once

// The fast colouring path: the palette level of every pixel of a grid, worked out up front with
// vector maths on all cores, level for level what the literal pipeline (Pipeline.h) gives. A
// value that lands within a tiny margin of a floor or a palette step is recomputed by the
// literal code, so the two paths never differ.
//
// A level k (0..67) stands for the strip colour at column 10 + 5k, row 10; failedLevel marks a
// pixel the pipeline leaves unpainted.

#include "GeneratorState.h"
#include "LevelKernel.h"
#include "Surface.h"

#include <QRgb>
#include <array>
#include <cstdint>
#include <span>

inline constexpr int paletteLevels = 68; // levels 0..67: ba from 0 to 675 in steps of 10

// The pixels of a grid whose rows have y = ys[row] and whose columns have x = xs[column].
struct PixelGrid {
    std::span<const double> xs;
    std::span<const double> ys;
    std::size_t size() const { return xs.size() * ys.size(); }
};

// Writes the level of every grid pixel (row-major, levels.size() == grid.size()) for the
// parameters in `parameters` (tip to baf03; nothing else is read). Returns how many pixels the
// literal code decided. The work is spread over the shared thread pool unless `onAllCores` is
// false. The vector kernel is the best one the processor runs, or the one asked for when the
// processor runs it.
enum class VectorKernel { best, avx512, avx2, baseline };
std::int64_t computeLevels(const GeneratorState& parameters, const PixelGrid& grid,
                           std::span<std::int8_t> levels, bool onAllCores = true,
                           VectorKernel kernel = VectorKernel::best);
// Whether the processor runs a kernel.
bool vectorKernelRuns(VectorKernel kernel);
// The same levels, every pixel through the literal pipeline: the reference.
void computeLevelsLiterally(const GeneratorState& parameters, const PixelGrid& grid,
                            std::span<std::int8_t> levels);

// The level of one pixel by the literal pipeline; `scratch` holds the parameters and receives
// x, y and every value the pipeline writes.
int literalLevel(GeneratorState& scratch, double x, double y);

// The colour the pipeline paints for each level, read from the strip once.
std::array<QRgb, paletteLevels> levelColours(const Surface& strip);

// The centred coordinates of canvas columns 0..count-1 and rows 0..count-1, as the sweeps set x
// and y for a pixel.
std::vector<double> columnCoordinates(const GeneratorState& s, int count);
std::vector<double> rowCoordinates(const GeneratorState& s, int count);

// The name of the vector kernel in use ("AVX-512", "AVX2" or "baseline"), for the benchmark.
const char* levelKernelName();
