#include "CommandLineEnd.h"

#include <cstdio>

bool answersHelpOrVersion(const QCommandLineParser& parser, const QCommandLineOption& help,
                          const QCommandLineOption& version, const char* program,
                          CommandLineEnd& end) {
    if (parser.isSet(QStringLiteral("help-all"))) {
        end.allHelp = true;
    } else if (parser.isSet(help)) {
        end.exitCode = 0;
        end.output = parser.helpText();
    } else if (parser.isSet(version)) {
        end.exitCode = 0;
        end.output =
            QStringLiteral("%1 %2\n").arg(QLatin1String(program), QLatin1String(ROSETTE_VERSION));
    } else {
        return false;
    }
    return true;
}

int printEnd(const CommandLineEnd& end, const char* program) {
    std::fputs(qPrintable(end.output), stdout);
    if (!end.error.isEmpty())
        std::fprintf(stderr, "%s: %s\n", program, qPrintable(end.error));
    return end.exitCode.value_or(0);
}
