#pragma once

// rosette-render's command line: its options, read and checked into what the run is to do,
// before anything is drawn or printed.

#include "CommandLineEnd.h"
#include "RenderPictures.h"
#include "RenderVariations.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>

// What a command line asks rosette-render to do, when it does not end the run here.
struct RenderRequest : CommandLineEnd {
    bool listRecipes = false;             // --list-recipes: list the window's recipes
    std::optional<QString> recipe;        // --recipe's FILE|STEM: draw it, no new images
    int images = 1;                       // --count
    int generationType = 4;               // --type
    std::optional<qint64> seed;           // --seed
    QString folder = QStringLiteral("."); // --out
    PictureSettings pictures;             // the pictures' options, with --force and -q
    VariationSettings variations;         // --variations, --cross, --sheet and theirs
};

class RenderCommandLine {
public:
    // The largest seed: seeds are held as singles, which keep every whole number up to 2^24
    // apart.
    static constexpr qint64 maxSeed = 1 << 24;

    RenderCommandLine();

    // Reads the command line (the program's name first) into what the run is to do.
    RenderRequest read(const QStringList& arguments);

    // Prints the help with Qt's own options, as --help-all asks, and ends the program.
    void showAllHelp(const QCoreApplication& app) { parser_.process(app); }

private:
    QCommandLineParser parser_;
    QCommandLineOption count_;
    QCommandLineOption type_;
    QCommandLineOption seed_;
    QCommandLineOption out_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QCommandLineOption force_;
    QCommandLineOption quiet_;
    PictureOptions pictureOptions_;
    VariationOptions variationOptions_;
};
