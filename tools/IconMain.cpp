// rosette-icon: draws the application's icon with the engine itself. One image from a fixed
// seed, cut to a disc with a soft edge, is written as OUT/NxN/apps/ID.png for each size given,
// the layout of an icon theme. Run by the build; the same seed always gives the same files, and
// `rosette-render --seed 2 --type 1` draws the same image.

#include "World.h"

#include <QDir>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A time of day set by hand, so the seeding is the same on every build.
class FixedClock final : public Clock {
public:
    double secondsSinceMidnight() const override { return seconds; }
    ClockText dateAndTime() const override {
        return {QStringLiteral("12-09-2026"), QStringLiteral("00:00:00")};
    }
    double seconds = 0;
};

// The seed of the icon's start-up (its image is drawn from the next one) and its generation type.
constexpr double iconSeed = 2;
constexpr std::int16_t iconType = 1;

// The canvas cut to the largest disc inside it; pixels on the rim are partly transparent.
QImage disc(const QImage& canvas) {
    QImage out = canvas.convertToFormat(QImage::Format_ARGB32);
    const double centre = (out.width() - 1) / 2.0;
    const double radius = out.width() / 2.0;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const double distance = std::hypot(x - centre, y - centre);
            const double cover = std::clamp(radius - distance, 0.0, 1.0);
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), int(cover * 255 + 0.5));
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: rosette-icon OUT ID SIZE...\n");
        return 2;
    }
    const QString outFolder = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);

    FixedClock clock;
    World world(clock);
    clock.seconds = iconSeed;
    world.seedFromClock();
    setStartUpSettings(world.state);
    world.state.nac = iconType;
    MakePalette(world);
    clock.seconds = iconSeed + 1;
    GenerateImage(world);
    const QImage icon = disc(world.canvas.image());

    for (int k = 3; k < argc; ++k) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[k]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "rosette-icon: bad size %s\n", argv[k]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outFolder).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, id);
        const QImage scaled =
            icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(folder) || !scaled.save(file, "PNG")) {
            std::fprintf(stderr, "rosette-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
