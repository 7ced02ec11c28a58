#include "GeneratorState.h"

#include <cmath>

void drawParameters(GeneratorState& s, const std::array<float, parameterCount>& rnd) {
    // Products and sums in double from the single Rnd, stored as singles (n4 as a double).
    auto at = [&rnd](int k) { return double(rnd[std::size_t(k)]); };
    s.tip = float(std::floor(at(0) * 4 + 1));
    s.barv = float(std::floor(at(1) * 5 + 1));
    s.f1 = float(2 * std::floor(at(2) * 10 + 3));
    s.f2 = float(2 * std::floor(at(3) * 7 + 2));
    s.n1 = float(at(4) * 20 + 10);
    s.n2 = float(at(5) * 20 + 10);
    s.n3 = float(at(6) * 6 + 3);
    s.n4 = at(7) * 0.8 + 0.1;
    s.komp1 = float(std::floor(at(8) * 50 + 100));
    s.komp2 = float(std::floor(at(9) * 50 + 100));
    s.komp3 = float(std::floor(at(10) * 50 + 100));
    s.baf01 = float(at(11) * 20 + 20);
    s.baf02 = float(at(12) * 2 + 2);
    s.baf03 = float(at(13) * 100 + 100);
}

void setStartUpSettings(GeneratorState& s) {
    s.sir = 458;
    s.vis = 458;
    s.polx = 3;
    s.poly = 3;
    s.ponovi = 0;
    s.nac = 4;
}
