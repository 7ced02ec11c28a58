#include "Variation.h"

#include <algorithm>
#include <cmath>

namespace {

using recipeFields::Kind;

// A random source for a seed: the seed's 64 bits spread over the four words, so that
// neighbouring seeds give unrelated sequences.
Random sourceOf(std::uint64_t seed) {
    Random::State words{};
    for (std::uint32_t& word : words) {
        std::uint64_t z = (seed += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        word = std::uint32_t((z ^ (z >> 31)) >> 32);
    }
    Random random;
    random.setState(words);
    return random;
}

// A number from -1 to 1.
double signedUnit(Random& random) {
    return 2.0 * double(random.next()) - 1.0;
}

// A value moved by `move` and folded back into low..high at the end it went past (a move is at
// most the range, so one fold is enough), then made whole or even as its kind asks.
double moved(double value, double move, double low, double high, Kind kind) {
    double v = value + move;
    if (v > high)
        v = 2 * high - v;
    if (v < low)
        v = 2 * low - v;
    v = std::clamp(v, low, high);
    if (kind == Kind::Whole)
        return std::round(v);
    if (kind == Kind::Even)
        return 2 * std::round(v / 2);
    return v;
}

// One of `count` choices (1..count): another with the probability `chance`.
float chosen(float value, int count, double chance, Random& random) {
    const double change = random.next();
    const int other = random.nextBelow(count - 1);
    if (change >= chance)
        return value;
    const int index = int(value) - 1; // 0..count-1
    return float((index + 1 + other) % count + 1);
}

struct Wave {
    float* base;
    double* phase;
    float* div;
};

std::array<Wave, 3> wavesOf(palette::Waves& w) {
    return {{{&w.base1, &w.phase1, &w.div1},
             {&w.base2, &w.phase2, &w.div2},
             {&w.base3, &w.phase3, &w.div3}}};
}

// The fourteen parameters varied. Takes 2 + 2 + 12 random numbers.
void varyShape(Recipe& r, double strength, Random& random) {
    r.tip = chosen(r.tip, 4, strength / 2, random);
    r.barv = chosen(r.barv, 5, strength / 2, random);
    const double reach = strength * strength; // of a range
    for (const auto& f : recipeFields::singleFields) {
        if (f.member == &Recipe::tip || f.member == &Recipe::barv)
            continue;
        const double move = signedUnit(random) * reach * (f.high - f.low);
        r.*(f.member) = float(moved(r.*(f.member), move, f.low, f.high, f.kind));
    }
    using recipeFields::n4High;
    using recipeFields::n4Low;
    r.n4 =
        moved(r.n4, signedUnit(random) * reach * (n4High - n4Low), n4Low, n4High, Kind::Fraction);
}

// The palette's three waves varied. Takes 9 random numbers.
palette::Waves varyColours(palette::Waves w, double strength, Random& random) {
    using recipeFields::baseHigh;
    using recipeFields::baseLow;
    using recipeFields::phaseHigh;
    const double reach = strength * strength; // of a range
    for (const Wave& wave : wavesOf(w)) {
        // The divisor's place between its base and twice it, kept when the base moves.
        const double place = std::clamp(double(*wave.div) / *wave.base - 1.0, 0.0, 1.0);
        const double baseMove = signedUnit(random) * reach * (baseHigh - baseLow);
        const float base = float(moved(*wave.base, baseMove, baseLow, baseHigh, Kind::Whole));
        // The phase goes round: 6.28 is (nearly) a whole turn.
        double phase = std::fmod(*wave.phase + signedUnit(random) * reach * phaseHigh, phaseHigh);
        if (phase < 0)
            phase += phaseHigh;
        const double newPlace = moved(place, signedUnit(random) * reach, 0, 1, Kind::Fraction);
        *wave.base = base;
        *wave.phase = std::clamp(phase, 0.0, phaseHigh);
        // As the strip's draw makes it, a single product added to the base: never past twice
        // the base.
        *wave.div = base + float(newPlace * base);
    }
    return w;
}

} // namespace

Recipe vary(const Recipe& recipe, double strength, VariationScope scope, std::uint64_t seed) {
    strength = std::clamp(strength, weakestVariation, wildestVariation);
    Random random = sourceOf(seed);
    // Both parts are drawn whatever the scope, so one seed moves each part the same way in
    // every scope.
    Recipe shaped = recipe;
    varyShape(shaped, strength, random);
    const palette::Waves coloured = varyColours(recipe.waves, strength, random);
    Recipe r = scope == VariationScope::Colours ? recipe : shaped;
    if (scope != VariationScope::Shape)
        r.waves = coloured;
    r.parents = {recipe.stem};
    r.programVersion = programVersion();
    return r;
}

std::vector<Recipe> variations(const Recipe& recipe, double strength, VariationScope scope,
                               std::uint64_t seed, int n) {
    std::vector<Recipe> made;
    for (int k = 0; k < n; ++k)
        made.push_back(vary(recipe, strength, scope, seed + std::uint64_t(k)));
    return made;
}

Recipe cross(const Recipe& a, const Recipe& b, std::uint64_t seed) {
    Random random = sourceOf(seed);
    Recipe r = a;
    for (const auto& f : recipeFields::singleFields)
        if (random.next() < 0.5f)
            r.*(f.member) = b.*(f.member);
    if (random.next() < 0.5f)
        r.n4 = b.n4;
    palette::Waves fromB = b.waves;
    const auto mine = wavesOf(r.waves);
    const auto theirs = wavesOf(fromB);
    for (std::size_t k = 0; k < mine.size(); ++k)
        if (random.next() < 0.5f) {
            *mine[k].base = *theirs[k].base;
            *mine[k].phase = *theirs[k].phase;
            *mine[k].div = *theirs[k].div;
        }
    r.replacements.clear();
    r.parents = {a.stem, b.stem};
    r.programVersion = programVersion();
    return r;
}

std::vector<Recipe> crosses(const Recipe& a, const Recipe& b, std::uint64_t seed, int n) {
    std::vector<Recipe> made;
    for (int k = 0; k < n; ++k)
        made.push_back(cross(a, b, seed + std::uint64_t(k)));
    return made;
}
