#pragma once

// The one line both programs print for a command-line mistake.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The parser's complaint as one line without a full stop ("unknown option '--bogus'"), naming
// an unknown option as it was typed in `arguments` (the whole command line, program first).
QString commandLineError(const QCommandLineParser& parser, const QStringList& arguments);
