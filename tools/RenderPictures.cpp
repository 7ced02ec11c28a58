#include "RenderPictures.h"

#include "PictureFile.h"
#include "Recipe.h"
#include "RecipeStore.h"
#include "ShownText.h"
#include "StopSignals.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <type_traits>
#include <unistd.h>

namespace {

// One line, whatever the names it quotes hold.
void printError(const QString& message) {
    std::fprintf(stderr, "rosette-render: %s\n", qPrintable(shownText(message)));
}

// "NAME 37%" on stderr while a picture or video is made, rewritten in place and cleared at the
// end, when `shown` and stderr is a terminal. Its progress callback also stops the work on a stop
// signal.
class PercentLine {
public:
    PercentLine(const QString& name, bool shown)
        : name_(name), shown_(shown && isatty(fileno(stderr))) {}
    ~PercentLine() {
        if (shown_)
            std::fprintf(stderr, "\r\033[K");
    }
    PercentLine(const PercentLine&) = delete;
    PercentLine& operator=(const PercentLine&) = delete;

    std::function<bool(double)> progress() {
        return [this](double done) {
            const int percent = int(done * 100);
            if (shown_ && percent != percent_) {
                percent_ = percent;
                std::fprintf(stderr, "\r\033[K%s %d%%", qPrintable(name_), percent);
                std::fflush(stderr);
            }
            return stopSignal() == 0;
        };
    }

private:
    QString name_;
    bool shown_;
    int percent_ = -1;
};

} // namespace

PictureOptions::PictureOptions()
    : recipe("recipe",
             "Render the recipe in FILE, or the one the window saved under STEM "
             "(see --list-recipes), instead of new images.",
             "FILE|STEM"),
      listRecipes("list-recipes", "List the recipes the window saved, with their dates."),
      noRecipes("no-recipes", "Do not write NAME.json beside every image."),
      background("background",
                 "Colour of the pixels where the formulas give no value (default #EFEFEF, the "
                 "canvas's background).",
                 "#RRGGBB"),
      size("size",
           "Render N x N or W x H pixels (1 to 16384 a side): the canvas's view of the plane "
           "scaled to the shorter side; the longer side shows more of it.",
           "N|WxH"),
      format("format",
             "Write bmp (named .bmp) or png files (default: a bitmap named .jpg); videos: mp4, "
             "webm, gif, webp or frames, a folder of numbered PNG frames (default mp4).",
             "FORMAT"),
      smooth("smooth",
             "Average N x N samples a pixel (1 to 8, default 1: off); for prints. Makes colours "
             "that are not in the palette.",
             "N"),
      video("video",
            "Make a video of each image instead of a still: build, its build-up in its "
            "generation type, or cycle, a seamless loop of its palette turning once. Videos "
            "are 1080 x 1080 unless --size says otherwise.",
            "build|cycle"),
      fps("fps", "Frames a second of a video, 1 to 120 (default 30).", "N"),
      seconds("seconds", "Length of the build-up, or of the loop, 0.1 to 600 seconds (default 8).",
              "S"),
      hold("hold",
           "Seconds the complete picture stays at the end of a build-up, 0 to 60 (default 2).",
           "S") {}

QList<QCommandLineOption> PictureOptions::all() const {
    return {recipe, listRecipes, noRecipes, background, size, format,
            smooth, video,       fps,       seconds,    hold};
}

bool parseSize(const QString& text, int& width, int& height) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})(?:x(\\d{1,5}))?$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    width = match.captured(1).toInt();
    height = match.captured(2).isEmpty() ? width : match.captured(2).toInt();
    return width >= 1 && height >= 1 && width <= largestRenderSide && height <= largestRenderSide;
}

bool parseColour(const QString& text, colour::Value& value) {
    static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (!pattern.match(text).hasMatch())
        return false;
    const uint rgb = text.mid(1).toUInt(nullptr, 16);
    value = colour::rgb(int(rgb >> 16) & 0xff, int(rgb >> 8) & 0xff, int(rgb) & 0xff);
    return true;
}

QString PictureOptions::read(const QCommandLineParser& parser, PictureSettings& settings) const {
    if (parser.isSet(size)) {
        if (!parseSize(parser.value(size), settings.render.width, settings.render.height))
            return QStringLiteral("--size takes N or WxH, each side a whole number from 1 to "
                                  "%1, not \"%2\"")
                .arg(largestRenderSide)
                .arg(parser.value(size));
        settings.plane = true;
    }
    if (parser.isSet(background)) {
        if (!parseColour(parser.value(background), settings.render.background))
            return QStringLiteral("--background takes a colour #RRGGBB, not \"%1\"")
                .arg(parser.value(background));
        settings.plane = true;
    }
    if (parser.isSet(smooth)) {
        bool ok = false;
        settings.render.smooth = parser.value(smooth).toInt(&ok);
        if (!ok || settings.render.smooth < 1 || settings.render.smooth > 8)
            return QStringLiteral("--smooth takes a whole number from 1 to 8, not \"%1\"")
                .arg(parser.value(smooth));
        settings.plane = true;
    }
    if (parser.isSet(format) && !parser.isSet(video)) {
        settings.format = parser.value(format).toLower();
        if (settings.format != QLatin1String("bmp") && settings.format != QLatin1String("png"))
            return QStringLiteral("--format takes bmp or png, not \"%1\"")
                .arg(parser.value(format));
    }
    if (parser.isSet(recipe))
        settings.plane = true;
    settings.recipes = !parser.isSet(noRecipes);
    return readVideo(parser, settings);
}

QString PictureOptions::readVideo(const QCommandLineParser& parser,
                                  PictureSettings& settings) const {
    for (const QCommandLineOption* option : {&fps, &seconds, &hold})
        if (parser.isSet(*option) && !parser.isSet(video))
            return QStringLiteral("--%1 is for videos; it needs --video")
                .arg(option->names().constFirst());
    if (!parser.isSet(video))
        return {};
    MotionVideo& v = settings.video.emplace();
    const QString kind = parser.value(video).toLower();
    if (kind == QLatin1String("build"))
        v.kind = MotionVideo::Kind::Build;
    else if (kind == QLatin1String("cycle"))
        v.kind = MotionVideo::Kind::Cycle;
    else
        return QStringLiteral("--video takes build or cycle, not \"%1\"").arg(parser.value(video));
    if (v.kind == MotionVideo::Kind::Cycle && parser.isSet(hold))
        return QStringLiteral("--hold is for --video build; a loop has no end to hold");
    if (parser.isSet(smooth))
        return QStringLiteral("--smooth is for stills; a video takes one sample a pixel");
    // A number option within its bounds, or why not.
    auto number = [&parser](const QCommandLineOption& option, double low, double high, bool whole,
                            auto& value) -> QString {
        if (!parser.isSet(option))
            return {};
        bool ok = false;
        const double read = parser.value(option).toDouble(&ok);
        if (!ok || !std::isfinite(read) || read < low || read > high ||
            (whole && read != std::floor(read)))
            return QStringLiteral("--%1 takes %2 from %3 to %4, not \"%5\"")
                .arg(option.names().constFirst(),
                     whole ? QStringLiteral("a whole number") : QStringLiteral("a number"))
                .arg(low)
                .arg(high)
                .arg(parser.value(option));
        value = static_cast<std::remove_reference_t<decltype(value)>>(read);
        return {};
    };
    if (QString e = number(fps, MotionVideo::fewestFps, MotionVideo::mostFps, true, v.video.fps);
        !e.isEmpty())
        return e;
    if (QString e = number(seconds, MotionVideo::shortestSeconds, MotionVideo::longestSeconds,
                           false, v.seconds);
        !e.isEmpty())
        return e;
    if (QString e = number(hold, 0, MotionVideo::longestHold, false, v.hold); !e.isEmpty())
        return e;
    PlaneRenderer::Options& r = settings.render;
    if (!parser.isSet(size))
        r.width = r.height = 1080;
    if (parser.isSet(format)) {
        const auto named = videoFormatNamed(parser.value(format));
        if (!named)
            return QStringLiteral("--format takes %1 for a video, not \"%2\"")
                .arg(videoFormatNames().join(QStringLiteral(", ")), parser.value(format));
        v.video.format = *named;
    }
    v.video.width = r.width;
    v.video.height = r.height;
    v.background = r.background;
    settings.plane = true;
    return motionVideoProblem(v);
}

QString PictureMaker::extension() const {
    if (settings_.video)
        return settings_.video->suffix() + videoExtension(settings_.video->video.format);
    return settings_.format.isEmpty() ? QStringLiteral(".jpg")
                                      : QLatin1Char('.') + settings_.format;
}

QImage PictureMaker::renderPlane(const Recipe& recipe, const QString& name) {
    PercentLine line(name, !settings_.quiet);
    return renderer_.render(recipe, settings_.render, line.progress());
}

SaveResult PictureMaker::notRendered(const PairName& name) const {
    SaveResult failed;
    failed.path = QDir::toNativeSeparators(fileInFolder(name.folder, name.name + name.extension));
    failed.error = stopSignal() != 0
                       ? QStringLiteral("Stopped before %1 was drawn").arg(failed.path)
                       : QStringLiteral("Could not render %1: not enough memory for %2 x %3 "
                                        "pixels")
                             .arg(failed.path)
                             .arg(settings_.render.width)
                             .arg(settings_.render.height);
    return failed;
}

std::unique_ptr<StagedFile> PictureMaker::stageVideoOf(const Recipe& recipe, const PairName& name,
                                                       QString& error) {
    PercentLine line(name.name + settings_.video->suffix(), !settings_.quiet);
    return stageMotionVideo(recipe, *settings_.video, renderer_, name.folder, error,
                            line.progress());
}

PictureMaker::PictureMaker(const PictureSettings& settings) : settings_(settings) {
    writer_.setMaxThreadCount(1);
    writer_.setExpiryTimeout(-1); // the thread stays for the next image
}

PictureMaker::Files PictureMaker::take(World& world, const PairName& name) {
    const GeneratorState& s = world.state;
    Files files;
    files.name = name;
    files.recipe = recipeOf(world);
    if (settings_.video)
        return files; // the video is made as it is written
    if (!settings_.plane) {
        copyToSaveBuffer(world.canvas, world.saveBuffer, s.sir, s.vis);
        // Shares the buffer's pixels; the next copy into the buffer gives it pixels of its own.
        files.picture = world.saveBuffer.image();
        return files;
    }
    files.picture = renderPlane(files.recipe, name.name);
    if (files.picture.isNull())
        files.failed = notRendered(name);
    return files;
}

SaveResult PictureMaker::write(const Files& files) {
    if (!files.failed.error.isEmpty())
        return files.failed;
    PairName name = files.name;
    if (name.numbered)
        name.first = std::max(name.first, lastNumber_ + 1);
    if (const QString problem = pairNameProblem(name, settings_.recipes); !problem.isEmpty()) {
        SaveResult failed;
        failed.error = problem; // a folder in the way of a file to replace: nothing is written
        return failed;
    }
    auto fail = [&name](const QString& extension, const QString& reason) {
        SaveResult failed;
        failed.path = QDir::toNativeSeparators(fileInFolder(
            name.folder, name.name +
                             (name.numbered ? QStringLiteral("-%1").arg(name.first) : QString()) +
                             extension));
        failed.error = QStringLiteral("Could not save %1: %2").arg(failed.path, reason);
        return failed;
    };
    // Both files are complete before either takes a name, so a failed write leaves no half
    // pair and no file of those names changes.
    QString problem;
    const std::unique_ptr<StagedFile> picture =
        settings_.video
            ? stageVideoOf(files.recipe, name, problem)
            : stagePicture(files.picture, name.folder,
                           settings_.format.isEmpty() ? "bmp" : qPrintable(settings_.format),
                           problem);
    if (!picture)
        return fail(name.extension, problem);
    QByteArray json;
    std::unique_ptr<StagedFile> recipe;
    if (settings_.recipes) {
        json = toJson(files.recipe);
        recipe = std::make_unique<StagedFile>(name.folder, json);
        if (!recipe->ok())
            return fail(QStringLiteral(".json"), recipe->error());
    }
    int number = 0;
    const SaveResult saved = placePair(*picture, recipe.get(), json, name, &number);
    if (saved.ok)
        lastNumber_ = number;
    return saved;
}

QFuture<SaveResult> PictureMaker::saveInBackground(World& world, const QString& folder,
                                                   const QString& stem, int index) {
    PairName name;
    name.folder = folder;
    name.name = stem;
    name.extension = extension();
    name.numbered = true;
    name.first = index;
    name.replace = settings_.replace;
    return QtConcurrent::run(&writer_, [this, files = take(world, name)] { return write(files); });
}

SaveResult PictureMaker::saveRecipe(const Recipe& recipe, const QString& folder, int index) {
    Files files;
    files.recipe = recipe;
    files.name.folder = folder;
    files.name.name = recipe.stem;
    files.name.extension = extension();
    files.name.numbered = true;
    files.name.first = index;
    files.name.replace = settings_.replace;
    if (!settings_.video) {
        files.picture = renderPlane(recipe, recipe.stem);
        if (files.picture.isNull())
            files.failed = notRendered(files.name);
    }
    return write(files);
}

std::optional<NamedRecipe> findRecipe(const QString& argument, QString& error) {
    NamedRecipe named;
    named.path = RecipeStore().find(argument);
    if (named.path.isEmpty()) {
        error = QStringLiteral("no recipe file %1, and no saved recipe of that stem in %2")
                    .arg(argument, QDir::toNativeSeparators(recipeFolder()));
        return std::nullopt;
    }
    if (!readRecipe(named.path, named.recipe, error))
        return std::nullopt;
    return named;
}

int PictureMaker::renderRecipe(const NamedRecipe& named, const QString& folder, QString* written) {
    const QString& path = named.path;
    if (const QString problem = prepareFolder(folder); !problem.isEmpty()) {
        printError(QStringLiteral("cannot save into %1: %2")
                       .arg(QDir::toNativeSeparators(folder), problem));
        return 1;
    }
    // Named after the recipe file, with the size when it is not the canvas's.
    PairName name;
    name.folder = folder;
    name.name = QFileInfo(path).completeBaseName();
    const auto& r = settings_.render;
    if (r.width != canvasSide || r.height != canvasSide)
        name.name += QStringLiteral("-%1x%2").arg(r.width).arg(r.height);
    name.extension = extension();
    name.replace = settings_.replace;
    name.ownRecipe = path; // the recipe rendered may stay beside its picture as it is
    if (const QString problem = pairNameProblem(name, settings_.recipes); !problem.isEmpty()) {
        printError(problem);
        return 1;
    }
    Files files;
    files.name = name;
    files.recipe = named.recipe;
    files.recipe.programVersion = programVersion();
    if (!settings_.video) {
        files.picture = renderPlane(files.recipe, name.name);
        if (files.picture.isNull())
            files.failed = notRendered(name);
    }
    const SaveResult saved = write(files);
    if (!saved.ok) {
        if (stopSignal() == 0)
            printError(saved.error);
        return 1;
    }
    if (!settings_.quiet)
        std::printf("%s\n", qPrintable(saved.path));
    if (written)
        *written = saved.path;
    return 0;
}

int listSavedRecipes() {
    const RecipeStore store;
    QList<StoredRecipe> recipes = store.list();
    if (recipes.isEmpty()) {
        std::fprintf(stderr, "rosette-render: no saved recipes in %s\n",
                     qPrintable(QDir::toNativeSeparators(store.folder())));
        return 0;
    }
    // Listed by name, as a terminal user sorts stems; the store gives them newest first.
    std::sort(recipes.begin(), recipes.end(),
              [](const StoredRecipe& a, const StoredRecipe& b) { return a.stem < b.stem; });
    for (const StoredRecipe& recipe : recipes)
        std::printf("%s  %s\n", qPrintable(recipe.stem),
                    qPrintable(recipe.modified.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    return 0;
}
