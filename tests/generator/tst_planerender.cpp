// Pictures of a recipe at any size: at 453 the canvas itself, scaled views of the same plane,
// the background where the formulas give no value, replacements, smoothing, many threads; and
// their motion: the build-up as the window shows it, the palette turning in a seamless loop.

#include "BuildFrames.h"
#include "CycleFrames.h"
#include "FakeClock.h"
#include "PlaneRender.h"
#include "World.h"

#include <QTest>

namespace {

constexpr colour::Value grey = colour::rgb(239, 239, 239);
constexpr colour::Value marker = colour::rgb(255, 0, 255); // never on a strip (max 252)

// A world at start-up drawing a first image of type 1, or `type` (the canvas starts grey).
struct Drawn {
    explicit Drawn(double seconds, bool formulaSet2 = false, int type = 1)
        : clock(seconds), world(clock) {
        setStartUpSettings(world.state);
        world.state.nac = std::int16_t(type);
        world.seedFromClock();
        MakePalette(world);
        if (formulaSet2) { // the centre and the corners have no value
            GeneratorState& s = world.state;
            s.tip = 2, s.barv = 1, s.f1 = 10, s.f2 = 8, s.n1 = 15, s.n2 = 20, s.n3 = 6;
            s.n4 = 0.89, s.komp1 = 120, s.komp2 = 130, s.komp3 = 140, s.baf01 = 30;
            s.baf02 = 3, s.baf03 = 150, s.ponovi = 1;
        }
        GenerateImage(world);
        recipe = recipeOf(world);
    }
    FakeClock clock;
    World world;
    Recipe recipe;
};

QImage render(PlaneRenderer& renderer, const Recipe& r, int width, int height,
              colour::Value background = grey, int smooth = 1) {
    PlaneRenderer::Options o;
    o.width = width;
    o.height = height;
    o.background = background;
    o.smooth = smooth;
    return renderer.render(r, o);
}

// Empty when `part` equals the canvas from (left, top) every `step` pixels.
QString differenceFromCanvas(const QImage& picture, const QImage& canvas, int left, int top,
                             int step) {
    for (int j = 0; j < canvas.height(); ++j)
        for (int i = 0; i < canvas.width(); ++i) {
            const QRgb p = picture.pixel(left + i * step, top + j * step);
            if (p != canvas.pixel(i, j))
                return QStringLiteral("canvas (%1, %2) is #%3, the picture #%4")
                    .arg(i)
                    .arg(j)
                    .arg(canvas.pixel(i, j) & 0xffffff, 6, 16)
                    .arg(p & 0xffffff, 6, 16);
        }
    return {};
}

} // namespace

class TestPlaneRender : public QObject {
    Q_OBJECT

private slots:
    void canvasCoordinates_data();
    void canvasCoordinates();
    void scaledViewsMatchTheCanvas_data();
    void scaledViewsMatchTheCanvas();
    void backgroundWhereFormulasFail();
    void type4NoiseWhereFormulasFail_data();
    void type4NoiseWhereFormulasFail();
    void replacementsApplyInOrder();
    void smoothingAveragesSamples();
    void threadCountChangesNothing();
    void buildUpIsTheWindowsBuildUp_data();
    void buildUpIsTheWindowsBuildUp();
    void buildUpEndsOnTheStill_data();
    void buildUpEndsOnTheStill();
    void cycleLoopsAndKeepsReplacedColours_data();
    void cycleLoopsAndKeepsReplacedColours();
};

void TestPlaneRender::canvasCoordinates_data() {
    QTest::addColumn<double>("u");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("shorter");
    QTest::addColumn<double>("expected");
    QTest::newRow("canvas size") << 17.0 << 453 << 453 << 17.0;
    QTest::newRow("twice, even pixel") << 34.0 << 906 << 906 << 17.0;
    QTest::newRow("twice, odd pixel") << 35.0 << 906 << 906 << 17.5;
    QTest::newRow("longer side, centred") << 453.0 << 1359 << 453 << 0.0;
    QTest::newRow("longer side, left of the canvas") << 0.0 << 1359 << 453 << -453.0;
    QTest::newRow("one pixel") << 0.0 << 1 << 1 << 0.0;
}

void TestPlaneRender::canvasCoordinates() {
    // Pixel u samples (u - (size - shorter) / 2) * 453 / shorter.
    QFETCH(double, u);
    QFETCH(int, size);
    QFETCH(int, shorter);
    QFETCH(double, expected);
    QCOMPARE(canvasCoordinate(u, size, shorter), expected);
}

void TestPlaneRender::scaledViewsMatchTheCanvas_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("left"); // where canvas pixel (0, 0) is in the picture
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("step"); // the picture's pixels per canvas pixel
    for (double seconds : {100.0, 2000.5, 40000.0}) {
        QTest::addRow("%g s at 453", seconds) << seconds << 453 << 453 << 0 << 0 << 1;
        QTest::addRow("%g s at 906", seconds) << seconds << 906 << 906 << 0 << 0 << 2;
    }
    QTest::newRow("three times") << 7.0 << 1359 << 1359 << 0 << 0 << 3;
    QTest::newRow("wide: more plane left and right") << 8.0 << 1359 << 453 << 453 << 0 << 1;
    QTest::newRow("tall: more plane above and below") << 9.0 << 906 << 1812 << 0 << 453 << 2;
}

void TestPlaneRender::scaledViewsMatchTheCanvas() {
    // A picture of the recipe of a first type-1 image contains the canvas: equal at 453, on
    // every m-th pixel at m x 453, centred on the longer side.
    QFETCH(double, seconds);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, step);
    const Drawn drawn(seconds);
    PlaneRenderer renderer(2);
    const QImage picture = render(renderer, drawn.recipe, width, height);
    QCOMPARE(picture.size(), QSize(width, height));
    QCOMPARE(picture.format(), QImage::Format_RGB32);
    const QString difference =
        differenceFromCanvas(picture, drawn.world.canvas.image(), left, top, step);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestPlaneRender::backgroundWhereFormulasFail() {
    // Formula set 2 leaves the centre and the corners without a value: they show the given
    // background; everything else is the canvas.
    const Drawn drawn(300, true);
    PlaneRenderer renderer;
    const QImage picture = render(renderer, drawn.recipe, 453, 453, marker);
    QCOMPARE(picture.pixel(229, 229), colour::toQRgb(marker));
    QCOMPARE(picture.pixel(0, 0), colour::toQRgb(marker));
    QCOMPARE(picture.pixel(452, 452), colour::toQRgb(marker));
    GeneratorState s = drawn.world.state;
    QCOMPARE(paletteLevelAt(s, 229, 229), -1);
    QVERIFY(paletteLevelAt(s, 200, 229) >= 0);
    const QImage& canvas = drawn.world.canvas.image();
    for (int j = 0; j < 453; ++j)
        for (int i = 0; i < 453; ++i)
            if (picture.pixel(i, j) != colour::toQRgb(marker))
                QCOMPARE(picture.pixel(i, j), canvas.pixel(i, j));
            else
                QCOMPARE(canvas.pixel(i, j), colour::toQRgb(grey));
}

void TestPlaneRender::type4NoiseWhereFormulasFail_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("453: the canvas") << 453 << 453;
    QTest::newRow("906: each cell's noise on four pixels") << 906 << 906;
    QTest::newRow("wide: the background off the canvas") << 1359 << 453;
}

void TestPlaneRender::type4NoiseWhereFormulasFail() {
    // A type-4 image without a value at a pixel shows the noise its first pass left on the
    // canvas cell (floor(i), floor(j)), or the background off the canvas; elsewhere it is the
    // picture of the same parameters drawn in another type.
    QFETCH(int, width);
    QFETCH(int, height);
    const Drawn drawn(300, true, 4);
    PlaneRenderer renderer;
    const QImage picture = render(renderer, drawn.recipe, width, height, marker);
    Recipe ordered = drawn.recipe;
    ordered.generationType = 1;
    const QImage plain = render(renderer, ordered, width, height, marker);
    const QImage noise = noiseCanvas(drawn.recipe, marker);
    if (width == 453 && height == 453) // the canvas as the sweep left it, noise and all
        QCOMPARE(picture, drawn.world.canvas.image());
    const int shorter = std::min(width, height);
    int noisy = 0;
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u) {
            const double i = canvasCoordinate(u, width, shorter);
            const double j = canvasCoordinate(v, height, shorter);
            const bool onCanvas = i >= 0 && j >= 0 && i < 453 && j < 453;
            QRgb want = plain.pixel(u, v);
            if (want == colour::toQRgb(marker) && onCanvas) {
                want = noise.pixel(int(i), int(j));
                ++noisy;
            }
            if (picture.pixel(u, v) != want)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                                     .arg(u)
                                     .arg(v)
                                     .arg(picture.pixel(u, v) & 0xffffff, 6, 16)
                                     .arg(want & 0xffffff, 6, 16)));
        }
    QVERIFY(noisy > 1000);
}

void TestPlaneRender::replacementsApplyInOrder() {
    // Replacements act like presses in their order: a then b turns a into b's colour as well.
    const Drawn drawn(555);
    const colour::Value a = drawn.world.canvas.point(100, 100);
    const colour::Value b = drawn.world.canvas.point(300, 60);
    QVERIFY(a != b);
    Recipe r = drawn.recipe;
    r.replacements = {{a, b}, {b, marker}};
    PlaneRenderer renderer;
    const QImage picture = render(renderer, r, 453, 453);
    const QImage& canvas = drawn.world.canvas.image();
    for (int j = 0; j < 453; ++j)
        for (int i = 0; i < 453; ++i) {
            const colour::Value was = colour::fromQRgb(canvas.pixel(i, j));
            const colour::Value now = colour::fromQRgb(picture.pixel(i, j));
            QCOMPARE(now, (was == a || was == b) ? marker : was);
        }
}

void TestPlaneRender::smoothingAveragesSamples() {
    // With smoothing N, a pixel is the rounded mean of N x N samples around its centre; with 1
    // it is the plain picture.
    const Drawn drawn(777);
    PlaneRenderer renderer;
    QCOMPARE(render(renderer, drawn.recipe, 200, 150, grey, 1),
             render(renderer, drawn.recipe, 200, 150));
    const QImage smooth = render(renderer, drawn.recipe, 200, 150, grey, 2);
    const auto colours = levelColours(drawn.recipe.waves);
    GeneratorState s = drawn.world.state;
    for (const QPoint p : {QPoint(0, 0), QPoint(99, 75), QPoint(150, 20), QPoint(199, 149)}) {
        int sum[3] = {0, 0, 0};
        for (double dy : {-0.25, 0.25})
            for (double dx : {-0.25, 0.25}) {
                const int level = paletteLevelAt(s, canvasCoordinate(p.x() + dx, 200, 150),
                                                 canvasCoordinate(p.y() + dy, 150, 150));
                const colour::Value c = level < 0 ? grey : colours[std::size_t(level)];
                sum[0] += colour::red(c);
                sum[1] += colour::green(c);
                sum[2] += colour::blue(c);
            }
        QCOMPARE(smooth.pixel(p), qRgb((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4));
    }
}

void TestPlaneRender::threadCountChangesNothing() {
    // One worker and several give the same picture, band edges included.
    const Drawn drawn(999);
    PlaneRenderer one(1);
    PlaneRenderer three(3);
    QCOMPARE(render(one, drawn.recipe, 301, 97), render(three, drawn.recipe, 301, 97));
}

QTEST_MAIN(TestPlaneRender)
#include "tst_planerender.moc"

void TestPlaneRender::buildUpIsTheWindowsBuildUp_data() {
    QTest::addColumn<int>("type");
    for (int type = 1; type <= 4; ++type)
        QTest::addRow("type %d", type) << type;
}

void TestPlaneRender::buildUpIsTheWindowsBuildUp() {
    // At 453 x 453, every frame of a build-up is the canvas after as many visits of the window's
    // sweep; formula set 2 leaves pixels without a value, which keep type 4's noise.
    QFETCH(int, type);
    FakeClock clock(400);
    World world(clock);
    setStartUpSettings(world.state);
    world.state.nac = std::int16_t(type);
    world.seedFromClock();
    MakePalette(world);
    GeneratorState& s = world.state;
    s.tip = 2, s.barv = 1, s.f1 = 10, s.f2 = 8, s.n1 = 15, s.n2 = 20, s.n3 = 6;
    s.n4 = 0.89, s.komp1 = 120, s.komp2 = 130, s.komp3 = 140, s.baf01 = 30;
    s.baf02 = 3, s.baf03 = 150, s.ponovi = 1;
    Sweep sweep = beginImage(world);
    PlaneRenderer renderer;
    BuildFrames build(recipeOf(world), PlaneRenderer::Options{}, renderer);
    QVERIFY(build.ok());
    QCOMPARE(build.totalVisits(), sweep.totalVisits());
    const int frames = 7;
    for (int k = 1; k <= frames; ++k) {
        const std::int64_t visits = visitsAtFrame(k, frames, build.totalVisits());
        sweep.advance(visits - sweep.visitsMade());
        QVERIFY2(build.showVisits(visits) == world.canvas.image(), qPrintable(QString::number(k)));
    }
    QCOMPARE(build.showVisits(0), Surface(453, 453, grey).image()); // back to the start
}

void TestPlaneRender::buildUpEndsOnTheStill_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("columns, wide") << 1 << 1001 << 500;
    QTest::newRow("rings, wide") << 2 << 900 << 300;
    QTest::newRow("rings, tall") << 2 << 200 << 640;
    QTest::newRow("random, smaller than the canvas") << 3 << 300 << 301;
    QTest::newRow("noise, wide") << 4 << 1280 << 720;
}

void TestPlaneRender::buildUpEndsOnTheStill() {
    // Every size and shape ends on the still, noise included, and half-way shows part of it.
    QFETCH(int, type);
    QFETCH(int, width);
    QFETCH(int, height);
    const Drawn drawn(301, true, type);
    PlaneRenderer::Options options;
    options.width = width;
    options.height = height;
    PlaneRenderer renderer;
    BuildFrames build(drawn.recipe, options, renderer);
    QVERIFY(build.ok());
    const QImage still = renderer.render(drawn.recipe, options);
    const QImage halfWay = build.showVisits(build.totalVisits() / 2);
    QVERIFY(halfWay != still);
    QCOMPARE(build.showVisits(build.totalVisits()), still);
    // Built on the still the colour cycle rendered, as the show does, it shows the same frames.
    const CycleFrames cycle(drawn.recipe, options, renderer);
    BuildFrames shared(drawn.recipe, options, cycle.still());
    QCOMPARE(shared.showVisits(build.totalVisits() / 2), halfWay);
    QCOMPARE(shared.showVisits(build.totalVisits()), still);
}

void TestPlaneRender::cycleLoopsAndKeepsReplacedColours_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("canvas size") << 453 << 453;
    QTest::newRow("wide, shared out over the cores") << 1280 << 720;
}

void TestPlaneRender::cycleLoopsAndKeepsReplacedColours() {
    // A turn of 0 and a full turn give the picture; between, every colour the palette drew
    // moves except the replaced one, and the pixels without a value keep their colour.
    QFETCH(int, width);
    QFETCH(int, height);
    const Drawn drawn(302, true, 1);
    const colour::Value replaced = drawn.world.canvas.point(300, 60);
    Recipe recipe = drawn.recipe;
    recipe.replacements = {{replaced, marker}};
    PlaneRenderer renderer;
    PlaneRenderer::Options options;
    options.width = width;
    options.height = height;
    CycleFrames cycle(recipe, options, renderer);
    QVERIFY(cycle.ok());
    const QImage still = cycle.still();
    QCOMPARE(cycle.frame(0, 90), still);
    const QImage third = cycle.turned(1.0 / 3);
    int moved = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const QRgb was = still.pixel(i, j);
            if (was == colour::toQRgb(marker) || was == colour::toQRgb(grey))
                QCOMPARE(third.pixel(i, j), was);
            else
                moved += third.pixel(i, j) != was;
        }
    QVERIFY(moved > width * height / 2);
    QCOMPARE(cycle.turned(1.0), still); // every pixel that moved has come back
}
