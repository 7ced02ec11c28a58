// rosette-render: makes images with the engine, no display needed. It sets up the same world
// as the program does at start-up (seeding, settings, a first palette), then draws --count
// images of --type and saves each into --out (the current folder without it), each with its
// recipe beside it. It never replaces a file unless told to (--force): a name that is taken
// moves an image on to the next free one. It shows its progress on a terminal, says nothing but
// errors with -q, and stops cleanly on SIGINT, SIGTERM and SIGHUP. It also renders recipes and
// pictures at any size (RenderPictures).

#include "ImageSaver.h"
#include "RenderCommandLine.h"
#include "RenderPictures.h"
#include "RenderVariations.h"
#include "ShownText.h"
#include "StopSignals.h"
#include "World.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

// The system clock, except that a fixed seed replaces the time of day when one is given.
class RenderClock final : public Clock {
public:
    double secondsSinceMidnight() const override {
        return seconds_ ? *seconds_ : system_.secondsSinceMidnight();
    }
    ClockText dateAndTime() const override { return system_.dateAndTime(); }
    void fix(std::optional<double> seconds) { seconds_ = seconds; }

private:
    SystemClock system_;
    std::optional<double> seconds_;
};

// Without XDG_RUNTIME_DIR Qt warns on every start about a folder the renderer never uses.
QtMessageHandler qtHandler = nullptr;
void quietRuntimeFolder(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    qtHandler(type, context, text);
}

// "12/100" on stderr, rewritten in place, when stderr is a terminal.
class Progress {
public:
    Progress(int total, bool shown) : total_(total), shown_(shown && ::isatty(STDERR_FILENO)) {}
    void show(int done) {
        if (shown_)
            std::fprintf(stderr, "\r%d/%d", done, total_);
    }
    // Clears the line, before anything else is printed on the terminal.
    void clear() {
        if (shown_)
            std::fprintf(stderr, "\r\033[K");
    }

private:
    int total_;
    bool shown_;
};

} // namespace

int main(int argc, char** argv) {
    catchStopSignals();
    // Print draws with fonts, which need a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(quietRuntimeFolder);
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rosette-render"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROSETTE_VERSION));

    RenderCommandLine commandLine;
    const RenderRequest request = commandLine.read(app.arguments());
    if (request.allHelp)
        commandLine.showAllHelp(app); // prints the help with Qt's options and exits
    if (request.exitCode)
        return printEnd(request, "rosette-render");
    if (request.listRecipes)
        return listSavedRecipes();
    const QString& folder = request.folder;
    const bool quietly = request.pictures.quiet;
    // How a run that a stop signal ended exits.
    auto stopped = [quietly] {
        if (!quietly)
            std::fprintf(stderr, "rosette-render: stopped (%s); the files listed are complete\n",
                         strsignal(stopSignal()));
        return 128 + stopSignal();
    };
    PictureMaker maker(request.pictures);
    const VariationSettings& variations = request.variations;
    ContactSheet sheet;
    // Ends the run: the contact sheet of what it made, when asked for and nothing failed.
    auto finish = [&](int code) {
        if (stopSignal() != 0)
            return stopped();
        if (code == 0 && variations.sheet)
            code = sheet.write(folder, quietly);
        return code;
    };
    if (request.recipe) {
        QString error;
        const std::optional<NamedRecipe> named = findRecipe(*request.recipe, error);
        if (!named) {
            std::fprintf(stderr, "rosette-render: %s\n", qPrintable(shownText(error)));
            return 2;
        }
        if (variations.count > 0)
            return finish(
                renderVariations(maker, named->recipe, variations, folder, quietly, sheet));
        QString written;
        const int code = maker.renderRecipe(*named, folder, &written);
        if (!written.isEmpty())
            sheet.add(written);
        return finish(code);
    }
    if (const QString problem = prepareFolder(folder); !problem.isEmpty()) {
        std::fprintf(stderr, "rosette-render: cannot save into %s: %s\n",
                     qPrintable(shownText(QDir::toNativeSeparators(folder))), qPrintable(problem));
        return 1;
    }

    RenderClock clock;
    World world(clock);
    const std::optional<qint64> fixedSeed = request.seed;
    if (fixedSeed)
        clock.fix(double(*fixedSeed));
    world.seedFromClock();
    setStartUpSettings(world.state);
    world.state.nac = std::int16_t(request.generationType);
    MakePalette(world);

    const int images = request.images;
    Progress progress(images, !quietly);
    progress.show(0);
    // Image k's files are written while image k + 1 is drawn; each save is reported, in order,
    // before the next begins, and the first that fails ends the run.
    QFuture<SaveResult> writing;
    int written = 0;
    auto reportWritten = [&]() {
        if (!writing.isValid())
            return true;
        const SaveResult saved = writing.result();
        writing = {};
        progress.clear();
        if (!saved.ok) {
            if (stopSignal() == 0) // a stop says so itself
                std::fprintf(stderr, "rosette-render: %s\n", qPrintable(shownText(saved.error)));
            return false;
        }
        if (!quietly)
            std::printf("%s\n", qPrintable(saved.path));
        std::fflush(stdout);
        sheet.add(saved.path);
        progress.show(++written);
        return true;
    };
    if (variations.count > 0) { // the one image drawn is varied, not saved
        if (fixedSeed)
            clock.fix(double(*fixedSeed + 1));
        beginImage(world);
        progress.clear();
        return finish(renderVariations(maker, recipeOf(world), variations, folder, quietly, sheet));
    }
    for (int k = 1; k <= images && stopSignal() == 0; ++k) {
        if (fixedSeed)
            clock.fix(double(*fixedSeed + k));
        GenerateImage(world);
        if (!reportWritten())
            return stopSignal() != 0 ? stopped() : 1;
        writing = maker.saveInBackground(world, folder, world.state.imeslike, k);
    }
    if (!reportWritten())
        return stopSignal() != 0 ? stopped() : 1;
    progress.clear();
    return finish(0);
}
