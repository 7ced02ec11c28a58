// rosette-window-bench: the window's timings on a real X server (run it under Xvfb, see run).
//
//   1. From main() to the window painted on screen, and to the first image complete with the
//      program's own pacing (a pass of visits per second).
//   2. The work of each reveal frame while images build up, one of each generation type.
//   3. The memory of the process (VmRSS) over 50 images revealed at once: it must not grow
//      between image 10 and image 50.
//   4. Going back through the history (Alt+Left): how long the UI thread is held and how long
//      until the picture is on the canvas, against drawing it again on the UI thread (alone
//      with the argument "history").
//   5. The real rosette executable, launched as a separate process, until its window is mapped.
//   6. The gallery over 1000 saved recipes: until the list shows and until the thumbnails in
//      view are in, with a cold and with a warm thumbnail cache, and the peak memory. Run alone
//      with the argument "gallery", so the peak is the gallery's own.
//   7. A 16384 x 16384 export while images build up (alone with the argument "export").
//   8. Motion, alone with the argument "show" on the offscreen platform with a 2560 x 1440
//      screen (see run): the UI thread's work per frame of the full-screen show (painting into
//      the frame and the repaint) while an image builds up, while its colours turn and when the
//      next image takes over; and per frame of the window's colour cycling.

#include "ExportJob.h"
#include "Form1.h"
#include "Gallery.h"
#include "Redraw.h"
#include "Show.h"
#include "UiFont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

QElapsedTimer sinceMain;

constexpr double visibleTargetMs = 400.0;
constexpr double frameTargetMs = 4.0;
constexpr long memoryToleranceKb = 2048; // less than three canvases' worth of pixels
constexpr int galleryRecipes = 1000;
constexpr double galleryListTargetMs = 500.0;
constexpr double galleryThumbnailsTargetMs = 1000.0;
constexpr long galleryPeakTargetKb = 150 * 1024;
constexpr int largeExportSide = 16384;           // the largest picture the export dialog makes
constexpr double largeExportTickTargetMs = 50.0; // the window's longest wait while it works
constexpr double motionFrameTargetMs = 8.0;      // the show's and the cycling's worst frame

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

// A figure of this process in kB from /proc/self/status: VmRSS now, VmHWM its peak.
long statusKb(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLong();
    return -1;
}

// The processor time the calling thread has used.
qint64 threadProcessorNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The machine's load averages over 1, 5 and 15 minutes.
QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

long residentKb() {
    return statusKb("VmRSS");
}

double percentile(std::vector<qint64> values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(p * double(values.size() - 1) + 0.5);
    return ms(values[std::min(rank, values.size() - 1)]);
}

// Notes when the window is first painted.
class FirstPaint : public QObject {
public:
    qint64 at = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && at < 0)
            at = sinceMain.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until the controller has nothing left to do.
void waitIdle(Controller& controller) {
    if (!controller.busy())
        return;
    QEventLoop loop;
    QObject::connect(&controller, &Controller::idle, &loop, &QEventLoop::quit);
    loop.exec();
}

// Launches the real program and polls the display until its window is mapped. Returns the
// milliseconds from the launch, or a negative number on failure.
double externalLaunchMs(const QString& xdotool, const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer launched;
    launched.start();
    program.start(QStringLiteral(ROSETTE_PATH), {});
    if (!program.waitForStarted())
        return -1;
    double mapped = -1;
    // xdotool's own --sync looks only every half second; polling it directly is finer.
    while (launched.elapsed() < 10000) {
        QProcess search;
        search.start(xdotool, {"search", "--onlyvisible", "--pid",
                               QString::number(program.processId()), "--name", "^Form1$"});
        search.waitForFinished(2000);
        if (search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty()) {
            mapped = double(launched.nsecsElapsed()) / 1e6;
            break;
        }
        QThread::msleep(2);
    }
    program.terminate();
    if (!program.waitForFinished(3000)) {
        program.kill();
        program.waitForFinished();
    }
    return mapped;
}

// Runs the event loop until `done` holds, looking every millisecond; false after 30 s.
bool runUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer look;
    look.setInterval(1);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done() || waited.elapsed() > 30000)
            loop.quit();
    });
    look.start();
    if (!done())
        loop.exec();
    return done();
}

// Runs the event loop until `done` holds or `most` has passed.
void runFor(std::chrono::milliseconds most, const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done() || waited.elapsed() >= most.count())
            loop.quit();
    });
    look.start();
    loop.exec();
}

// The items the gallery's list shows, and how many of their thumbnails are made.
struct InView {
    int items = 0;
    int made = 0;
};

InView inView(const QListView& view) {
    const QRect shown = view.viewport()->rect();
    const QAbstractItemModel& model = *view.model();
    InView counted;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        const QRect item = view.visualRect(index);
        if (item.top() > shown.bottom())
            break;
        if (!item.intersects(shown))
            continue;
        ++counted.items;
        if (index.data(GalleryModel::StateRole).toInt() == int(GalleryModel::State::Ready))
            ++counted.made;
    }
    return counted;
}

// Notes the first paint of the list's viewport once the list is in.
class ListPaint : public QObject {
public:
    explicit ListPaint(const QListView& view) : view_(view) {}
    qint64 at = -1;
    QElapsedTimer since;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && at < 0 && view_.model()->rowCount() > 0)
            at = since.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const QListView& view_;
};

// Opens the gallery on `folder` and prints its timings.
void galleryRun(const char* cache, const QString& folder, const QString& images) {
    QElapsedTimer opened;
    opened.start();
    Gallery gallery(folder, images);
    ListPaint painted(*gallery.view());
    painted.since = opened;
    gallery.view()->viewport()->installEventFilter(&painted);
    gallery.show();
    runUntil([&] { return painted.at >= 0; });
    const double listMs = ms(painted.at);
    runUntil([&] {
        const InView now = inView(*gallery.view());
        return now.items > 0 && now.made == now.items;
    });
    const double thumbnailsMs = ms(opened.nsecsElapsed());
    const bool listMet = painted.at >= 0 && listMs < galleryListTargetMs &&
                         gallery.view()->model()->rowCount() == galleryRecipes;
    const bool thumbnailsMet = thumbnailsMs < galleryThumbnailsTargetMs;
    std::printf("  %s cache: list shown %7.1f ms (target < %.0f ms: %s)   the %d thumbnails in "
                "view %7.1f ms (target < %.0f ms: %s)\n",
                cache, listMs, galleryListTargetMs, verdict(listMet), inView(*gallery.view()).made,
                thumbnailsMs, galleryThumbnailsTargetMs, verdict(thumbnailsMet));
}

void benchGallery() {
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
    // A few real recipes, copied under a thousand names with a thousand times.
    SystemClock clock;
    std::vector<QByteArray> recipes;
    for (int seed = 1; seed <= 4; ++seed) {
        World world(clock);
        setStartUpSettings(world.state);
        world.state.nac = std::int16_t(seed);
        world.random.seed(float(seed));
        MakePalette(world);
        beginImage(world);
        recipes.push_back(toJson(recipeOf(world)));
    }
    const QString folder = home.filePath(QStringLiteral("recipes"));
    QDir().mkpath(folder);
    const QDateTime first = QDateTime::currentDateTime().addDays(-30);
    for (int k = 0; k < galleryRecipes; ++k) {
        QFile file(
            QDir(folder).filePath(QStringLiteral("T%1.json").arg(k, 4, 10, QLatin1Char('0'))));
        const QByteArray& json = recipes[std::size_t(k) % recipes.size()];
        if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.flush() ||
            !file.setFileTime(first.addSecs(k * 60), QFileDevice::FileModificationTime)) {
            std::printf("Gallery: cannot write %s\n", qPrintable(file.fileName()));
            return;
        }
    }
    std::printf("Gallery over %d saved recipes (%d threads)\n", galleryRecipes,
                std::max(2, QThread::idealThreadCount()));
    galleryRun("cold", folder, home.path());
    galleryRun("warm", folder, home.path());
    const long peak = statusKb("VmHWM");
    std::printf("  peak memory (VmHWM) %ld kB   target < %ld kB: %s\n", peak, galleryPeakTargetKb,
                verdict(peak > 0 && peak < galleryPeakTargetKb));
}

} // namespace

// 7. A 16384 x 16384 PNG exported while images build up in the window: the longest the UI
//    thread kept a 16 ms timer waiting, and the memory the export took on top of the window.
void benchLargeExport(Form1& window) {
    Controller& controller = window.controller();
    QTemporaryDir folder;
    ExportSettings settings;
    settings.render.width = largeExportSide;
    settings.render.height = largeExportSide;
    settings.folder = folder.path();
    settings.fileName = QStringLiteral("large.png");
    settings.format = QStringLiteral("png");
    const Recipe recipe = controller.history().current()->recipe;
    const long before = residentKb();
    long peak = before;
    qint64 longestTick = 0;
    ExportJob job;
    QElapsedTimer took;
    took.start();
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(16);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestTick = std::max(longestTick, sinceTick.nsecsElapsed());
        sinceTick.restart();
        peak = std::max(peak, residentKb());
        if (!controller.busy())
            window.command(1)->click(); // "new img / old palette": keep images building up
    });
    QEventLoop loop;
    ExportResult result;
    QObject::connect(&job, &ExportJob::finished, [&](const ExportResult& r) {
        result = r;
        loop.quit();
    });
    took.restart();
    job.start(recipe, settings);
    sinceTick.start();
    ticker.start();
    loop.exec();
    ticker.stop();
    std::printf("Export of %d x %d PNG while images build up: %s in %.1f s\n", largeExportSide,
                largeExportSide, result.ok() ? "written" : qPrintable(result.error),
                took.elapsed() / 1000.0);
    std::printf("  longest wait of a 16 ms timer %6.1f ms   target < %.0f ms: %s\n",
                ms(longestTick), largeExportTickTargetMs,
                verdict(ms(longestTick) < largeExportTickTargetMs));
    const long picture = long(largeExportSide) * largeExportSide * 4 / 1024;
    std::printf("  memory on top of the window %ld kB (the picture alone: %ld kB)\n", peak - before,
                picture);
}

// 8. The show's frames at the screen's size, through its first image, the change to the second
//    and the second's build-up; then two seconds of the window's colour cycling.
void benchMotion(Form1& window) {
    Controller& controller = window.controller();
    // Each frame's time from its start to its end, and the UI thread's processor time since the
    // frame before: the work itself, without the waits for a core that a busy machine adds.
    struct Frames {
        std::vector<qint64> wall;
        std::vector<qint64> processor;
    };
    const auto report = [](const char* what, const Frames& frames) {
        const auto over = std::count_if(frames.wall.begin(), frames.wall.end(),
                                        [](qint64 ns) { return ms(ns) >= motionFrameTargetMs; });
        std::printf("  %-24s %5zu frames   median %6.2f ms   p99 %6.2f ms   worst %6.2f ms   "
                    "%zu at %.0f ms or more   target worst < %.0f ms: %s\n",
                    what, frames.wall.size(), percentile(frames.wall, 0.5),
                    percentile(frames.wall, 0.99), percentile(frames.wall, 1.0), std::size_t(over),
                    motionFrameTargetMs, motionFrameTargetMs,
                    verdict(!frames.wall.empty() && over == 0));
        std::printf("  %-24s   UI thread's processor time: median %6.2f ms   p99 %6.2f ms   worst "
                    "%6.2f ms\n",
                    "", percentile(frames.processor, 0.5), percentile(frames.processor, 0.99),
                    percentile(frames.processor, 1.0));
    };
    qint64 processorBefore = threadProcessorNs();
    const auto note = [&processorBefore](Frames& frames, qint64 ns) {
        const qint64 processor = threadProcessorNs();
        frames.wall.push_back(ns);
        frames.processor.push_back(processor - processorBefore);
        processorBefore = processor;
    };
    Frames building;
    Frames cycling;
    Frames changing;
    QElapsedTimer took;
    took.start();
    controller.post({Command::Show});
    Show* show = window.fullScreenShow();
    if (!show) {
        std::printf("Full-screen show: did not open\n");
        return;
    }
    int images = 0;
    const auto stem = [&controller] { return controller.history().current()->recipe.stem; };
    QString onCanvas = stem();
    QObject::connect(show, &Show::frameWorked, [&](qint64 ns) {
        if (stem() != onCanvas) { // the frame that put the next image on the canvas
            onCanvas = stem();
            if (++images == 1)
                processorBefore = threadProcessorNs(); // the show began: nothing taken over
            else
                note(changing, ns);
        } else if (show->stage() == Show::Stage::building) {
            note(building, ns);
        } else if (show->stage() == Show::Stage::cycling) {
            note(cycling, ns);
        }
    });
    runUntil([&] { return images >= 1; });
    const double firstMs = took.elapsed();
    const auto timeout =
        Show::buildDuration + Show::cycleDuration + Show::buildDuration + std::chrono::seconds(10);
    runFor(timeout, [&] { return images >= 2 && show->stage() == Show::Stage::cycling; });
    const QSize size = show->frameSize();
    std::printf("Full-screen show at %d x %d (platform %s), type %d: first image after %.0f ms; "
                "load average %s\n",
                size.width(), size.height(), qPrintable(QGuiApplication::platformName()),
                controller.history().current()->recipe.generationType, firstMs,
                qPrintable(loadAverage()));
    report("building up", building);
    report("colours turning", cycling);
    report("next image taking over", changing);
    show->close(); // leaves the show, as Esc does
    runFor(std::chrono::milliseconds(100), [] { return false; });

    Frames turning;
    processorBefore = threadProcessorNs();
    const auto connection = QObject::connect(&controller, &Controller::frameWorked,
                                             [&](qint64 ns) { note(turning, ns); });
    controller.post({Command::CycleColours});
    runFor(std::chrono::seconds(2), [] { return false; });
    controller.post({Command::CycleColours});
    QObject::disconnect(connection);
    std::printf("The window's colour cycling (canvas and strip)\n");
    report("colours turning", turning);
}

// 4. Back through the history: type-4 images (replaying both sweeps) and type-3 ones (rendered
//    from the plane), drawn again on a worker. The reference draws the same picture again on
//    the UI thread, as a press did before the worker.
void benchHistory(Form1& window) {
    Controller& controller = window.controller();
    controller.setPassDuration(std::chrono::milliseconds(0));
    while (controller.world().state.nac != 3) {
        window.command(7)->click(); // "generation type"
        waitIdle(controller);
    }
    for (int type : {3, 4})
        for (int image = 0; image < 4; ++image) {
            if (type == 4 && image == 0)
                window.command(7)->click(); // type 3 becomes type 4
            window.command(1)->click();
            waitIdle(controller);
        }
    std::printf("Back through the history (Alt+Left), drawn again on a worker\n");
    std::vector<std::vector<qint64>> held(5), ready(5), reference(5);
    PlaneRenderer referenceRenderer;
    for (int step = 0; step < 7; ++step) {
        QElapsedTimer press;
        press.start();
        controller.post({Command::PreviousImage});
        const qint64 heldNs = press.nsecsElapsed();
        waitIdle(controller);
        const qint64 readyNs = press.nsecsElapsed();
        const Recipe& recipe = controller.history().current()->recipe;
        const auto type = std::size_t(recipe.generationType);
        const auto state = std::make_unique<GeneratorState>(controller.world().state);
        press.start();
        Redraw::draw(recipe, *state, controller.world().strip, referenceRenderer);
        reference[type].push_back(press.nsecsElapsed());
        held[type].push_back(heldNs);
        ready[type].push_back(readyNs);
    }
    for (std::size_t type = 1; type <= 4; ++type)
        if (!held[type].empty())
            std::printf("  type %zu   %zu presses   UI thread held median %6.3f ms   picture in "
                        "%6.3f ms   on the UI thread (reference) %6.3f ms   held/reference "
                        "%.2f\n",
                        type, held[type].size(), percentile(held[type], 0.5),
                        percentile(ready[type], 0.5), percentile(reference[type], 0.5),
                        percentile(held[type], 0.5) / percentile(reference[type], 0.5));
}

int main(int argc, char** argv) {
    sinceMain.start();
    QApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("gallery"))) {
        QApplication::setFont(uiFont());
        benchGallery();
        return 0;
    }
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        std::fprintf(stderr, "note: platform %s, not a real X server\n",
                     qPrintable(QGuiApplication::platformName()));
    QApplication::setFont(uiFont());
    QTemporaryDir home;
    SystemClock clock;
    Form1 window(clock, home.filePath(QStringLiteral("Pictures")));
    Controller& controller = window.controller();
    if (app.arguments().contains(QStringLiteral("show"))) { // motion alone, at the screen's size
        window.show();
        controller.Form_Load();
        waitIdle(controller);
        benchMotion(window);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("history"))) { // going back alone
        window.show();
        controller.Form_Load();
        waitIdle(controller);
        benchHistory(window);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("export"))) { // the largest export alone
        window.show();
        controller.Form_Load();
        waitIdle(controller);
        benchLargeExport(window);
        return 0;
    }
    // The window's own widgets paint it: every paint event in the program passes this filter.
    FirstPaint firstPaint;
    app.installEventFilter(&firstPaint);
    std::vector<qint64> frames;
    QObject::connect(&controller, &Controller::frameWorked,
                     [&frames](qint64 ns) { frames.push_back(ns); });

    // 1. Start-up as main.cpp does it, with the real pacing.
    window.show();
    controller.Form_Load();
    waitIdle(controller);
    const qint64 firstImage = sinceMain.nsecsElapsed();
    const double visibleMs = ms(firstPaint.at);
    app.removeEventFilter(&firstPaint);
    std::printf("Window, in process (from main() entry), real pacing of %lld ms per pass\n",
                static_cast<long long>(Controller::passDuration.count()));
    std::printf("  window painted on screen   %8.1f ms   target < %.0f ms: %s\n", visibleMs,
                visibleTargetMs, verdict(firstPaint.at >= 0 && visibleMs < visibleTargetMs));
    std::printf("  first image complete       %8.1f ms   (type 4: two passes)\n", ms(firstImage));

    // 2. Frame work: the first image was type 4; then one image of each of types 1, 2 and 3.
    std::vector<std::vector<qint64>> byType(5);
    byType[4] = frames;
    for (int type = 1; type <= 3; ++type) {
        frames.clear();
        window.command(7)->click(); // "generation type"
        window.command(1)->click(); // "new img / old palette"
        waitIdle(controller);
        byType[std::size_t(type)] = frames;
    }
    std::vector<qint64> all;
    std::printf("Work per reveal frame while an image builds up\n");
    for (int type = 1; type <= 4; ++type) {
        const auto& f = byType[std::size_t(type)];
        all.insert(all.end(), f.begin(), f.end());
        std::printf("  type %d   %4zu frames   median %6.3f ms   p99 %6.3f ms   max %6.3f ms\n",
                    type, f.size(), percentile(f, 0.5), percentile(f, 0.99), percentile(f, 1.0));
    }
    const double p99 = percentile(all, 0.99);
    std::printf("  all      %4zu frames   median %6.3f ms   p99 %6.3f ms   target p99 < %.0f ms: "
                "%s\n",
                all.size(), percentile(all, 0.5), p99, frameTargetMs,
                verdict(!all.empty() && p99 < frameTargetMs));

    // 3. Memory over 50 images revealed at once ("new img / new palette", as a slide show).
    controller.setPassDuration(std::chrono::milliseconds(0));
    std::printf("Memory (VmRSS) over 50 images, revealed at once\n ");
    long at10 = 0;
    long at50 = 0;
    for (int image = 1; image <= 50; ++image) {
        window.command(6)->click();
        waitIdle(controller);
        if (image == 1 || image % 10 == 0) {
            const long kb = residentKb();
            std::printf("  #%d %ld kB", image, kb);
            if (image == 10)
                at10 = kb;
            if (image == 50)
                at50 = kb;
        }
    }
    std::printf("\n  growth from image 10 to 50: %+ld kB   target: not growing (< %ld kB): %s\n",
                at50 - at10, memoryToleranceKb,
                verdict(at10 > 0 && at50 - at10 < memoryToleranceKb));

    // 4. Back through the history.
    benchHistory(window);

    // 5. The real executable; this process's own "Form1" goes first.
    window.hide();
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty()) {
        std::printf("External launch: skipped, xdotool is missing\n");
    } else {
        std::printf("External launch of %s until its window is mapped\n ", ROSETTE_PATH);
        std::vector<qint64> runs;
        for (int run = 0; run < 3; ++run) {
            const double mappedMs = externalLaunchMs(xdotool, home.path());
            std::printf("  %.1f ms", mappedMs);
            if (mappedMs >= 0)
                runs.push_back(qint64(mappedMs * 1e6));
        }
        std::printf("\n  median %.1f ms   target < %.0f ms: %s\n", percentile(runs, 0.5),
                    visibleTargetMs,
                    verdict(runs.size() == 3 && percentile(runs, 0.5) < visibleTargetMs));
    }

    // 6. The gallery; its peak memory includes the window's sections before it.
    benchGallery();
    // 7. The largest export, with the window at work.
    benchLargeExport(window);
    return 0;
}
