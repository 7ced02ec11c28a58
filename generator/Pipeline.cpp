#include "Pipeline.h"

#include <cmath>

namespace {

// Stores a result only when it exists, as the failing statement assigns nothing.
bool store(double& target, double value) {
    if (!std::isfinite(value))
        return false;
    target = value;
    return true;
}

} // namespace

int selectorOf(double value) {
    const double whole = std::nearbyint(value);
    if (!(whole >= 0.0 && whole <= 255.0))
        return -1;
    return int(whole);
}

bool PlotPoint(GeneratorState& s, const Surface& strip, Surface& canvas) {
    if (!PointValue(s))
        return false;
    PlotFromPalette(s, strip, canvas);
    return true;
}

bool PointValue(GeneratorState& s) {
    s.r = std::sqrt(s.x * s.x + s.y * s.y);
    // One-argument arctangent: (x, y) and (-x, -y) share an angle, which makes the half-turn
    // symmetry. The small constant keeps the divisor off zero on the vertical axis.
    const double divisor = s.x + 0.000001;
    if (divisor == 0.0) // a division by zero ends the pixel like any other arithmetic fault
        return false;
    if (!store(s.fi, std::atan(s.y / divisor)))
        return false;
    return ComputeComponents(s);
}

bool ComputeComponents(GeneratorState& s) {
    const int set = selectorOf(s.tip);
    if (set < 0)
        return false;
    const double r = s.r;
    const double fi = s.fi;
    const double komp1 = s.komp1, komp2 = s.komp2, komp3 = s.komp3;
    const double n1 = s.n1, n2 = s.n2, n3 = s.n3, f1 = s.f1, f2 = s.f2;
    switch (set) {
    case 2: {
        if (!store(s.re, komp1 * (1 + std::sin(n3 * r))))
            return false;
        const double inner = 2 * std::sin(s.n4 * r);
        if (!(inner > 0.0)) // the logarithm has no value: the pixel stops here
            return false;
        if (!store(s.gr, komp2 * (1 + std::cos(n2 * r)) * std::log(inner)))
            return false;
        if (!store(s.bl, std::floor(komp3 * (1 + std::sin(f1 * fi)))))
            return false;
        break;
    }
    case 3:
        if (!store(s.re, r * n1 * n3) || !store(s.gr, komp2 * (1 + std::cos(n2 * r))) ||
            !store(s.bl, std::floor(komp3 * (1 + std::sin(f1 * fi)))))
            return false;
        break;
    case 4:
        if (!store(s.re, std::floor(r * n1 * n3 * std::sin(f2 * fi))) ||
            !store(s.gr, komp2 * (1 + std::cos(n2 * r))) ||
            !store(s.bl, std::floor(komp3 * (1 + std::sin(f1 * fi)) * (1 + std::cos(f2 * r)))))
            return false;
        break;
    default: // 1, and every other selector in 0..255
        if (!store(s.re, komp1 * (1 + std::sin(n1 * r))) ||
            !store(s.gr, komp2 * (1 + std::cos(n2 * r))) ||
            !store(s.bl, std::floor(komp3 * (1 + std::sin(f1 * fi)))))
            return false;
        break;
    }
    return CombineComponents(s);
}

bool CombineComponents(GeneratorState& s) {
    const int formula = selectorOf(s.barv);
    if (formula < 0)
        return false;
    const double re = s.re, gr = s.gr, bl = s.bl, r = s.r;
    double ba = 0;
    switch (formula) {
    case 2:
        ba = re + gr + bl * std::sin(bl / double(s.baf01));
        break;
    case 3:
        ba = re + gr * std::sin(r * double(s.baf02)) + bl * std::cos(bl / double(s.baf03));
        break;
    case 4:
        ba = (re + bl) * 2 + gr;
        break;
    case 5:
        ba = (re + gr) * (1 + std::sin(bl / double(s.baf03))) * std::log(1 + r);
        break;
    default: // 1, and every other selector in 0..255
        ba = re + gr + bl;
        break;
    }
    return store(s.ba, ba);
}

void PlotFromPalette(GeneratorState& s, const Surface& strip, Surface& canvas) {
    if (s.ba > paletteTop)
        s.ba = paletteTop;
    if (s.ba < 0)
        s.ba = 0;
    s.pozic = std::floor(s.ba / 10) * 5;
    s.barva = strip.point(float(s.pozic + paletteFirstColumn), paletteRow);
    canvas.pset(float(s.i), float(s.j), s.barva);
}

int paletteLevelOf(double ba) {
    if (ba > paletteTop)
        ba = paletteTop;
    if (ba < 0)
        ba = 0;
    return int(std::floor(ba / 10));
}
