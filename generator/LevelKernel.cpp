// One copy of the vector kernel. CMake compiles this file once per instruction-set level with
// ROSETTE_LEVEL_KERNEL naming the copy's namespace; every helper here has internal linkage and
// nothing is taken from a header with inline functions, so the copies share no code.
//
// The maths functions below are the library's own, declared so the compiler may call their
// vector versions (glibc's libmvec) in the loops. Those may differ from the scalar ones in the
// last bit, so every value that meets a floor or a palette step is checked: a value within a tiny
// margin of a whole number marks the pixel uncertain, and the literal code decides it.

#include "LevelKernel.h"

extern "C" {
#pragma omp declare simd notinbranch
double sin(double) noexcept;
#pragma omp declare simd notinbranch
double cos(double) noexcept;
#pragma omp declare simd notinbranch
double atan(double) noexcept;
#pragma omp declare simd notinbranch
double log(double) noexcept;
}

#ifndef ROSETTE_LEVEL_KERNEL
#error "ROSETTE_LEVEL_KERNEL names the namespace of this copy"
#endif

namespace ROSETTE_LEVEL_KERNEL {

namespace {

constexpr int block = 256; // pixels worked on together, all within one row
// How close to a whole number a value may come before the pixel goes to the literal code: far
// above the few units in the last place the vector functions may differ by.
constexpr double margin = 1e-8;
constexpr double largest = 1e300; // beyond this a value counts as not finite

// 1 when v lies within the margin of a whole number.
inline int nearWhole(double v) {
    const double below = __builtin_floor(v);
    const double part = v - below;
    const double m = margin * (1.0 + __builtin_fabs(v));
    return (part < m) | (part > 1.0 - m);
}

// The level codes of one block of a row from its components: a palette level, uncertainLevel or
// failedLevel. `sign` is 1 for the row itself and -1 for its mirror, whose angles are turned.
struct Block {
    int n = 0;
    double r[block], s1[block], s2[block];                 // distance, sin(f1 fi), sin(f2 fi)
    double radialA[block], radialB[block], radialC[block]; // functions of r alone, by formula set
    double combineRadial[block];                           // the combination's function of r
    int flag[block];                                       // 0 sure, 1 uncertain, 2 failed
    int count = 0; // pixels of the block; n (whole vectors) may be more
};

void finishBlock(const LevelJob& job, const Block& b, double sign, std::int8_t* levels) {
    double re[block], gr[block], bl[block], ba[block];
    int flag[block], code[block];
    const int n = b.n;
    const double komp1 = job.komp1, komp2 = job.komp2, komp3 = job.komp3;
    const double n1 = job.n1, n3 = job.n3;

    switch (job.set) {
    case 2:
#pragma omp simd
        for (int k = 0; k < n; ++k) {
            re[k] = komp1 * (1 + b.radialA[k]);
            gr[k] = b.radialB[k];
            const double t = komp3 * (1 + sign * b.s1[k]);
            bl[k] = __builtin_floor(t);
            const int f = b.flag[k];
            flag[k] = f == 2 ? 2 : (f | nearWhole(t));
        }
        break;
    case 3:
#pragma omp simd
        for (int k = 0; k < n; ++k) {
            re[k] = b.r[k] * n1 * n3;
            gr[k] = komp2 * (1 + b.radialB[k]);
            const double t = komp3 * (1 + sign * b.s1[k]);
            bl[k] = __builtin_floor(t);
            flag[k] = b.flag[k] | nearWhole(t);
        }
        break;
    case 4:
#pragma omp simd
        for (int k = 0; k < n; ++k) {
            const double u = b.r[k] * n1 * n3 * (sign * b.s2[k]);
            re[k] = __builtin_floor(u);
            gr[k] = komp2 * (1 + b.radialB[k]);
            const double t = komp3 * (1 + sign * b.s1[k]) * (1 + b.radialC[k]);
            bl[k] = __builtin_floor(t);
            flag[k] = b.flag[k] | nearWhole(u) | nearWhole(t);
        }
        break;
    default:
#pragma omp simd
        for (int k = 0; k < n; ++k) {
            re[k] = komp1 * (1 + b.radialA[k]);
            gr[k] = komp2 * (1 + b.radialB[k]);
            const double t = komp3 * (1 + sign * b.s1[k]);
            bl[k] = __builtin_floor(t);
            flag[k] = b.flag[k] | nearWhole(t);
        }
        break;
    }

    const int formula = job.formula;
    if (formula == 2 || formula == 3 || formula == 5) {
        // bl is a whole number; its term comes from the table, or the pixel is unsure.
        const double* const term = job.blTerm;
        const double terms = double(job.blCount);
#pragma omp simd
        for (int k = 0; k < n; ++k) {
            const double v = bl[k];
            const int inside = (v >= 0.0) & (v < terms);
            const int index = inside ? int(v) : 0;
            flag[k] |= 1 - inside;
            ba[k] = term[index];
        }
    }

    switch (formula) {
    case 2:
#pragma omp simd
        for (int k = 0; k < n; ++k)
            ba[k] = re[k] + gr[k] + bl[k] * ba[k];
        break;
    case 3:
#pragma omp simd
        for (int k = 0; k < n; ++k)
            ba[k] = re[k] + gr[k] * b.combineRadial[k] + bl[k] * ba[k];
        break;
    case 4:
#pragma omp simd
        for (int k = 0; k < n; ++k)
            ba[k] = (re[k] + bl[k]) * 2 + gr[k];
        break;
    case 5:
#pragma omp simd
        for (int k = 0; k < n; ++k)
            ba[k] = (re[k] + gr[k]) * (1 + ba[k]) * b.combineRadial[k];
        break;
    default:
#pragma omp simd
        for (int k = 0; k < n; ++k)
            ba[k] = re[k] + gr[k] + bl[k];
        break;
    }

#pragma omp simd
    for (int k = 0; k < n; ++k) {
        double v = ba[k];
        const int finite = (v > -largest) & (v < largest);
        v = v > 675.0 ? 675.0 : v;
        v = v < 0.0 ? 0.0 : v;
        v = finite ? v : 0.0;
        const double q = v / 10;
        const int level = int(__builtin_floor(q));
        // At 0 and 675 the clamp keeps the level, so only the steps between matter.
        const int unsure = (1 - finite) | ((q > 0.5) & (q < 67.5) & nearWhole(q));
        const int f = flag[k];
        const int open = (f | unsure) != 0 ? int(uncertainLevel) : level;
        code[k] = f == 2 ? int(failedLevel) : open;
    }
    for (int k = 0; k < b.count; ++k)
        levels[k] = std::int8_t(code[k]);
}

} // namespace

void levelRows(const LevelJob& job, const RowPair* pairs, int count, std::int8_t* grid) {
    Block b;
    const int set = job.set;
    const double komp2 = job.komp2;
    const double n1 = job.n1, n2 = job.n2, n3 = job.n3, n4 = job.n4, f1 = job.f1, f2 = job.f2;
    const double baf02 = job.baf02;
    const int columns = job.columns;

    for (int p = 0; p < count; ++p) {
        const RowPair pair = pairs[p];
        const double y = job.ys[pair.row];
        for (int first = 0; first < columns; first += block) {
            const int count = columns - first < block ? columns - first : block;
            // Whole vectors only: the last lanes repeat the last pixel, so no pixel is left to
            // the scalar library functions; their levels are never written.
            const int n = (count + 7) & ~7;
            b.n = n;
            b.count = count;
            double xs[block];
            for (int k = 0; k < n; ++k)
                xs[k] = job.xs[first + (k < count ? k : count - 1)];
            double fi[block];

            // Shared by the row and its mirror: the distance, the divisor (x alone) and the
            // angle up to its sign.
#pragma omp simd
            for (int k = 0; k < n; ++k) {
                const double x = xs[k];
                b.r[k] = __builtin_sqrt(x * x + y * y);
                const double divisor = x + 0.000001;
                b.flag[k] = divisor == 0.0;
                fi[k] = atan(y / (divisor == 0.0 ? 1.0 : divisor));
            }
#pragma omp simd
            for (int k = 0; k < n; ++k)
                b.s1[k] = sin(f1 * fi[k]);
            if (set == 4) {
#pragma omp simd
                for (int k = 0; k < n; ++k)
                    b.s2[k] = sin(f2 * fi[k]);
            }

            switch (set) {
            case 2:
#pragma omp simd
                for (int k = 0; k < n; ++k) {
                    const double r = b.r[k];
                    b.radialA[k] = sin(n3 * r);
                    const double s = sin(n4 * r);
                    const double inner = 2 * s;
                    // The sign of a sine this close to zero is the literal code's to decide.
                    const int unsure = __builtin_fabs(s) < margin;
                    const int fails = !(inner > 0.0);
                    b.radialB[k] = komp2 * (1 + cos(n2 * r)) * log(fails ? 1.0 : inner);
                    b.flag[k] = (b.flag[k] | unsure) ? 1 : (fails ? 2 : 0);
                }
                break;
            case 3:
#pragma omp simd
                for (int k = 0; k < n; ++k)
                    b.radialB[k] = cos(n2 * b.r[k]);
                break;
            case 4:
#pragma omp simd
                for (int k = 0; k < n; ++k) {
                    b.radialB[k] = cos(n2 * b.r[k]);
                    b.radialC[k] = cos(f2 * b.r[k]);
                }
                break;
            default:
#pragma omp simd
                for (int k = 0; k < n; ++k) {
                    b.radialA[k] = sin(n1 * b.r[k]);
                    b.radialB[k] = cos(n2 * b.r[k]);
                }
                break;
            }
            if (job.formula == 3) {
#pragma omp simd
                for (int k = 0; k < n; ++k)
                    b.combineRadial[k] = sin(b.r[k] * baf02);
            } else if (job.formula == 5) {
#pragma omp simd
                for (int k = 0; k < n; ++k)
                    b.combineRadial[k] = log(1 + b.r[k]);
            }

            finishBlock(job, b, 1.0, grid + std::int64_t(pair.row) * columns + first);
            if (pair.mirror >= 0)
                finishBlock(job, b, -1.0, grid + std::int64_t(pair.mirror) * columns + first);
        }
    }
}

} // namespace ROSETTE_LEVEL_KERNEL
