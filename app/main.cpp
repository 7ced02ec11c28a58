// Rosette: opens the window and draws the first image, or shows a saved image or recipe named
// on the command line; with --show it then opens the full-screen show. The command line is read
// before anything touches the window system, so
// --help, --version and a file that cannot be opened answer without a display.

#include "CommandLineError.h"
#include "DesktopIdentity.h"
#include "Form1.h"
#include "RecipeStore.h"
#include "SaveFolder.h"
#include "StallWatch.h"
#include "TerminationSignals.h"
#include "UiFont.h"
#include "WindowGoneWatch.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// What the command line asks of the window.
struct WindowOptions {
    QString opened;    // the recipe of the image to show first, if one was named
    bool show = false; // open the full-screen show
};

// Answers --help and --version, finds the recipe of a file or stem given to open, notes --show,
// and rejects anything else but Qt's own window-system options; returns the exit code when the
// program should end here.
std::optional<int> readCommandLine(int argc, char** argv, WindowOptions& options) {
    if (argc <= 1)
        return std::nullopt;
    const QCoreApplication reader(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws rotationally symmetric images from random formulas and palettes."));
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("A recipe (.json), a saved image whose recipe was saved with it, or the "
                       "stem of a saved recipe: shown in place of a new first image."),
        QStringLiteral("[FILE|STEM]"));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption show(
        QStringLiteral("show"),
        QStringLiteral("Opens the full-screen show: new images build up and turn their colours, "
                       "one after the other, until Esc, F11 or a click."));
    parser.addOption(show);
    // Options the application object takes for itself; they pass through unseen.
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowtitle", "qwindowicon", "display", "geometry", "style", "stylesheet", "session"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }

    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "rosette: %s\n", qPrintable(commandLineError(parser, arguments)));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments); // prints the help with Qt's options and exits
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("rosette %s\n", ROSETTE_VERSION);
        return 0;
    }
    options.show = parser.isSet(show);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "rosette: unexpected argument '%s'\n", qPrintable(files.at(1)));
        return 2;
    }
    if (files.size() == 1) {
        const QString folder = recipeFolder();
        QString& opened = options.opened;
        opened = RecipeStore(folder).find(files.first());
        Recipe recipe;
        QString error;
        if (opened.isEmpty())
            error =
                QStringLiteral("%1: neither a recipe nor a saved image with a recipe in %2")
                    .arg(QDir::toNativeSeparators(files.first()), QDir::toNativeSeparators(folder));
        else
            readRecipe(opened, recipe, error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "rosette: %s\n", qPrintable(error));
            return 2;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    setApplicationIdentity();
    WindowOptions options;
    if (const std::optional<int> exitCode = readCommandLine(argc, argv, options))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setFont(uiFont());
    // ROSETTE_STALL_LOG=FILE logs how long the event loop is held up (see StallWatch.h).
    std::unique_ptr<StallWatch> stalls;
    if (const QString log = qEnvironmentVariable("ROSETTE_STALL_LOG"); !log.isEmpty())
        stalls = std::make_unique<StallWatch>(log);
    // The fixed save folder "D:\" is the user's pictures folder here.
    const SaveFolder saveFolder = chooseSaveFolder();
    if (!saveFolder.note.isEmpty())
        std::fprintf(stderr, "rosette: %s\n", qPrintable(saveFolder.note));

    SystemClock clock;
    Form1 window(clock, saveFolder.path);
    // Every way of ending the program keeps a waiting save: a signal or the window destroyed
    // behind the program's back ends it as the close button does.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &window.controller(),
                     &Controller::closeDown);
    WindowGoneWatch gone(&window);
    QObject::connect(&gone, &WindowGoneWatch::windowGone, &window.controller(),
                     &Controller::closeDown);
    window.show(); // visible before start-up draws anything
    window.controller().Form_Load(options.opened);
    if (options.show) // its turn comes once the first image is complete
        window.controller().post({Command::Show});
    return app.exec();
}
