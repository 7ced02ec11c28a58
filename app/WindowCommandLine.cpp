#include "WindowCommandLine.h"

#include "CommandLineError.h"
#include "OpenRecipe.h"
#include "ShownText.h"

WindowCommandLine::WindowCommandLine()
    : help_(parser_.addHelpOption()), version_(parser_.addVersionOption()),
      show_(
          QStringLiteral("show"),
          QStringLiteral("Opens the full-screen show: new images build up and turn their colours, "
                         "one after the other, until Esc, F11 or a click.")) {
    parser_.addOption(show_);
    parser_.setApplicationDescription(
        QStringLiteral("Draws rotationally symmetric images from random formulas and palettes."));
    parser_.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("A recipe (.json), a saved image whose recipe was saved with it, or the "
                       "stem of a saved recipe: shown in place of a new first image."),
        QStringLiteral("[FILE|STEM]"));
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Options the application object takes for itself; they pass through unseen.
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowtitle", "qwindowicon", "display", "geometry", "style", "stylesheet", "session"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser_.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser_.addOption(qtOption);
    }
}

WindowRequest WindowCommandLine::read(const QStringList& arguments, const QString& recipeFolder) {
    WindowRequest request;
    // The line may quote arguments, whose control characters it shows as escapes.
    auto mistake = [&request](const QString& line) {
        request.exitCode = 2;
        request.error = shownText(line);
        return request;
    };
    if (!parser_.parse(arguments))
        return mistake(commandLineError(parser_, arguments));
    if (answersHelpOrVersion(parser_, help_, version_, "rosette", request))
        return request;
    request.show = parser_.isSet(show_);
    const QStringList files = parser_.positionalArguments();
    if (files.size() > 1)
        return mistake(QStringLiteral("unexpected argument '%1'").arg(files.at(1)));
    if (files.size() == 1) {
        OpenedRecipe opened;
        QString error;
        if (!openRecipe(files.first(), recipeFolder, opened, error))
            return mistake(error);
        request.opened = opened.path;
    }
    return request;
}
