// rosette-render: makes images with the engine, no display needed. It sets up the same world
// as the program does at start-up (seeding, settings, a first palette), then draws --count
// images of --type and saves each into --out (the current folder without it), each with its
// recipe beside it. It never replaces a file unless told to (--force): a name that is taken
// moves an image on to the next free one. It shows its progress on a terminal, says nothing but
// errors with -q, and stops cleanly on SIGINT, SIGTERM and SIGHUP. It also renders recipes and
// pictures at any size (RenderPictures).

#include "CommandLineError.h"
#include "ImageSaver.h"
#include "RecipeStore.h"
#include "RenderPictures.h"
#include "RenderVariations.h"
#include "StopSignals.h"
#include "World.h"

#include <QCommandLineParser>
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

constexpr qint64 maxSeed = 1 << 24;

int usageError(const QString& message) {
    std::fprintf(stderr, "rosette-render: %s (see --help)\n", qPrintable(message));
    return 2;
}

// One line for an option the parser rejects, naming it as it was typed.
int parseError(const QCommandLineParser& parser, const QStringList& arguments) {
    const QString problem = commandLineError(parser, arguments);
    if (!parser.unknownOptionNames().isEmpty()) {
        std::fprintf(stderr, "rosette-render: %s\n", qPrintable(problem));
        return 2;
    }
    return usageError(problem);
}

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

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Draws Rosette images without a window and saves them as bitmaps.");
    const QCommandLineOption count("count", "Number of images to draw (default 1).", "K", "1");
    const QCommandLineOption type("type",
                                  "Generation type 1..4 (default 4): 1 from left to right, "
                                  "2 from centre ortogonal, 3 random point after point, "
                                  "4 from order to chaos and back.",
                                  "T", "4");
    const QCommandLineOption seed("seed",
                                  "Seed every seeding for reproducible output: start-up uses S, "
                                  "the k-th image S + k.",
                                  "S");
    const QCommandLineOption out("out",
                                 "Save each image into this folder (default: the current "
                                 "folder).",
                                 "DIR");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption force("force", "Replace files of the names the images take, instead "
                                            "of moving on to free names.");
    const QCommandLineOption quiet({"q", "quiet"}, "Print nothing but errors.");
    parser.addOptions({count, type, seed, out, force, quiet});
    const PictureOptions pictureOptions;
    parser.addOptions(pictureOptions.all());
    const VariationOptions variationOptions;
    parser.addOptions(variationOptions.all());
    if (!parser.parse(app.arguments()))
        return parseError(parser, app.arguments());
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(app); // prints the help with Qt's options and exits
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("rosette-render %s\n", ROSETTE_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError("unexpected argument " + parser.positionalArguments().first());

    bool ok = false;
    const int images = parser.value(count).toInt(&ok);
    if (!ok || images < 1 || images > 100000)
        return usageError("--count takes a whole number from 1 to 100000");
    const int generationType = parser.value(type).toInt(&ok);
    if (!ok || generationType < 1 || generationType > 4)
        return usageError("--type takes 1, 2, 3 or 4");
    std::optional<qint64> fixedSeed;
    if (parser.isSet(seed)) {
        // Seeds are held as singles, which keep every whole number up to 2^24 apart; the k-th
        // image uses the seed + k.
        fixedSeed = parser.value(seed).toLongLong(&ok);
        // Compared without adding, so no seed can overflow.
        if (!ok || *fixedSeed < 0 || *fixedSeed > maxSeed - images)
            return usageError(
                QStringLiteral("--seed takes a whole number from 0 to %1%2, not "
                               "\"%3\"")
                    .arg(maxSeed - images)
                    .arg(images > 1 ? QStringLiteral(" with --count %1").arg(images) : QString())
                    .arg(parser.value(seed)));
    }
    if (parser.isSet(out) && parser.value(out).isEmpty())
        return usageError("--out needs a folder");
    const QString folder = parser.isSet(out) ? parser.value(out) : QStringLiteral(".");
    const bool quietly = parser.isSet(quiet);
    PictureSettings pictures;
    if (const QString error = pictureOptions.read(parser, pictures); !error.isEmpty())
        return usageError(error);
    VariationSettings variations;
    if (const QString error = variationOptions.read(parser, pictures, variations); !error.isEmpty())
        return usageError(error);
    if (variations.count > 0 && parser.isSet(count))
        return usageError("--variations varies one image; it takes no --count");
    if (parser.isSet(pictureOptions.listRecipes))
        return listSavedRecipes();
    pictures.replace = parser.isSet(force);
    pictures.quiet = quietly;
    // How a run that a stop signal ended exits.
    auto stopped = [quietly] {
        if (!quietly)
            std::fprintf(stderr, "rosette-render: stopped (%s); the files listed are complete\n",
                         strsignal(stopSignal()));
        return 128 + stopSignal();
    };
    PictureMaker maker(pictures);
    ContactSheet sheet;
    // Ends the run: the contact sheet of what it made, when asked for and nothing failed.
    auto finish = [&](int code) {
        if (stopSignal() != 0)
            return stopped();
        if (code == 0 && variations.sheet)
            code = sheet.write(folder, quietly);
        return code;
    };
    if (parser.isSet(pictureOptions.recipe)) {
        for (const QCommandLineOption* batchOnly : {&count, &type, &seed})
            if (parser.isSet(*batchOnly))
                return usageError("--recipe draws the recipe's image; it takes no --" +
                                  batchOnly->names().constLast());
        if (variations.count > 0) {
            Recipe base;
            QString error;
            const QString path = RecipeStore().find(parser.value(pictureOptions.recipe));
            if (path.isEmpty() || !readRecipe(path, base, error)) {
                std::fprintf(stderr, "rosette-render: %s\n",
                             qPrintable(path.isEmpty()
                                            ? QStringLiteral("no recipe file %1, and no saved "
                                                             "recipe of that stem in %2")
                                                  .arg(parser.value(pictureOptions.recipe),
                                                       QDir::toNativeSeparators(recipeFolder()))
                                            : error));
                return 2;
            }
            return finish(renderVariations(maker, base, variations, folder, quietly, sheet));
        }
        QString written;
        const int code = maker.renderRecipe(parser.value(pictureOptions.recipe), folder, &written);
        if (!written.isEmpty())
            sheet.add(written);
        return finish(code);
    }
    if (const QString problem = prepareFolder(folder); !problem.isEmpty()) {
        std::fprintf(stderr, "rosette-render: cannot save into %s: %s\n",
                     qPrintable(QDir::toNativeSeparators(folder)), qPrintable(problem));
        return 1;
    }

    RenderClock clock;
    World world(clock);
    if (fixedSeed)
        clock.fix(double(*fixedSeed));
    world.seedFromClock();
    setStartUpSettings(world.state);
    world.state.nac = std::int16_t(generationType);
    MakePalette(world);

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
                std::fprintf(stderr, "rosette-render: %s\n", qPrintable(saved.error));
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
