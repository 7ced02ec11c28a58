#pragma once

// The recipe of an image: everything that decides its picture, small enough to keep for every
// image and plain enough to read. It holds the fourteen random parameters exactly as the
// generator holds them, the nine values of the palette strip, the generation type, the colour
// replacements made on the image in order, the image's name stem and the random source's state
// as its sweep began (the visit order of types 3 and 4, the noise of type 4), and for a variation
// or a cross the stems of the images it was made from. Written as JSON with
// named fields; singles are written as the shortest text that reads back to the same single,
// doubles as the shortest text that reads back to the same double, so a recipe read back is
// equal bit for bit. Read strictly: the first field that is missing, of the wrong kind or out
// of its range gives a one-line error naming the file and the field.

#include "Colour.h"
#include "GeneratorState.h"
#include "PaletteStrip.h"
#include "Random.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class World;

// One colour replacement: every pixel of the colour pressed became the colour put in.
struct Replacement {
    colour::Value pressed = 0; // the colour of the pressed pixel
    colour::Value put = 0;     // the colour picked on the strip, put in its place
    bool operator==(const Replacement&) const = default;
};

struct Recipe : Parameters {
    // The format this program writes and reads.
    static constexpr int currentFormat = 2;
    // The oldest format this program still reads.
    static constexpr int oldestFormat = 1;

    palette::Waves waves{20, 20, 20, 0, 0, 0, 20, 20, 20}; // the palette strip's nine values
    int generationType = 1;                  // nac of the sweep that drew the image, 1..4
    Random::State random = Random::unseeded; // the random source as the image's sweep began
    std::vector<Replacement> replacements;   // in the order they were made
    QString stem;                            // the image's name stem, e.g. T20240307090503
    QStringList parents;    // the stems it was made from: one for a variation, two for a cross
    QString programVersion; // the version of the program that wrote it

    bool operator==(const Recipe&) const = default;
};

// The ranges of a recipe's numbers, as the parameter and palette draws give them.
namespace recipeFields {

// How a number is held beyond its range.
enum class Kind { Fraction, Whole, Even };

struct SingleField {
    const char* name;
    float Recipe::*member;
    double low, high;
    Kind kind;
};

// The parameters held as singles, with the ranges their draw gives (the upper ends included: a
// value drawn just below one rounds up to it as a single).
inline constexpr SingleField singleFields[] = {
    {"tip", &Recipe::tip, 1, 4, Kind::Whole},
    {"barv", &Recipe::barv, 1, 5, Kind::Whole},
    {"f1", &Recipe::f1, 6, 24, Kind::Even},
    {"f2", &Recipe::f2, 4, 16, Kind::Even},
    {"n1", &Recipe::n1, 10, 30, Kind::Fraction},
    {"n2", &Recipe::n2, 10, 30, Kind::Fraction},
    {"n3", &Recipe::n3, 3, 9, Kind::Fraction},
    {"komp1", &Recipe::komp1, 100, 149, Kind::Whole},
    {"komp2", &Recipe::komp2, 100, 149, Kind::Whole},
    {"komp3", &Recipe::komp3, 100, 149, Kind::Whole},
    {"baf01", &Recipe::baf01, 20, 40, Kind::Fraction},
    {"baf02", &Recipe::baf02, 2, 4, Kind::Fraction},
    {"baf03", &Recipe::baf03, 100, 200, Kind::Fraction},
};
inline constexpr double n4Low = 0.1, n4High = 0.9;   // n4, a double
inline constexpr double phaseHigh = 6.28;            // a wave's phase, from 0
inline constexpr double baseLow = 20, baseHigh = 39; // a wave's base, whole; its divisor lies
                                                     // from the base up to twice it

} // namespace recipeFields

// The recipe of the image a world has just begun or finished: its parameters, the nine values
// of its strip, the generation type in `state.nac`, its stem and `imageRandom`, without
// replacements.
Recipe recipeOf(const World& world);
// The same from a generator state, the strip's values and the random state as its sweep began.
Recipe recipeOf(const GeneratorState& state, const palette::Waves& waves, Random::State random);

// Puts a recipe's parameters and stem into a generator state (the settings are left alone).
void applyParameters(const Recipe& recipe, GeneratorState& state);

// The program's version, as written into recipes.
QString programVersion();

// The recipe as JSON text.
QByteArray toJson(const Recipe& recipe);

// The random state a recipe of format 1, which kept none, stands for: a source seeded with the
// time of day in the stem's HHMMSS (T, then yyyyMMddHHmmss), or with midnight without one.
Random::State randomOfStem(const QString& stem);

// Reads a recipe from JSON text; `source` names it in errors. On failure returns false and sets
// `error` to one line naming the source and the field (see shownText).
bool fromJson(const QByteArray& json, const QString& source, Recipe& recipe, QString& error);

// Reads a recipe file; see fromJson.
bool readRecipe(const QString& path, Recipe& recipe, QString& error);

// Where the window keeps the recipes of the images it saves: recipes/ in the program's data
// folder (the same folder whichever program asks); without a home folder, the current folder,
// where the images are saved then.
QString recipeFolder();
