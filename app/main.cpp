// Rosette: opens the window and draws the first image, or shows a saved image or recipe named
// on the command line; with --show it then opens the full-screen show. The command line is read
// before anything touches the window system, so --help, --version and a file that cannot be
// opened answer without a display.

#include "DesktopIdentity.h"
#include "Form1.h"
#include "Recipe.h"
#include "SaveFolder.h"
#include "StallWatch.h"
#include "TerminationSignals.h"
#include "UiFont.h"
#include "WindowCommandLine.h"
#include "WindowGoneWatch.h"

#include <QApplication>
#include <QStandardPaths>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <optional>

namespace {

// Allocations from this size up get a mapping of their own (a canvas is 0.8 MB).
constexpr int largeAllocationBytes = 256 * 1024;

// Reads the command line before anything touches the window system into `request`; returns the
// exit code when the program should end here.
std::optional<int> readCommandLine(int argc, char** argv, WindowRequest& request) {
    if (argc <= 1)
        return std::nullopt;
    const QCoreApplication reader(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    WindowCommandLine commandLine;
    request = commandLine.read(arguments, recipeFolder());
    if (request.allHelp)
        commandLine.showAllHelp(arguments); // prints the help with Qt's options and exits
    if (request.exitCode)
        return printEnd(request, "rosette");
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // Pictures (the canvas, thumbnails, export bands, the show's frames) are large and come and
    // go on several threads. A fixed threshold gives each one its own mapping, returned to the
    // system when freed, and two arenas keep the worker threads from each holding freed memory.
    mallopt(M_MMAP_THRESHOLD, largeAllocationBytes);
    mallopt(M_ARENA_MAX, 2);
    setApplicationIdentity();
    WindowRequest options;
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
