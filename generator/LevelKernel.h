#pragma once

// The vector half of the fast colouring path: palette levels of a block of pixels, computed with
// the vector maths library. It is compiled once per instruction-set level (each copy in its own
// namespace, so no function is shared between the copies) and FastColouring picks the copy the
// processor runs. Only plain data crosses this boundary.

#include <cstdint>

// Levels a kernel writes besides the palette levels 0..67.
inline constexpr std::int8_t failedLevel = -1;    // the pipeline fails at this pixel
inline constexpr std::int8_t uncertainLevel = -2; // too close to a step: the literal code decides

// Everything a kernel reads: the parameters in double precision and the pixel grid.
struct LevelJob {
    int set = 1;     // component formula set, 1..4
    int formula = 1; // combination formula, 1..5
    double komp1 = 0, komp2 = 0, komp3 = 0;
    double n1 = 0, n2 = 0, n3 = 0, n4 = 0, f1 = 0, f2 = 0;
    double baf02 = 0;
    const double* xs = nullptr; // centred x of every column
    const double* ys = nullptr; // centred y of every row
    int columns = 0;
    // Per whole value b of bl (0 <= b < blCount), the literal library's value of the term of
    // the combination that depends on bl alone: sin(b / baf01), cos(b / baf03) or sin(b / baf03).
    const double* blTerm = nullptr;
    int blCount = 0;
};

// A row of the grid to colour, and the row whose y is exactly the negative of its y (-1 when
// there is none): the two share their distances and, with the sign turned, their angles.
struct RowPair {
    int row = 0;
    int mirror = -1;
};

// Writes the level of every pixel of the rows of pairs[0..count-1] into the grid (row-major,
// `columns` pixels a row).
#define ROSETTE_DECLARE_LEVEL_KERNEL(space)                                                        \
    namespace space {                                                                              \
    void levelRows(const LevelJob& job, const RowPair* pairs, int count, std::int8_t* grid);       \
    }
ROSETTE_DECLARE_LEVEL_KERNEL(levelKernelBaseline)
ROSETTE_DECLARE_LEVEL_KERNEL(levelKernelAvx2)
ROSETTE_DECLARE_LEVEL_KERNEL(levelKernelAvx512)
#undef ROSETTE_DECLARE_LEVEL_KERNEL
