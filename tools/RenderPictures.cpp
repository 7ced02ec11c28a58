#include "RenderPictures.h"

#include "PictureFile.h"
#include "Recipe.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>
#include <cstdio>
#include <unistd.h>

namespace {

void printError(const QString& message) {
    std::fprintf(stderr, "rosette-render: %s\n", qPrintable(message));
}

// The recipe file an argument names: an existing file, or the stem of a recipe the window saved.
QString recipePath(const QString& argument) {
    if (QFileInfo(argument).isFile())
        return argument;
    if (argument.contains(QLatin1Char('/')) || argument.isEmpty())
        return {};
    const QString stem = argument.endsWith(QLatin1String(".json"))
                             ? argument.chopped(int(QStringLiteral(".json").size()))
                             : argument;
    const QString saved = QDir(recipeFolder()).filePath(stem + QStringLiteral(".json"));
    return QFileInfo(saved).isFile() ? saved : QString();
}

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
      format("format", "Write bmp (named .bmp) or png files (default: a bitmap named .jpg).",
             "bmp|png"),
      smooth("smooth",
             "Average N x N samples a pixel (1 to 8, default 1: off); for prints. Makes colours "
             "that are not in the palette.",
             "N") {}

QList<QCommandLineOption> PictureOptions::all() const {
    return {recipe, listRecipes, noRecipes, background, size, format, smooth};
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
    if (parser.isSet(format)) {
        settings.format = parser.value(format).toLower();
        if (settings.format != QLatin1String("bmp") && settings.format != QLatin1String("png"))
            return QStringLiteral("--format takes bmp or png, not \"%1\"")
                .arg(parser.value(format));
    }
    if (parser.isSet(recipe))
        settings.plane = true;
    settings.recipes = !parser.isSet(noRecipes);
    return {};
}

QString PictureMaker::extension() const {
    return settings_.format.isEmpty() ? QStringLiteral(".jpg")
                                      : QLatin1Char('.') + settings_.format;
}

QImage PictureMaker::renderPlane(const Recipe& recipe, const QString& name) {
    // "NAME 37%" on stderr, rewritten in place and cleared at the end, on a terminal.
    const bool show = !settings_.quiet && isatty(fileno(stderr));
    int shown = -1;
    auto progress = [&](double done) {
        const int percent = int(done * 100);
        if (!show || percent == shown)
            return;
        shown = percent;
        std::fprintf(stderr, "\r\033[K%s %d%%", qPrintable(name), percent);
        std::fflush(stderr);
    };
    QImage picture = renderer_.render(recipe, settings_.render, progress);
    if (show)
        std::fprintf(stderr, "\r\033[K");
    return picture;
}

SaveResult PictureMaker::writePicture(const QImage& picture, const QString& path) const {
    if (settings_.existing == Existing::Refuse && QFileInfo::exists(path)) {
        SaveResult kept;
        kept.path = QDir::toNativeSeparators(path);
        kept.error = QStringLiteral("Could not save %1: a file of that name exists and is kept")
                         .arg(kept.path);
        return kept;
    }
    return writePictureFile(picture, path,
                            settings_.format.isEmpty() ? "bmp" : qPrintable(settings_.format));
}

SaveResult PictureMaker::writeRecipeBeside(const Recipe& recipe, const QString& imagePath) const {
    SaveResult result;
    const QFileInfo image(imagePath);
    result.path = QDir::toNativeSeparators(
        image.dir().filePath(image.completeBaseName() + QStringLiteral(".json")));
    if (settings_.existing == Existing::Refuse && QFileInfo::exists(result.path))
        result.error = QStringLiteral("Could not save %1: a file of that name exists and is kept")
                           .arg(result.path);
    else
        result.error = writeRecipe(recipe, result.path);
    result.ok = result.error.isEmpty();
    return result;
}

PictureMaker::PictureMaker(const PictureSettings& settings) : settings_(settings) {
    writer_.setMaxThreadCount(1);
    writer_.setExpiryTimeout(-1); // the thread stays for the next image
}

PictureMaker::Files PictureMaker::take(World& world, const QString& folder, const QString& name) {
    const GeneratorState& s = world.state;
    Files files;
    files.folder = folder;
    files.name = name;
    files.recipe = recipeOf(world);
    if (!settings_.plane) {
        copyToSaveBuffer(world.canvas, world.saveBuffer, s.sir, s.vis);
        // Shares the buffer's pixels; the next copy into the buffer gives it pixels of its own.
        files.picture = world.saveBuffer.image();
        return files;
    }
    files.picture = renderPlane(files.recipe, name);
    if (files.picture.isNull()) {
        SaveResult& failed = files.failed;
        failed.path = QDir::toNativeSeparators(QDir(folder).filePath(name + extension()));
        failed.error = QStringLiteral("Could not render %1: not enough memory for %2 x %3 pixels")
                           .arg(failed.path)
                           .arg(settings_.render.width)
                           .arg(settings_.render.height);
    }
    return files;
}

SaveResult PictureMaker::write(const Files& files) const {
    if (!files.failed.error.isEmpty())
        return files.failed;
    const SaveResult saved =
        settings_.format.isEmpty() && !settings_.plane
            ? writeBitmap(files.picture, files.folder, files.name, settings_.existing) // as ever
            : writePicture(files.picture, QDir(files.folder).filePath(files.name + extension()));
    if (saved.ok && settings_.recipes) {
        const SaveResult recipe = writeRecipeBeside(files.recipe, saved.path);
        if (!recipe.ok)
            return recipe;
    }
    return saved;
}

QFuture<SaveResult> PictureMaker::saveInBackground(World& world, const QString& folder,
                                                   const QString& name) {
    return QtConcurrent::run(&writer_,
                             [this, files = take(world, folder, name)] { return write(files); });
}

int PictureMaker::renderRecipe(const QString& recipeArgument, const QString& folder) {
    const QString path = recipePath(recipeArgument);
    if (path.isEmpty()) {
        printError(QStringLiteral("no recipe file %1, and no saved recipe of that stem in %2")
                       .arg(recipeArgument, QDir::toNativeSeparators(recipeFolder())));
        return 2;
    }
    Recipe recipe;
    QString error;
    if (!readRecipe(path, recipe, error)) {
        printError(error);
        return 2;
    }
    // Named after the recipe file, with the size when it is not the canvas's.
    QString name = QFileInfo(path).completeBaseName();
    const auto& r = settings_.render;
    if (r.width != canvasSide || r.height != canvasSide)
        name += QStringLiteral("-%1x%2").arg(r.width).arg(r.height);
    const QString target = QDir(folder).filePath(name + extension());
    if (settings_.existing == Existing::Refuse && QFileInfo::exists(target)) {
        printError(QStringLiteral("%1 exists already; it is not replaced (--force replaces it)")
                       .arg(QDir::toNativeSeparators(target)));
        return 1;
    }
    const QImage picture = renderPlane(recipe, name);
    if (picture.isNull()) {
        printError(
            QStringLiteral("not enough memory for %1 x %2 pixels").arg(r.width).arg(r.height));
        return 1;
    }
    const SaveResult saved = writePicture(picture, target);
    if (!saved.ok) {
        printError(saved.error);
        return 1;
    }
    if (settings_.recipes &&
        QFileInfo(path).absoluteFilePath() !=
            QFileInfo(QDir(folder).filePath(name + ".json")).absoluteFilePath()) {
        recipe.programVersion = programVersion();
        const SaveResult beside = writeRecipeBeside(recipe, saved.path);
        if (!beside.ok) {
            printError(beside.error);
            return 1;
        }
    }
    if (!settings_.quiet)
        std::printf("%s\n", qPrintable(saved.path));
    return 0;
}

int listSavedRecipes() {
    const QDir folder(recipeFolder());
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        std::fprintf(stderr, "rosette-render: no saved recipes in %s\n",
                     qPrintable(QDir::toNativeSeparators(folder.path())));
        return 0;
    }
    for (const QFileInfo& file : files)
        std::printf(
            "%s  %s\n", qPrintable(file.completeBaseName()),
            qPrintable(file.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    return 0;
}
