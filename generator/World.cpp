#include "World.h"

#include "ImageName.h"
#include "PaletteStrip.h"

void MakePalette(World& world) {
    palette::Draws draws{};
    for (float& d : draws)
        d = world.random.next();
    restorePalette(world, palette::wavesFrom(draws));
}

void restorePalette(World& world, const palette::Waves& waves) {
    world.waves = waves;
    const auto last = palette::paintStrip(waves, world.strip);
    world.state.re = last.re;
    world.state.gr = last.gr;
    world.state.bl = last.bl;
}

namespace {
// What GenerateImage does before its sweep, on a state and a random source: re-seeds from the
// clock, names the image and draws the parameters unless ponovi is 1.
void openImage(GeneratorState& s, Random& random, const Clock& clock) {
    random.seed(float(clock.secondsSinceMidnight()));
    s.imeslike = MakeImageName(clock);
    if (s.ponovi != 1) {
        std::array<float, parameterCount> draws{};
        for (float& d : draws)
            d = random.next();
        drawParameters(s, draws);
    }
    s.ponovi = 0;
}
} // namespace

Sweep beginImage(World& world) {
    world.saveBuffer.cls();
    openImage(world.state, world.random, world.clock);
    world.imageRandom = world.random.state(); // the sweep's draws start here
    return Sweep(world.state, world.random, world.strip, world.canvas);
}

Recipe newImageRecipe(const World& world) {
    GeneratorState s = world.state;
    s.ponovi = 0;
    Random random;
    openImage(s, random, world.clock);
    return recipeOf(s, world.waves, random.state());
}

void GenerateImage(World& world) {
    beginImage(world).runToEnd();
}
