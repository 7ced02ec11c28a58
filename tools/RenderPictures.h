#pragma once

// What rosette-render makes beyond the canvas itself: a recipe beside every image, pictures of
// a recipe file or of a recipe the window saved, pictures at any size, PNG files and smoothed
// prints. The options live here so the renderer's main only hands them on.

#include "FilePair.h"
#include "ImageSaver.h"
#include "PlaneRender.h"
#include "RecipeVideo.h"
#include "World.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFuture>
#include <QList>
#include <QString>
#include <QThreadPool>
#include <optional>

struct PictureSettings {
    bool plane = false; // drawn by the plane renderer (--size, --background, --smooth, --recipe)
    PlaneRenderer::Options render;
    QString format;       // empty: a bitmap named .jpg, as ever; else "bmp" or "png"
    bool recipes = true;  // a recipe beside every image
    bool quiet = false;   // print nothing but errors, no progress
    bool replace = false; // replace files of the names taken (--force), else take free names
    std::optional<MotionVideo> video; // a video of each image instead of a still (--video)
};

class PictureOptions {
public:
    PictureOptions();
    QList<QCommandLineOption> all() const;
    // Reads and checks the options into `settings`; returns a one-line error or an empty text.
    QString read(const QCommandLineParser& parser, PictureSettings& settings) const;

    QCommandLineOption recipe;
    QCommandLineOption listRecipes;
    QCommandLineOption noRecipes;
    QCommandLineOption background;
    QCommandLineOption size;
    QCommandLineOption format;
    QCommandLineOption smooth;
    QCommandLineOption video;
    QCommandLineOption fps;
    QCommandLineOption seconds;
    QCommandLineOption hold;

private:
    QString readVideo(const QCommandLineParser& parser, PictureSettings& settings) const;
};

// Parses "N" or "WxH", each side 1 to largestRenderSide; false when it is not one.
bool parseSize(const QString& text, int& width, int& height);
// Parses "#RRGGBB"; false when it is not one.
bool parseColour(const QString& text, colour::Value& value);

// A recipe named on the command line, read.
struct NamedRecipe {
    QString path; // its file
    Recipe recipe;
};

// Finds the recipe that `argument` names (a file, the stem of a recipe the window saved or the
// name of its saved image: see RecipeStore::find) and reads it. On failure returns nothing and
// sets `error` to one line.
std::optional<NamedRecipe> findRecipe(const QString& argument, QString& error);

class PictureMaker {
public:
    explicit PictureMaker(const PictureSettings& settings);

    // Saves the image the world has just drawn, the `index`-th of a series, as folder/stem-N
    // with its recipe beside it: N is the first number from `index` on, and after the one the
    // image before took, that both files can have. Only the picture and recipe are taken from
    // the world here: the files are written on a thread of the maker's own, one save after
    // another, while the caller draws the next image.
    QFuture<SaveResult> saveInBackground(World& world, const QString& folder, const QString& stem,
                                         int index);

    // Saves the picture of `recipe` at the settings' size (or its video) with the recipe beside
    // it as folder/STEM-N, STEM the recipe's stem and N the first number from `index` on, and
    // after the one the image before took, that both files can have.
    SaveResult saveRecipe(const Recipe& recipe, const QString& folder, int index);

    // Renders a recipe named on the command line into `folder`, named after its file. Prints
    // what it wrote; returns the exit code. `written`, when given, receives the path written.
    int renderRecipe(const NamedRecipe& named, const QString& folder, QString* written = nullptr);

private:
    // An image's files as they are to be written, apart from the world that drew it.
    struct Files {
        QImage picture;
        Recipe recipe;
        PairName name;
        SaveResult failed; // set when the picture could not be made
    };
    Files take(World& world, const PairName& name);
    // Writes the picture and its recipe under the first name of `files.name` both can take.
    SaveResult write(const Files& files);

    QString extension() const;
    // The picture of a recipe at the settings' size; null when memory is short or a stop
    // signal came.
    QImage renderPlane(const Recipe& recipe, const QString& name);
    // Why a picture could not be made: memory, or a stop signal.
    SaveResult notRendered(const PairName& name) const;
    // The video of a recipe, staged; null with `error` set when it could not be made.
    std::unique_ptr<StagedFile> stageVideoOf(const Recipe& recipe, const PairName& name,
                                             QString& error);

    PictureSettings settings_;
    PlaneRenderer renderer_; // its pool is made once and serves every picture
    QThreadPool writer_;     // one thread, made once, that writes the files of saveInBackground
    int lastNumber_ = 0;     // the number the last image of a series took; the writer's own
};

// Prints the stems of the recipes the window saved, with their dates; returns the exit code.
int listSavedRecipes();
