#pragma once

// What rosette-render makes around one image: variations of it (--variations), crosses of two
// recipes (--cross), and a contact sheet of every image of a run (--sheet).

#include "RenderPictures.h"
#include "Variation.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct VariationSettings {
    int count = 0;          // variations (or crosses) to make; 0: none
    double strength = 0.25; // how far a variation moves, 0.01 to 1
    VariationScope scope = VariationScope::Both;
    std::optional<std::uint64_t> seed; // without one, taken from the clock and printed
    QString cross;                     // the second parent's recipe (FILE|STEM), for crosses
    bool sheet = false;                // a contact sheet of the run's images
};

class VariationOptions {
public:
    VariationOptions();
    QList<QCommandLineOption> all() const;
    // Reads and checks the options; returns a one-line error or an empty text.
    QString read(const QCommandLineParser& parser, const PictureSettings& pictures,
                 VariationSettings& settings) const;

    QCommandLineOption variations;
    QCommandLineOption strength;
    QCommandLineOption scope;
    QCommandLineOption variationSeed;
    QCommandLineOption cross;
    QCommandLineOption sheet;
};

// The images of a run, to be shown together as one PNG: a grid of every image with its name
// under it, saved as <first name>-sheet.png beside them under a name that replaces nothing.
class ContactSheet {
public:
    void add(const QString& path) { paths_.append(path); }
    // Writes the sheet into `folder` and prints its path unless `quiet`; returns the exit code.
    int write(const QString& folder, bool quiet) const;

private:
    QStringList paths_;
};

// Makes the variations (or crosses) of the recipe `base`, saving each as a still with its
// recipe in `folder`, named as a batch's images are; adds each to `sheet`. Returns the exit code.
int renderVariations(PictureMaker& maker, const Recipe& base, const VariationSettings& settings,
                     const QString& folder, bool quiet, ContactSheet& sheet);
