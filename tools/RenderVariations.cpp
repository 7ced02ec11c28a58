#include "RenderVariations.h"

#include "PictureFile.h"
#include "ShownText.h"
#include "StopSignals.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

void printError(const QString& message) {
    std::fprintf(stderr, "rosette-render: %s\n", qPrintable(shownText(message)));
}

// The sheet's grid: each image in a square cell of this side, its name in a line below.
constexpr int cellSide = 200;
constexpr int gap = 12;

} // namespace

VariationOptions::VariationOptions()
    : variations("variations",
                 "Make N variations (1 to 1000) of the image of --recipe, or of the one image "
                 "--seed/--type draws, each a still with its recipe; with --cross, N crosses "
                 "(default 8).",
                 "N"),
      strength("strength", "How far a variation moves, 0.01 (barely) to 1 (wild); default 0.25.",
               "X"),
      scope("scope",
            "What a variation changes: shape (the parameters), colours (the palette) or both "
            "(the default).",
            "shape|colours|both"),
      variationSeed("variation-seed",
                    "Seed the variations or crosses (a whole number), to make the same ones "
                    "again; without it one is taken from the clock and printed.",
                    "K"),
      cross("cross", "Cross the image of --recipe with this recipe's, instead of varying it.",
            "FILE|STEM"),
      sheet("sheet",
            "Also write a contact sheet, NAME-sheet.png: every image of the run in a grid, "
            "each with its name under it.") {}

QList<QCommandLineOption> VariationOptions::all() const {
    return {variations, strength, scope, variationSeed, cross, sheet};
}

QString VariationOptions::read(const QCommandLineParser& parser, const PictureSettings& pictures,
                               VariationSettings& settings) const {
    settings.sheet = parser.isSet(sheet);
    if (settings.sheet && pictures.video)
        return QStringLiteral("--sheet is for stills, not videos");
    const bool crossing = parser.isSet(cross);
    if (crossing && !parser.isSet(QStringLiteral("recipe")))
        return QStringLiteral("--cross crosses the image of --recipe with another; give both");
    if (!parser.isSet(variations) && !crossing) {
        for (const QCommandLineOption* option : {&strength, &scope, &variationSeed})
            if (parser.isSet(*option))
                return QStringLiteral("--%1 is for variations; it needs --variations")
                    .arg(option->names().constFirst());
        return {};
    }
    if (crossing)
        for (const QCommandLineOption* option : {&strength, &scope})
            if (parser.isSet(*option))
                return QStringLiteral("--%1 is for variations; a cross takes no --%1")
                    .arg(option->names().constFirst());
    if (pictures.video)
        return QStringLiteral("--%1 makes stills; it takes no --video")
            .arg(crossing ? QStringLiteral("cross") : QStringLiteral("variations"));
    settings.cross = parser.value(cross);
    settings.count = 8;
    bool ok = true;
    if (parser.isSet(variations)) {
        settings.count = parser.value(variations).toInt(&ok);
        if (!ok || settings.count < 1 || settings.count > 1000)
            return QStringLiteral("--variations takes a whole number from 1 to 1000, not \"%1\"")
                .arg(parser.value(variations));
    }
    if (parser.isSet(strength)) {
        settings.strength = parser.value(strength).toDouble(&ok);
        if (!ok || !std::isfinite(settings.strength) || settings.strength < weakestVariation ||
            settings.strength > wildestVariation)
            return QStringLiteral("--strength takes a number from 0.01 to 1, not \"%1\"")
                .arg(parser.value(strength));
    }
    if (parser.isSet(scope)) {
        const QString name = parser.value(scope).toLower();
        if (name == QLatin1String("shape"))
            settings.scope = VariationScope::Shape;
        else if (name == QLatin1String("colours") || name == QLatin1String("colors"))
            settings.scope = VariationScope::Colours;
        else if (name == QLatin1String("both"))
            settings.scope = VariationScope::Both;
        else
            return QStringLiteral("--scope takes shape, colours or both, not \"%1\"")
                .arg(parser.value(scope));
    }
    if (parser.isSet(variationSeed)) {
        settings.seed = parser.value(variationSeed).toULongLong(&ok);
        // The k-th of N uses the seed + k: no seed may wrap round.
        if (!ok || *settings.seed > std::numeric_limits<std::uint64_t>::max() - 1000)
            return QStringLiteral("--variation-seed takes a whole number from 0 to %1, not "
                                  "\"%2\"")
                .arg(std::numeric_limits<std::uint64_t>::max() - 1000)
                .arg(parser.value(variationSeed));
    }
    return {};
}

int ContactSheet::write(const QString& folder, bool quiet) const {
    if (paths_.isEmpty())
        return 0;
    const int count = int(paths_.size());
    const int columns = int(std::ceil(std::sqrt(double(count))));
    const int rows = (count + columns - 1) / columns;
    QFont font;
    font.setPixelSize(12);
    const int textHeight = QFontMetrics(font).height();
    const int cellHeight = cellSide + textHeight + gap;
    QImage sheet(gap + columns * (cellSide + gap), gap + rows * cellHeight, QImage::Format_RGB32);
    if (sheet.isNull()) {
        printError(QStringLiteral("not enough memory for a contact sheet of %1 images").arg(count));
        return 1;
    }
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        painter.setFont(font);
        painter.setPen(QColor(40, 40, 40));
        for (int k = 0; k < count; ++k) {
            const QRect cell(gap + (k % columns) * (cellSide + gap),
                             gap + (k / columns) * cellHeight, cellSide, cellSide);
            const QImage picture(paths_[k]);
            if (!picture.isNull()) {
                const QImage shown =
                    picture.scaled(cell.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
                painter.drawImage(cell.topLeft() + QPoint((cellSide - shown.width()) / 2,
                                                          (cellSide - shown.height()) / 2),
                                  shown);
            }
            const QRect label(cell.left(), cell.bottom() + 1, cellSide, textHeight);
            const QString name = QFileInfo(paths_[k]).completeBaseName();
            painter.drawText(label, Qt::AlignHCenter | Qt::AlignVCenter,
                             QFontMetrics(font).elidedText(name, Qt::ElideMiddle, cellSide));
        }
    }
    QString problem;
    const auto staged = stagePicture(sheet, folder, "png", problem);
    PairName name;
    name.folder = folder;
    name.name = QFileInfo(paths_.first()).completeBaseName() + QStringLiteral("-sheet");
    name.extension = QStringLiteral(".png");
    if (!staged) {
        printError(
            QStringLiteral("Could not save %1: %2")
                .arg(QDir::toNativeSeparators(fileInFolder(folder, name.name + name.extension)),
                     problem));
        return 1;
    }
    const SaveResult saved = placePair(*staged, nullptr, {}, name);
    if (!saved.ok) {
        printError(saved.error);
        return 1;
    }
    if (!quiet)
        std::printf("%s\n", qPrintable(saved.path));
    return 0;
}

int renderVariations(PictureMaker& maker, const Recipe& base, const VariationSettings& settings,
                     const QString& folder, bool quiet, ContactSheet& sheet) {
    Recipe other;
    if (!settings.cross.isEmpty()) {
        QString error;
        const std::optional<NamedRecipe> named = findRecipe(settings.cross, error);
        if (!named) {
            printError(error);
            return 2;
        }
        other = named->recipe;
    }
    if (const QString problem = prepareFolder(folder); !problem.isEmpty()) {
        printError(QStringLiteral("cannot save into %1: %2")
                       .arg(QDir::toNativeSeparators(folder), problem));
        return 1;
    }
    std::uint64_t seed = 0;
    if (settings.seed) {
        seed = *settings.seed;
    } else {
        seed = std::uint64_t(QDateTime::currentMSecsSinceEpoch());
        if (!quiet) // so the run can be made again
            std::fprintf(stderr, "rosette-render: --variation-seed %llu\n",
                         static_cast<unsigned long long>(seed));
    }
    const std::vector<Recipe> made =
        settings.cross.isEmpty()
            ? variations(base, settings.strength, settings.scope, seed, settings.count)
            : crosses(base, other, seed, settings.count);
    // Each is a new image: a batch's name of this second, numbered in turn.
    const QString stem = QStringLiteral("T") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    for (int k = 0; k < int(made.size()) && stopSignal() == 0; ++k) {
        Recipe recipe = made[std::size_t(k)];
        recipe.stem = stem;
        recipe.programVersion = programVersion();
        const SaveResult saved = maker.saveRecipe(recipe, folder, k + 1);
        if (!saved.ok) {
            if (stopSignal() == 0)
                printError(saved.error);
            return 1;
        }
        if (!quiet)
            std::printf("%s\n", qPrintable(saved.path));
        std::fflush(stdout);
        sheet.add(saved.path);
    }
    return 0;
}
