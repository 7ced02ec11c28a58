#pragma once

// Variations and crosses: new recipes made from the recipes of images, for exploring around an
// image the user likes. Plain functions of their recipes and a seed: the same arguments always
// give the same recipe, whichever program asks.
//
// Every value they make keeps what the parameter draw gives it: inside its range, whole or even
// where the draw makes it so, a divisor from its base to twice it. So every recipe they make is
// one the recipe reader takes.
//
// A recipe made here names the images it came from in `parents` (one stem for a variation, two
// for a cross) and, having no name of its own yet, carries its first parent's stem as its stem
// until a program names it (the window does when it puts it on the canvas).

#include "Recipe.h"

#include <cstdint>
#include <vector>

// What a variation changes.
enum class VariationScope {
    Shape,   // the fourteen parameters
    Colours, // the palette strip's nine values
    Both,
};

// The weakest and the wildest strength of a variation.
inline constexpr double weakestVariation = 0.01;
inline constexpr double wildestVariation = 1.0;

// A variation of `recipe`. Every number in scope moves by a random amount of up to
// strength^2 x its range (a phase goes round its circle; a divisor moves within its base's range
// and keeps its place in it when the base moves); the formula set (`tip`) and the combination
// (`barv`) each change to another with probability strength / 2. The square keeps the weak end
// weak: a picture multiplies its frequencies by radii of up to 4, so a hundredth of a range
// already moves most pixels' colours, where a ten-thousandth leaves nine in ten as they were.
// The wildest variation still reaches across whole ranges. `strength` is clamped to
// weakestVariation..wildestVariation. The generation type, the random state and the colour
// replacements are kept. A variation draws the same random numbers whatever its strength and
// scope: with one seed, a stronger variation moves the same way further, and the shape of a
// Both variation is that of the Shape one, its colours those of the Colours one.
Recipe vary(const Recipe& recipe, double strength, VariationScope scope, std::uint64_t seed);

// n variations; the k-th is vary(recipe, strength, scope, seed + k).
std::vector<Recipe> variations(const Recipe& recipe, double strength, VariationScope scope,
                               std::uint64_t seed, int n);

// A cross of two recipes: each of the fourteen parameters, and each channel's wave of the
// palette (its base, phase and divisor together), from one parent or the other, each with even
// chances. The generation type and the random state are the first parent's; the colour
// replacements, made on the colours of either parent's picture, are left out.
Recipe cross(const Recipe& a, const Recipe& b, std::uint64_t seed);

// n crosses; the k-th is cross(a, b, seed + k).
std::vector<Recipe> crosses(const Recipe& a, const Recipe& b, std::uint64_t seed, int n);
