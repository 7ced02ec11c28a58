#pragma once

// The recipe of an image: everything that decides its picture, small enough to keep for every
// image and plain enough to read. It holds the fourteen random parameters exactly as the
// generator holds them, the nine values of the palette strip, the generation type, the colour
// replacements made on the image in order, the image's name stem and the random source's state
// as its sweep began (the visit order of types 3 and 4, the noise of type 4). Written as JSON with
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
#include <vector>

class World;

// One colour replacement: every pixel of the colour pressed became the colour put in.
struct Replacement {
    colour::Value pressed = 0; // the colour of the pressed pixel
    colour::Value put = 0;     // the colour picked on the strip, put in its place
    bool operator==(const Replacement&) const = default;
};

struct Recipe {
    // The format this program writes and reads.
    static constexpr int currentFormat = 2;
    // The oldest format this program still reads.
    static constexpr int oldestFormat = 1;

    // The random parameters, in the formats the generator holds them.
    float tip = 1, barv = 1, f1 = 6, f2 = 4, n1 = 10, n2 = 10, n3 = 3;
    double n4 = 0.1;
    float komp1 = 100, komp2 = 100, komp3 = 100, baf01 = 20, baf02 = 2, baf03 = 100;
    palette::Waves waves{20, 20, 20, 0, 0, 0, 20, 20, 20}; // the palette strip's nine values
    int generationType = 1;                  // nac of the sweep that drew the image, 1..4
    Random::State random = Random::unseeded; // the random source as the image's sweep began
    std::vector<Replacement> replacements;   // in the order they were made
    QString stem;                            // the image's name stem, e.g. T20240307090503
    QString programVersion;                  // the version of the program that wrote it

    bool operator==(const Recipe&) const = default;
};

// The recipe of the image a world has just begun or finished: its parameters, the nine values
// of its strip, the generation type in `state.nac`, its stem and `imageRandom`, without
// replacements.
Recipe recipeOf(const World& world);

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
