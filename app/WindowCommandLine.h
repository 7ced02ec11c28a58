#pragma once

// The window program's command line: [FILE|STEM], --show and --help, --version, with Qt's own
// window-system options passed through unseen. Read before anything touches the window system,
// so --help, --version and a file that cannot be opened answer without a display.

#include "CommandLineEnd.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// What a command line asks the window program to do, when it does not end the program here.
struct WindowRequest : CommandLineEnd {
    QString opened;    // the recipe of the image to show first, if one was named
    bool show = false; // open the full-screen show once the first image is complete
};

class WindowCommandLine {
public:
    WindowCommandLine();

    // Reads the command line (the program's name first): answers --help and --version, notes
    // --show, finds
    // and reads the recipe of a file or stem given to open (see openRecipe) in `recipeFolder`,
    // and rejects anything else but Qt's own window-system options.
    WindowRequest read(const QStringList& arguments, const QString& recipeFolder);

    // Prints the help with Qt's own options, as --help-all asks, and ends the program.
    void showAllHelp(const QStringList& arguments) { parser_.process(arguments); }

private:
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QCommandLineOption show_;
};
