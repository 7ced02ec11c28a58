// rosette-bench: how fast the engine makes images, with no window and no reveal pacing.
//
// For each generation type it prints the median time of one whole image (GenerateImage) over a
// fixed series of seeds; then the cost of the colouring pipeline per visited pixel, the time of
// one random-order pass, the cost of one random number and the peak memory of the process.

#include "Pipeline.h"
#include "World.h"

#include <QGuiApplication>
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int warmUps = 2;
constexpr int repetitions = 15;
constexpr double firstSeed = 1000.0; // repetition k is seeded with firstSeed + k

// A clock that always reads the time it was set to, so every image is reproducible.
class FixedClock final : public Clock {
public:
    double secondsSinceMidnight() const override { return seconds; }
    ClockText dateAndTime() const override {
        return {QStringLiteral("01-02-2024"), QStringLiteral("12:34:56")};
    }
    double seconds = firstSeed;
};

using Steady = std::chrono::steady_clock;

double millisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs `measure` for the warm-ups and the repetitions, each with its own seed; returns the
// median of what the repetitions returned.
template <typename Measure> double medianOverSeeds(FixedClock& clock, Measure measure) {
    std::vector<double> results;
    for (int k = -warmUps; k < repetitions; ++k) {
        clock.seconds = firstSeed + k;
        const double value = measure();
        if (k >= 0)
            results.push_back(value);
    }
    return median(results);
}

// A world as the program has it at start-up, for the given generation type.
void startUp(World& world, int type) {
    world.seedFromClock();
    setStartUpSettings(world.state);
    world.state.nac = std::int16_t(type);
    MakePalette(world);
}

// The peak resident memory of this process in kB (VmHWM), or -1 where it cannot be read.
long peakMemoryKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

const char* const typeNames[] = {"from left to right", "from centre ortogonal",
                                 "random point after point", "from order to chaos and back"};

} // namespace

int main(int argc, char** argv) {
    // Surfaces hold fonts, which need a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FixedClock clock;

    std::printf("Rosette engine benchmark: medians of %d runs after %d warm-ups, seeds %g+k\n\n",
                repetitions, warmUps, firstSeed);

    std::printf("Whole image (GenerateImage):\n");
    for (int type = 1; type <= 4; ++type) {
        World world(clock);
        startUp(world, type);
        const double ms = medianOverSeeds(clock, [&] {
            const auto start = Steady::now();
            GenerateImage(world);
            return millisecondsSince(start);
        });
        // A sweep that is only constructed draws no numbers and paints nothing.
        const Sweep sweep(world.state, world.random, world.strip, world.canvas);
        std::printf("  type %d %-30s %8.2f ms  (%lld visits)\n", type, typeNames[type - 1], ms,
                    static_cast<long long>(sweep.totalVisits()));
    }

    {
        // The pipeline alone: PlotPoint over the visits of a type-1 sweep, with the coordinates
        // worked out beforehand as the sweep does.
        World world(clock);
        startUp(world, 1);
        GeneratorState& s = world.state;
        struct Visit {
            int i, j;
            double x, y;
        };
        std::vector<Visit> visits;
        for (int i = 0; i <= s.sir; ++i) {
            for (int j = 0; j <= s.vis; ++j)
                visits.push_back({i, j, (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx)),
                                  (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly))});
        }
        const double ms = medianOverSeeds(clock, [&] {
            beginImage(world); // the parameters of this seed; its sweep is not run
            const auto start = Steady::now();
            for (const Visit& v : visits) {
                s.i = v.i;
                s.j = v.j;
                s.x = v.x;
                s.y = v.y;
                PlotPoint(s, world.strip, world.canvas);
            }
            return millisecondsSince(start);
        });
        std::printf(
            "\nColouring pipeline (PlotPoint):    %8.2f ns per visited pixel (%zu visits)\n",
            ms * 1e6 / double(visits.size()), visits.size());
    }

    {
        // One random-order pass: the random-colour pass of type 4.
        World world(clock);
        startUp(world, 4);
        const double ms = medianOverSeeds(clock, [&] {
            world.seedFromClock();
            Sweep sweep(world.state, world.random, world.strip, world.canvas);
            const auto start = Steady::now();
            sweep.advance(sweep.passLength());
            return millisecondsSince(start);
        });
        std::printf("Random-order pass (type 4, first): %8.2f ms\n", ms);
    }

    {
        constexpr int count = 50'000'000;
        Random random(firstSeed);
        std::uint32_t bits = 0;
        const auto start = Steady::now();
        for (int k = 0; k < count; ++k)
            bits ^= std::bit_cast<std::uint32_t>(random.next());
        const double ms = millisecondsSince(start);
        // Printing the folded bits keeps the loop from being optimised away.
        std::printf("Random::next():                    %8.2f ns per number (check %08x)\n",
                    ms * 1e6 / count, unsigned(bits));
    }

    std::printf("Peak memory (VmHWM):               %8ld kB\n", peakMemoryKb());
    return 0;
}
