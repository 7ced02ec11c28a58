#pragma once

// The window program's command line: [FILE|STEM], --show and --help, --version, with Qt's own
// window-system options passed through unseen. Read before anything touches the window system,
// so --help, --version and a file that cannot be opened answer without a display.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

// What a command line asks the window program to do.
struct WindowRequest {
    // Set when the program ends here, without a window: 0 after --help or --version, 2 for a
    // mistake.
    std::optional<int> exitCode;
    QString output;       // printed on stdout before ending: the help or the version
    QString error;        // printed on stderr after "rosette: " before ending: one line
    bool allHelp = false; // --help-all: see WindowCommandLine::showAllHelp
    QString opened;       // the recipe of the image to show first, if one was named
    bool show = false;    // open the full-screen show once the first image is complete
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
