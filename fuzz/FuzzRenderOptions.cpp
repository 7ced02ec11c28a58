// rosette-render's command line on any arguments (the input split on NUL bytes): it either ends
// the run with help, the version or one line and exit code 2, or asks for a run whose every
// setting is in its range.

#include "FuzzSupport.h"
#include "RenderCommandLine.h"

#include <QCoreApplication>

namespace {

bool fits(int value, int low, int high) {
    return value >= low && value <= high;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    fuzz::quietQt();
    QCoreApplication::setApplicationName(QStringLiteral("rosette-render"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROSETTE_VERSION));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList arguments = fuzz::arguments("rosette-render", data, size);
    RenderCommandLine commandLine;
    const RenderRequest r = commandLine.read(arguments);
    const QString shown = arguments.join(QLatin1Char(' '));
    if (r.allHelp)
        return 0;
    if (r.exitCode) {
        if (*r.exitCode == 0 && (r.output.isEmpty() || !r.error.isEmpty()))
            fuzz::broken("help and the version print on stdout alone", shown);
        if (*r.exitCode == 2 && (r.error.isEmpty() || !fuzz::oneLine(r.error)))
            fuzz::broken("a mistake gives one line", r.error);
        if (*r.exitCode != 0 && *r.exitCode != 2)
            fuzz::broken("the command line ends a run with 0 or 2", shown);
        return 0;
    }
    if (r.listRecipes)
        return 0;
    const PlaneRenderer::Options& render = r.pictures.render;
    if (!fits(r.images, 1, 100000) || !fits(r.generationType, 1, 4) || r.folder.isEmpty() ||
        (r.seed && (*r.seed < 0 || *r.seed > RenderCommandLine::maxSeed - r.images)) ||
        !fits(render.width, 1, largestRenderSide) || !fits(render.height, 1, largestRenderSide) ||
        !fits(render.smooth, 1, 8) || (std::uint32_t(render.background) & ~0xffffffu) != 0 ||
        (!r.pictures.format.isEmpty() && r.pictures.format != QLatin1String("bmp") &&
         r.pictures.format != QLatin1String("png")) ||
        (r.recipe && (r.seed || !r.pictures.plane)))
        fuzz::broken("a run asked for has every setting in its range", shown);
    return 0;
}
