#include "RenderCommandLine.h"

#include "CommandLineError.h"
#include "ShownText.h"

namespace {

// A mistake: its line, and exit code 2. The line may quote arguments, whose control characters
// it shows as escapes.
RenderRequest mistake(const QString& line) {
    RenderRequest request;
    request.exitCode = 2;
    request.error = shownText(line);
    return request;
}

// A mistake in how an option is used: one line that points at the help.
RenderRequest usageError(const QString& message) {
    return mistake(message + QStringLiteral(" (see --help)"));
}

} // namespace

RenderCommandLine::RenderCommandLine()
    : count_("count", "Number of images to draw (default 1).", "K", "1"),
      type_("type",
            "Generation type 1..4 (default 4): 1 from left to right, 2 from centre ortogonal, 3 "
            "random point after point, 4 from order to chaos and back.",
            "T", "4"),
      seed_("seed",
            "Seed every seeding for reproducible output: start-up uses S, the k-th image S + k.",
            "S"),
      out_("out", "Save each image into this folder (default: the current folder).", "DIR"),
      help_(parser_.addHelpOption()), version_(parser_.addVersionOption()),
      force_("force", "Replace files of the names the images take, instead of moving on to free "
                      "names."),
      quiet_({"q", "quiet"}, "Print nothing but errors.") {
    parser_.setApplicationDescription(
        "Draws Rosette images without a window and saves them as bitmaps.");
    parser_.addOptions({count_, type_, seed_, out_, force_, quiet_});
    parser_.addOptions(pictureOptions_.all());
    parser_.addOptions(variationOptions_.all());
}

RenderRequest RenderCommandLine::read(const QStringList& arguments) {
    if (!parser_.parse(arguments)) {
        // An unknown option is named as it was typed, without more.
        const QString problem = commandLineError(parser_, arguments);
        return parser_.unknownOptionNames().isEmpty() ? usageError(problem) : mistake(problem);
    }
    RenderRequest request;
    if (answersHelpOrVersion(parser_, help_, version_, "rosette-render", request))
        return request;
    if (!parser_.positionalArguments().isEmpty())
        return usageError("unexpected argument " + parser_.positionalArguments().first());

    bool ok = false;
    request.images = parser_.value(count_).toInt(&ok);
    if (!ok || request.images < 1 || request.images > 100000)
        return usageError("--count takes a whole number from 1 to 100000");
    request.generationType = parser_.value(type_).toInt(&ok);
    if (!ok || request.generationType < 1 || request.generationType > 4)
        return usageError("--type takes 1, 2, 3 or 4");
    if (parser_.isSet(seed_)) {
        // The k-th image uses the seed + k.
        request.seed = parser_.value(seed_).toLongLong(&ok);
        // Compared without adding, so no seed can overflow.
        if (!ok || *request.seed < 0 || *request.seed > maxSeed - request.images)
            return usageError(
                QStringLiteral("--seed takes a whole number from 0 to %1%2, not \"%3\"")
                    .arg(maxSeed - request.images)
                    .arg(request.images > 1 ? QStringLiteral(" with --count %1").arg(request.images)
                                            : QString())
                    .arg(parser_.value(seed_)));
    }
    if (parser_.isSet(out_) && parser_.value(out_).isEmpty())
        return usageError("--out needs a folder");
    if (parser_.isSet(out_))
        request.folder = parser_.value(out_);
    if (const QString error = pictureOptions_.read(parser_, request.pictures); !error.isEmpty())
        return usageError(error);
    if (const QString error = variationOptions_.read(parser_, request.pictures, request.variations);
        !error.isEmpty())
        return usageError(error);
    if (request.variations.count > 0 && parser_.isSet(count_))
        return usageError("--variations varies one image; it takes no --count");
    if (parser_.isSet(pictureOptions_.listRecipes)) {
        request.listRecipes = true;
        return request;
    }
    request.pictures.replace = parser_.isSet(force_);
    request.pictures.quiet = parser_.isSet(quiet_);
    if (parser_.isSet(pictureOptions_.recipe)) {
        for (const QCommandLineOption* batchOnly : {&count_, &type_, &seed_})
            if (parser_.isSet(*batchOnly))
                return usageError("--recipe draws the recipe's image; it takes no --" +
                                  batchOnly->names().constLast());
        request.recipe = parser_.value(pictureOptions_.recipe);
    }
    return request;
}
