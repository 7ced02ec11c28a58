#pragma once

// How a command line ends a program before it does its work: with the help, the version, or one
// line about a mistake. Both programs' requests carry one.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

struct CommandLineEnd {
    // Set when the program ends here: 0 after --help or --version, 2 for a mistake.
    std::optional<int> exitCode;
    QString output;       // printed on stdout before ending: the help or the version
    QString error;        // printed on stderr after "PROGRAM: " before ending: one line
    bool allHelp = false; // --help-all: the parser prints the help with Qt's options and ends
};

// Fills `end` when the parsed command line asks for --help-all, --help or --version (answered
// "PROGRAM VERSION"); returns whether it did.
bool answersHelpOrVersion(const QCommandLineParser& parser, const QCommandLineOption& help,
                          const QCommandLineOption& version, const char* program,
                          CommandLineEnd& end);

// Prints what `end` says, the error after "PROGRAM: ", and returns its exit code.
int printEnd(const CommandLineEnd& end, const char* program);
