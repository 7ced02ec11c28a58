#pragma once

// The program's one random source: uniform single-precision numbers in [0, 1), never 1.0.
// It is xoshiro128+ (Blackman and Vigna), fast enough to be drawn millions of times per image.
// A seed is mixed into the state through splitmix64 rather than replacing it, so seeding twice
// with the same time of day (a single's steps are milliseconds apart) still moves the sequence
// on: a new image drawn right after the palette does not reuse the palette's numbers. A source
// built with a seed, and everything it then does, is reproducible.

#include <array>
#include <bit>
#include <cstdint>

class Random {
public:
    // The generator's four words: everything its next numbers depend on.
    using State = std::array<std::uint32_t, 4>;
    // The four words before any seed.
    static constexpr State unseeded = {0x243f6a88, 0x85a308d3, 0x13198a2e, 0x03707344};

    explicit Random(float seedValue = 0.0f) { seed(seedValue); }

    // Seeds from a time of day (seconds since midnight, held as a single).
    void seed(float seconds) {
        std::uint64_t mix = std::bit_cast<std::uint32_t>(seconds);
        for (auto& word : s_)
            word ^= std::uint32_t(splitMix(mix) >> 32);
        if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0)
            s_[0] = 1; // the all-zero state would only ever give zeros
    }

    // The four words as they stand, to carry on from them later with setState.
    State state() const { return {s_[0], s_[1], s_[2], s_[3]}; }

    // Carries on from four words that state() gave (all zeros stand for 1, 0, 0, 0, as in seed).
    void setState(const State& words) {
        for (int k = 0; k < 4; ++k)
            s_[k] = words[std::size_t(k)];
        if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0)
            s_[0] = 1;
    }

    // The next number (the program's Rnd).
    float next() { return float(nextBits()) * 0x1.0p-24f; }

    // Int(n * Rnd) for a whole n from 0 to 65535: exactly what Int(n * next()) gives in double
    // precision (the product of n and a 24-bit fraction is exact), without the conversions.
    int nextBelow(int n) { return int((std::uint64_t(n) * nextBits()) >> 24); }

private:
    // The next number as a whole number m in 0 .. 2^24 - 1, standing for m / 2^24.
    std::uint32_t nextBits() {
        const std::uint32_t result = s_[0] + s_[3];
        const std::uint32_t t = s_[1] << 9;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = std::rotl(s_[3], 11);
        // The top 24 bits make every float step in [0, 1) equally likely and exclude 1.0.
        return result >> 8;
    }

    static std::uint64_t splitMix(std::uint64_t& state) {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    std::uint32_t s_[4] = {unseeded[0], unseeded[1], unseeded[2], unseeded[3]};
};
