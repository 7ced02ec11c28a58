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

Sweep beginImage(World& world) {
    GeneratorState& s = world.state;
    world.seedFromClock();
    s.imeslike = MakeImageName(world.clock);
    world.saveBuffer.cls();
    if (s.ponovi != 1) {
        std::array<float, parameterCount> draws{};
        for (float& d : draws)
            d = world.random.next();
        drawParameters(s, draws);
    }
    s.ponovi = 0;
    world.imageRandom = world.random.state(); // the sweep's draws start here
    return Sweep(s, world.random, world.strip, world.canvas);
}

void GenerateImage(World& world) {
    beginImage(world).runToEnd();
}
