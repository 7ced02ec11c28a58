// rosette-bench: how fast the engine makes images, with no window and no reveal pacing.
//
// For each generation type it prints the median time of one whole image (GenerateImage) over a
// fixed series of seeds, with the fast colouring path and with the literal pipeline, and their
// ratio; then the colouring of all canvas pixels alone on both paths, the fraction of pixels the
// fast path left to the literal code, the cost of the literal pipeline per visited pixel, the
// time of one random-order pass, the cost of one random number, the save, the export of a 4K
// picture, the eight pictures of the variations view, the encoding of an MP4 video against
// FFmpeg's command-line program, and the peak memory.

#include "BuildFrames.h"
#include "ExportJob.h"
#include "FastColouring.h"
#include "ImageSaver.h"
#include "PictureFile.h"
#include "Pipeline.h"
#include "PlaneRender.h"
#include "RecipeVideo.h"
#include "Variation.h"
#include "VideoFile.h"
#include "World.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int warmUps = 2;
constexpr int repetitions = 15;
constexpr double firstSeed = 1000.0; // repetition k is seeded with firstSeed + k

// A clock that always reads the time it was set to, so every image is reproducible.
class FixedClock final : public Clock {
public:
    double secondsSinceMidnight() const override { return seconds; }
    ClockText dateAndTime() const override {
        return {QStringLiteral("01-02-2024"), QStringLiteral("12:34:56")};
    }
    double seconds = firstSeed;
};

using Steady = std::chrono::steady_clock;

double millisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs `measure` for the warm-ups and the repetitions, each with its own seed; returns the
// median of what the repetitions returned.
template <typename Measure> double medianOverSeeds(FixedClock& clock, Measure measure) {
    std::vector<double> results;
    for (int k = -warmUps; k < repetitions; ++k) {
        clock.seconds = firstSeed + k;
        const double value = measure();
        if (k >= 0)
            results.push_back(value);
    }
    return median(results);
}

// A world as the program has it at start-up, for the given generation type.
void startUp(World& world, int type) {
    world.seedFromClock();
    setStartUpSettings(world.state);
    world.state.nac = std::int16_t(type);
    MakePalette(world);
}

// The peak resident memory of this process in kB (VmHWM), or -1 where it cannot be read.
long peakMemoryKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

constexpr int videoSide = 1080;
constexpr int videoFrames = 300;
constexpr int videoFps = 30;

// The build-up MP4 of a recipe (videoSide pixels square, videoFrames frames), made from the
// recipe as rosette-render makes it (the picture, the frames and their encoding), against
// FFmpeg's command-line program encoding the same frames with the same settings from a file of
// raw pixels written beforehand. Prints both times, their ratio and the sizes.
void benchmarkVideo(const Recipe& recipe) {
    QTemporaryDir folder;
    MotionVideo motion;
    motion.kind = MotionVideo::Kind::Build;
    motion.video.format = VideoFormat::Mp4;
    motion.video.width = motion.video.height = videoSide;
    motion.video.fps = videoFps;
    motion.seconds = double(videoFrames) / videoFps;
    motion.hold = 0;
    const QString ours = folder.filePath(QStringLiteral("ours.mp4"));
    PlaneRenderer renderer;
    auto start = Steady::now();
    QString error;
    const auto file = stageMotionVideo(recipe, motion, renderer, folder.path(), error);
    const bool staged = file && file->placeNew(ours) == 0;
    const double oursMs = staged ? millisecondsSince(start) : -1.0;
    if (!staged)
        std::printf("  stageVideo failed: %s\n", qPrintable(error));

    // Format_RGB32 is B, G, R, A in memory, as FFmpeg's bgra.
    const QString raw = folder.filePath(QStringLiteral("frames.bgra"));
    QFile rawFile(raw);
    bool written = rawFile.open(QIODevice::WriteOnly);
    PlaneRenderer::Options options;
    options.width = options.height = videoSide;
    BuildFrames frames(recipe, options, renderer);
    for (int k = 0; written && k < videoFrames; ++k) {
        const QImage& frame =
            frames.showVisits(visitsAtFrame(k + 1, videoFrames, frames.totalVisits()));
        written = rawFile.write(reinterpret_cast<const char*>(frame.constBits()),
                                frame.sizeInBytes()) == frame.sizeInBytes();
    }
    written = written && rawFile.flush();
    rawFile.close();
    const QString theirs = folder.filePath(QStringLiteral("ffmpeg.mp4"));
    const QString side = QStringLiteral("%1x%1").arg(videoSide);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start = Steady::now();
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v",        "error",      "-f",     "rawvideo", "-pix_fmt",
                  "bgra",      "-s",         side,     "-r",       QString::number(videoFps),
                  "-i",        raw,          "-c:v",   "libx264",  "-crf",
                  "18",        "-preset",    "medium", "-pix_fmt", "yuv420p",
                  "-movflags", "+faststart", "-y",     theirs});
    const bool ran = written && ffmpeg.waitForFinished(-1) &&
                     ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
    const double theirsMs = ran ? millisecondsSince(start) : -1.0;
    if (!ran)
        std::printf("  ffmpeg failed: %s\n", qPrintable(ffmpeg.errorString()));
    std::printf("Build-up, %d frames %d x %d MP4: %8.0f ms %8.0f ms  %.3f (rosette's; ffmpeg; "
                "%lld kB, %lld kB)\n",
                videoFrames, videoSide, videoSide, oursMs, theirsMs, oursMs / theirsMs,
                QFileInfo(ours).size() / 1024, QFileInfo(theirs).size() / 1024);
}

const char* const typeNames[] = {"from left to right", "from centre ortogonal",
                                 "random point after point", "from order to chaos and back"};

} // namespace

int main(int argc, char** argv) {
    // Surfaces hold fonts, which need a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FixedClock clock;

    std::printf("Rosette engine benchmark: medians of %d runs after %d warm-ups, seeds %g+k\n\n",
                repetitions, warmUps, firstSeed);

    std::printf("Colouring kernel: %s, %d threads\n\n", levelKernelName(),
                QThreadPool::globalInstance()->maxThreadCount());
    std::printf("Whole image (GenerateImage)              fast     literal   ratio\n");
    for (int type = 1; type <= 4; ++type) {
        double ms[2] = {0, 0};
        for (const bool literal : {false, true}) {
            World world(clock);
            startUp(world, type);
            ms[literal] = medianOverSeeds(clock, [&] {
                const auto start = Steady::now();
                Sweep sweep = beginImage(world);
                if (literal)
                    sweep.useLiteralColouring();
                sweep.runToEnd();
                return millisecondsSince(start);
            });
        }
        std::printf("  type %d %-30s %7.2f ms %7.2f ms  %5.3f\n", type, typeNames[type - 1], ms[0],
                    ms[1], ms[0] / ms[1]);
    }

    {
        // Colouring alone: the level of every canvas pixel, for the parameters of each seed.
        World world(clock);
        startUp(world, 1);
        const std::vector<double> xs = columnCoordinates(world.state, canvasSide);
        const std::vector<double> ys = rowCoordinates(world.state, canvasSide);
        const PixelGrid grid{xs, ys};
        std::vector<std::int8_t> levels(grid.size());
        std::int64_t decided = 0;
        std::int64_t pixels = 0;
        const double fast = medianOverSeeds(clock, [&] {
            beginImage(world); // the parameters of this seed; its sweep is not run
            const auto start = Steady::now();
            decided += computeLevels(world.state, grid, levels);
            const double ms = millisecondsSince(start);
            pixels += std::int64_t(grid.size());
            return ms;
        });
        const double oneCore = medianOverSeeds(clock, [&] {
            beginImage(world);
            const auto start = Steady::now();
            computeLevels(world.state, grid, levels, false);
            return millisecondsSince(start);
        });
        const double literal = medianOverSeeds(clock, [&] {
            beginImage(world);
            const auto start = Steady::now();
            computeLevelsLiterally(world.state, grid, levels);
            return millisecondsSince(start);
        });
        std::printf("\nColouring %d x %d pixels:             %7.2f ms %7.2f ms  %5.3f\n",
                    canvasSide, canvasSide, fast, literal, fast / literal);
        std::printf("  the same on one core:              %7.2f ms              %5.3f\n", oneCore,
                    oneCore / literal);
        std::printf("Left to the literal code:          %8.3f %% of pixels\n",
                    100.0 * double(decided) / double(pixels));
    }

    {
        // The pipeline alone: PlotPoint over the visits of a type-1 sweep, with the coordinates
        // worked out beforehand as the sweep does.
        World world(clock);
        startUp(world, 1);
        GeneratorState& s = world.state;
        struct Visit {
            int i, j;
            double x, y;
        };
        std::vector<Visit> visits;
        for (int i = 0; i <= s.sir; ++i) {
            for (int j = 0; j <= s.vis; ++j)
                visits.push_back({i, j, (i - s.sir / 2.0) / (s.sir / (2.0 * s.polx)),
                                  (s.vis / 2.0 - j) / (s.vis / (2.0 * s.poly))});
        }
        const double ms = medianOverSeeds(clock, [&] {
            beginImage(world); // the parameters of this seed; its sweep is not run
            const auto start = Steady::now();
            for (const Visit& v : visits) {
                s.i = v.i;
                s.j = v.j;
                s.x = v.x;
                s.y = v.y;
                PlotPoint(s, world.strip, world.canvas);
            }
            return millisecondsSince(start);
        });
        std::printf("Literal pipeline (PlotPoint):      %8.2f ns per visited pixel (%zu visits)\n",
                    ms * 1e6 / double(visits.size()), visits.size());
    }

    {
        // One random-order pass: the random-colour pass of type 4.
        World world(clock);
        startUp(world, 4);
        const double ms = medianOverSeeds(clock, [&] {
            world.seedFromClock();
            Sweep sweep(world.state, world.random, world.strip, world.canvas);
            sweep.useLiteralColouring(); // the first pass colours nothing: no levels to work out
            const auto start = Steady::now();
            sweep.advance(sweep.passLength());
            return millisecondsSince(start);
        });
        std::printf("Random-order pass (type 4, first): %8.2f ms\n", ms);
    }

    {
        constexpr int count = 50'000'000;
        Random random(firstSeed);
        std::uint32_t bits = 0;
        const auto start = Steady::now();
        for (int k = 0; k < count; ++k)
            bits ^= std::bit_cast<std::uint32_t>(random.next());
        const double ms = millisecondsSince(start);
        // Printing the folded bits keeps the loop from being optimised away.
        std::printf("Random::next():                    %8.2f ns per number (check %08x)\n",
                    ms * 1e6 / count, unsigned(bits));
    }

    {
        // Saving: the copy into the save buffer (row by row, and pixel by pixel as the literal
        // reference), the copy with the bitmap encoded, and the copy with the file written and
        // flushed to the disk.
        World world(clock);
        startUp(world, 1);
        GenerateImage(world);
        const GeneratorState& s = world.state;
        const double copy = medianOverSeeds(clock, [&] {
            const auto start = Steady::now();
            copyToSaveBuffer(world.canvas, world.saveBuffer, s.sir, s.vis);
            return millisecondsSince(start);
        });
        const double literalCopy = medianOverSeeds(clock, [&] {
            const auto start = Steady::now();
            for (int i = 0; i <= s.sir; ++i)
                for (int j = 0; j <= s.vis; ++j)
                    world.saveBuffer.pset(float(i), float(j),
                                          world.canvas.point(float(i), float(j)));
            return millisecondsSince(start);
        });
        const double encoded = medianOverSeeds(clock, [&] {
            const auto start = Steady::now();
            copyToSaveBuffer(world.canvas, world.saveBuffer, s.sir, s.vis);
            const QByteArray bytes = encodeBitmap(world.saveBuffer.image(), nullptr);
            const double ms = millisecondsSince(start);
            return bytes.isEmpty() ? -1.0 : ms;
        });
        QTemporaryDir folder;
        int k = 0;
        const double save = medianOverSeeds(clock, [&] {
            const QString stem = QStringLiteral("bench-%1").arg(++k);
            const auto start = Steady::now();
            const SaveResult saved =
                SaveImage(world.canvas, world.saveBuffer, s.sir, s.vis, folder.path(), stem);
            const double ms = millisecondsSince(start);
            return saved.ok ? ms : -1.0;
        });
        std::printf("Save: copy to the buffer           %8.3f ms %8.3f ms  %.3f\n", copy,
                    literalCopy, copy / literalCopy);
        std::printf("Save: copy and bitmap encoded      %8.3f ms\n", encoded);
        std::printf("Save: copy and file on the disk    %8.3f ms (written, flushed, named)\n",
                    save);
    }
    {
        // A 4K picture of a recipe, rendered in bands on every core, not written anywhere.
        World world(clock);
        startUp(world, 1);
        PlaneRenderer renderer;
        PlaneRenderer::Options options;
        options.width = 3840;
        options.height = 2160;
        const double ms = medianOverSeeds(clock, [&] {
            beginImage(world); // the parameters of this seed; its sweep is not run
            const Recipe recipe = recipeOf(world);
            const auto start = Steady::now();
            const QImage picture = renderer.render(recipe, options);
            return picture.isNull() ? -1.0 : millisecondsSince(start);
        });
        std::printf("Picture of a recipe, 3840 x 2160:  %8.2f ms (%d threads)\n", ms,
                    QThread::idealThreadCount());

        // Writing that picture as a bitmap file: encoded straight into a staged file, flushed,
        // checked and named, against Qt's QSaveFile as the reference.
        beginImage(world);
        const QImage picture = renderer.render(recipeOf(world), options);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("picture.bmp"));
        const double staged = medianOverSeeds(clock, [&] {
            const auto start = Steady::now();
            QString error;
            const auto file = stagePicture(picture, folder.path(), "bmp", error);
            const bool ok = file && file->placeOver(path) == 0;
            return ok ? millisecondsSince(start) : -1.0;
        });
        const double reference = medianOverSeeds(clock, [&] {
            const auto start = Steady::now();
            QSaveFile file(path);
            const bool ok = file.open(QIODevice::WriteOnly) &&
                            QImageWriter(&file, "bmp").write(picture) && file.commit();
            return ok ? millisecondsSince(start) : -1.0;
        });
        std::printf("Picture file, 3840 x 2160 bitmap:  %8.2f ms %8.2f ms  %.3f (staged; "
                    "QSaveFile)\n",
                    staged, reference, staged / reference);
    }

    {
        // The export dialog's whole path for a 4K PNG (drawn, encoded and named on its worker,
        // with progress and cancel), against the same steps on this thread as rosette-render
        // takes them. A few runs: each takes a second or more.
        World world(clock);
        startUp(world, 1);
        beginImage(world);
        const Recipe recipe = recipeOf(world);
        QTemporaryDir folder;
        ExportSettings settings;
        settings.render.width = 3840;
        settings.render.height = 2160;
        settings.folder = folder.path();
        settings.fileName = QStringLiteral("export.png");
        settings.format = QStringLiteral("png");
        const QString path = folder.filePath(settings.fileName);
        // The two in turn, so that a machine that slows down or speeds up meets both alike.
        auto once = [&path](auto exportOnce) {
            const auto start = Steady::now();
            const bool ok = exportOnce();
            const double ms = ok ? millisecondsSince(start) : -1.0;
            QFile::remove(path);
            return ms;
        };
        ExportJob job;
        auto throughJob = [&] {
            QEventLoop loop;
            bool ok = false;
            QObject::connect(&job, &ExportJob::finished, &loop, [&](const ExportResult& result) {
                ok = result.ok();
                loop.quit();
            });
            job.start(recipe, settings);
            loop.exec();
            return ok;
        };
        PlaneRenderer renderer;
        auto direct = [&] {
            QString error;
            const auto file =
                stagePicture(renderer.render(recipe, settings.render), folder.path(), "png", error);
            return file && file->placeNew(path) == 0;
        };
        std::vector<double> jobRuns, directRuns;
        for (int k = 0; k < 5; ++k) {
            jobRuns.push_back(once(throughJob));
            directRuns.push_back(once(direct));
        }
        const double exported = median(jobRuns);
        const double drawn = median(directRuns);
        std::printf("Export, 3840 x 2160 PNG:           %8.2f ms %8.2f ms  %.3f (export job; "
                    "rosette-render's steps)\n",
                    exported, drawn, exported / drawn);
    }

    {
        // The variations view: eight variations of the image, 200 x 200 pixels each, all
        // coloured before the view shows them, within one frame of the display (16 ms). The
        // view has drawn its centre, and with it a type-4 image's noise, which its variations
        // share, when it opened. The processor time, of all threads, shows the work apart from
        // what other programs take of the cores.
        constexpr double frame = 16.0;
        for (const int type : {1, 4}) {
            World world(clock);
            startUp(world, type);
            PlaneRenderer renderer;
            PlaneRenderer::Options options;
            options.width = options.height = 200;
            std::vector<double> runs, processor;
            const double ms = medianOverSeeds(clock, [&] {
                beginImage(world); // the parameters of this seed; its sweep is not run
                const Recipe centre = recipeOf(world);
                renderer.render(centre, options);
                const std::vector<Recipe> ring =
                    variations(centre, 0.35, VariationScope::Both, 1, 8);
                const std::clock_t work = std::clock();
                const auto start = Steady::now();
                for (const Recipe& variation : ring)
                    renderer.render(variation, options);
                runs.push_back(millisecondsSince(start));
                processor.push_back(1000.0 * double(std::clock() - work) / CLOCKS_PER_SEC);
                return runs.back();
            });
            const double slowest = *std::max_element(runs.begin() + warmUps, runs.end());
            std::printf("Variations view, 8 x 200 x 200:    %8.2f ms (type %d): %s %g ms; slowest "
                        "%.2f ms, processor %.2f ms\n",
                        ms, type, ms < frame ? "under" : "NOT under", frame, slowest,
                        median(std::vector<double>(processor.begin() + warmUps, processor.end())));
        }
    }

    {
        // A video: the build-up of an image "from order to chaos and back", as an MP4.
        World world(clock);
        startUp(world, 4);
        beginImage(world);
        benchmarkVideo(recipeOf(world));
    }

    std::printf("Peak memory (VmHWM):               %8ld kB\n", peakMemoryKb());
    return 0;
}
