#pragma once

// rosette-render's command line: its options, read and checked into what the run is to do,
// before anything is drawn or printed.

#include "RenderPictures.h"
#include "RenderVariations.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>

// What a command line asks rosette-render to do.
struct RenderRequest {
    // Set when the run ends here, without drawing: 0 after --help or --version, 2 for a mistake.
    std::optional<int> exitCode;
    QString output;           // printed on stdout before ending: the help or the version
    QString error;            // printed on stderr after "rosette-render: " before ending: one line
    bool allHelp = false;     // --help-all: see RenderCommandLine::showAllHelp
    bool listRecipes = false; // --list-recipes: list the window's recipes
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
