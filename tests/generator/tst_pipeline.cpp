// The colouring pipeline for one pixel: polar form, components, palette value, strip read.

#include "FastColouring.h"
#include "Pipeline.h"
#include "World.h"

#include <QSet>
#include <QTest>
#include <cmath>
#include <numbers>

namespace {

constexpr colour::Value unpainted = colour::rgb(255, 255, 255); // never on a strip (max 252)

// Every strip column gets its own colour, so a read tells which column it came from.
colour::Value columnColour(int column) {
    return colour::rgb(column % 256, column / 256, 99);
}
int columnOf(colour::Value v) {
    return colour::red(v) + 256 * colour::green(v);
}

struct Rig {
    Surface strip{stripWidth, stripHeight};
    Surface canvas{canvasSide, canvasSide, unpainted};
    GeneratorState s;
    Rig() {
        for (int c = 0; c < stripWidth; ++c)
            strip.line(float(c), 0, float(c), float(stripHeight - 1), columnColour(c));
        s.i = 40;
        s.j = 50;
    }
    // tip, barv, f1, f2, n1, n2, n3, n4, komp1, komp2, komp3, baf01, baf02, baf03
    void setParameters(const QList<double>& p) {
        s.tip = float(p[0]), s.barv = float(p[1]), s.f1 = float(p[2]), s.f2 = float(p[3]);
        s.n1 = float(p[4]), s.n2 = float(p[5]), s.n3 = float(p[6]), s.n4 = p[7];
        s.komp1 = float(p[8]), s.komp2 = float(p[9]), s.komp3 = float(p[10]);
        s.baf01 = float(p[11]), s.baf02 = float(p[12]), s.baf03 = float(p[13]);
    }
    colour::Value pixel() const { return canvas.point(float(s.i), float(s.j)); }
};

// Parameters in the drawn ranges under which the formula sets and combinations all differ.
const QList<double> ordinary{1, 1, 10, 8, 15, 20, 6, 0.5, 120, 130, 140, 30, 3, 150};

#if defined(__SANITIZE_ADDRESS__)
constexpr int drawnSets = 24; // the sanitizers make the literal pipeline slow
#else
constexpr int drawnSets = 200;
#endif

// The coordinates of the odd canvas columns and rows, as the sweeps set x and y: the centre's
// column and row (229) and mirror images (458 - j) stay in, and the literal reference takes a
// quarter of the time.
struct CanvasGrid {
    std::vector<double> xs, ys;
    CanvasGrid() {
        GeneratorState settings;
        setStartUpSettings(settings);
        const std::vector<double> columns = columnCoordinates(settings, canvasSide);
        const std::vector<double> rows = rowCoordinates(settings, canvasSide);
        for (std::size_t k = 1; k < columns.size(); k += 2) {
            xs.push_back(columns[k]);
            ys.push_back(rows[k]);
        }
    }
    PixelGrid grid() const { return {xs, ys}; }
};

// Compares the fast and the literal levels of every grid pixel; returns the fast path's count of
// pixels it left to the literal code, or -1 after a failed comparison.
std::int64_t compareLevels(const GeneratorState& s, const PixelGrid& grid,
                           VectorKernel kernel = VectorKernel::best) {
    std::vector<std::int8_t> fast(grid.size(), 99);
    std::vector<std::int8_t> literal(grid.size(), 99);
    const std::int64_t decided = computeLevels(s, grid, fast, true, kernel);
    computeLevelsLiterally(s, grid, literal);
    for (std::size_t k = 0; k < grid.size(); ++k) {
        if (fast[k] != literal[k]) {
            const std::size_t column = k % grid.xs.size();
            const std::size_t row = k / grid.xs.size();
            qWarning("tip %g barv %g: pixel (%zu, %zu) is level %d, the literal code says %d",
                     double(s.tip), double(s.barv), column, row, fast[k], literal[k]);
            return -1;
        }
    }
    return decided;
}

} // namespace

class TestPipeline : public QObject {
    Q_OBJECT

private slots:
    void workedExamples_data();
    void workedExamples();
    void clampAndStripPosition_data();
    void clampAndStripPosition();
    void selectors_data();
    void selectors();
    void logarithmFailureLeavesPixelUnpainted_data();
    void logarithmFailureLeavesPixelUnpainted();
    void centreAndVerticalAxis();
    void wholeNumbersAndExactCombination();
    void fastLevelsMatchLiteral_data();
    void fastLevelsMatchLiteral();
    void fastLevelsMatchLiteralForDrawnParameters();
};

void TestPipeline::workedExamples_data() {
    QTest::addColumn<QList<double>>("parameters");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    // r, fi, re, gr, bl, ba before the clamp, ba, pozic, strip column read
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("set 1, combination 1")
        << QList<double>{1, 1, 6, 0, 10, 10, 0, 0, 100, 100, 100, 0, 0, 0} << 0.5 << 0.0
        << QList<double>{0.5, 0, 4.107573, 128.366219, 100, 232.473791, 232.473791, 115, 125};
    QTest::newRow("set 4, combination 5")
        << QList<double>{4, 5, 8, 6, 20, 10, 5, 0, 0, 130, 140, 0, 0, 150} << 1.0 << 1.0
        << QList<double>{1.414214, 0.785398, -142, 129.354074, 57, -15.279985, 0, 0, 10};
}

void TestPipeline::workedExamples() {
    // Both worked examples of the colouring pipeline match to every printed digit.
    QFETCH(QList<double>, parameters);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QList<double>, expected);
    Rig rig;
    rig.setParameters(parameters);
    rig.s.x = x;
    rig.s.y = y;
    QVERIFY(PlotPoint(rig.s, rig.strip, rig.canvas));
    const double ba = rig.s.ba;
    QVERIFY(CombineComponents(rig.s)); // recomputes ba from the same components, unclamped
    const QList<double> actual{rig.s.r,  rig.s.fi,    rig.s.re,
                               rig.s.gr, rig.s.bl,    rig.s.ba,
                               ba,       rig.s.pozic, double(columnOf(rig.s.barva))};
    const char* names[] = {"r", "fi", "re", "gr", "bl", "raw ba", "ba", "pozic", "column"};
    for (int k = 0; k < expected.size(); ++k)
        QVERIFY2(qAbs(actual[k] - expected[k]) <= 5.001e-7,
                 qPrintable(QStringLiteral("%1 is %2, expected %3")
                                .arg(names[k])
                                .arg(actual[k], 0, 'f', 9)
                                .arg(expected[k], 0, 'f', 6)));
    QCOMPARE(rig.pixel(), rig.s.barva);
}

void TestPipeline::clampAndStripPosition_data() {
    QTest::addColumn<double>("ba");
    QTest::addColumn<double>("clamped");
    QTest::addColumn<double>("pozic");
    QTest::addColumn<int>("column");
    QTest::newRow("9.99") << 9.99 << 9.99 << 0.0 << 10;
    QTest::newRow("10") << 10.0 << 10.0 << 5.0 << 15;
    QTest::newRow("-3") << -3.0 << 0.0 << 0.0 << 10;
    QTest::newRow("669.99") << 669.99 << 669.99 << 330.0 << 340;
    QTest::newRow("670") << 670.0 << 670.0 << 335.0 << 345;
    QTest::newRow("674.9") << 674.9 << 674.9 << 335.0 << 345;
    QTest::newRow("675") << 675.0 << 675.0 << 335.0 << 345;
    QTest::newRow("1e9") << 1e9 << 675.0 << 335.0 << 345;
}

void TestPipeline::clampAndStripPosition() {
    // ba is clamped to 0..675 and picks strip column 10 + 5 * Int(ba / 10), read at row 10.
    QFETCH(double, ba);
    QFETCH(double, clamped);
    QFETCH(double, pozic);
    QFETCH(int, column);
    Rig rig;
    rig.strip.pset(float(column), 9, colour::rgb(1, 1, 1)); // rows other than 10 are not read
    rig.strip.pset(float(column), 11, colour::rgb(2, 2, 2));
    rig.s.ba = ba;
    PlotFromPalette(rig.s, rig.strip, rig.canvas);
    QCOMPARE(rig.s.ba, clamped);
    QCOMPARE(rig.s.pozic, pozic);
    QCOMPARE(rig.s.barva, columnColour(column));
    QCOMPARE(rig.pixel(), columnColour(column));
}

void TestPipeline::selectors_data() {
    QTest::addColumn<bool>("isTip");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("actsAs"); // -1: the pixel fails
    QTest::newRow("tip 0") << true << 0.0 << 1;
    QTest::newRow("tip 5") << true << 5.0 << 1;
    QTest::newRow("tip 6") << true << 6.0 << 1;
    QTest::newRow("tip 255") << true << 255.0 << 1;
    QTest::newRow("tip 2.5 to even") << true << 2.5 << 2;
    QTest::newRow("tip 3.5 to even") << true << 3.5 << 4;
    QTest::newRow("tip -0.5 to zero") << true << -0.5 << 1;
    QTest::newRow("tip -1") << true << -1.0 << -1;
    QTest::newRow("tip 255.5 to 256") << true << 255.5 << -1;
    QTest::newRow("tip 256") << true << 256.0 << -1;
    QTest::newRow("barv 0") << false << 0.0 << 1;
    QTest::newRow("barv 6") << false << 6.0 << 1;
    QTest::newRow("barv 4.5 to even") << false << 4.5 << 4;
    QTest::newRow("barv -1") << false << -1.0 << -1;
    QTest::newRow("barv 256") << false << 256.0 << -1;
}

void TestPipeline::selectors() {
    // A selector is rounded half to even; 0 and 5.. 255 act as 1; outside 0..255 the pixel fails.
    QFETCH(bool, isTip);
    QFETCH(double, value);
    QFETCH(int, actsAs);
    auto prepare = [isTip](Rig& rig, double selector) {
        rig.setParameters(ordinary);
        (isTip ? rig.s.tip : rig.s.barv) = float(selector);
        rig.s.x = 0.7;
        rig.s.y = 0.4;
        rig.s.re = rig.s.gr = rig.s.bl = rig.s.ba = -777; // the previous pixel's values
    };
    Rig rig;
    prepare(rig, value);
    const bool painted = PlotPoint(rig.s, rig.strip, rig.canvas);
    if (actsAs < 0) {
        QVERIFY(!painted);
        QCOMPARE(rig.pixel(), unpainted);
        QCOMPARE(rig.s.ba, -777.0);
        if (isTip)
            QCOMPARE(rig.s.re, -777.0);
        return;
    }
    Rig reference;
    prepare(reference, actsAs);
    QVERIFY(PlotPoint(reference.s, reference.strip, reference.canvas));
    QVERIFY(painted);
    QCOMPARE(rig.s.re, reference.s.re);
    QCOMPARE(rig.s.gr, reference.s.gr);
    QCOMPARE(rig.s.bl, reference.s.bl);
    QCOMPARE(rig.s.ba, reference.s.ba);
    QCOMPARE(rig.pixel(), reference.pixel());
    // The reference itself must depend on the selector, or the comparison proves nothing.
    Rig other;
    prepare(other, actsAs == 1 ? 3 : 1);
    QVERIFY(PlotPoint(other.s, other.strip, other.canvas));
    QVERIFY(other.s.ba != reference.s.ba);
}

void TestPipeline::logarithmFailureLeavesPixelUnpainted_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("n4");
    QTest::addColumn<bool>("painted");
    QTest::newRow("centre") << 0.0 << 0.0 << 0.5 << false;
    QTest::newRow("corner, n4 0.89") << -3.0 << 3.0 << 0.89 << false;
    QTest::newRow("near corner, n4 0.89") << 2.9 << -2.9 << 0.89 << false;
    QTest::newRow("near corner, n4 0.5") << 2.9 << -2.9 << 0.5 << true;
    QTest::newRow("inside, n4 0.89") << 1.0 << 0.0 << 0.89 << true;
}

void TestPipeline::logarithmFailureLeavesPixelUnpainted() {
    // Set 2 with 2 sin(n4 r) <= 0 sets re, nothing after it, and leaves the pixel unpainted.
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, n4);
    QFETCH(bool, painted);
    Rig rig;
    rig.setParameters(ordinary);
    rig.s.tip = 2;
    rig.s.n4 = n4;
    rig.s.x = x;
    rig.s.y = y;
    rig.s.re = 11, rig.s.gr = 22, rig.s.bl = 33, rig.s.ba = 44, rig.s.pozic = 55, rig.s.barva = 66;
    QCOMPARE(PlotPoint(rig.s, rig.strip, rig.canvas), painted);
    QCOMPARE(rig.s.re, 120 * (1 + std::sin(6 * rig.s.r)));
    if (painted) {
        QCOMPARE(rig.pixel(), rig.s.barva);
        QCOMPARE(columnOf(rig.s.barva), int(rig.s.pozic) + 10);
        return;
    }
    QCOMPARE(rig.pixel(), unpainted);
    QCOMPARE(rig.s.gr, 22.0);
    QCOMPARE(rig.s.bl, 33.0);
    QCOMPARE(rig.s.ba, 44.0);
    QCOMPARE(rig.s.pozic, 55.0);
    QCOMPARE(rig.s.barva, 66);
}

void TestPipeline::centreAndVerticalAxis() {
    // The centre has r = fi = 0 (barv 5: ba 0, column 10); on the y axis fi is just inside pi/2.
    Rig rig;
    rig.setParameters(ordinary);
    rig.s.barv = 5;
    rig.s.x = 0;
    rig.s.y = 0;
    QVERIFY(PlotPoint(rig.s, rig.strip, rig.canvas));
    QCOMPARE(rig.s.r, 0.0);
    QCOMPARE(rig.s.fi, 0.0);
    QCOMPARE(rig.s.ba, 0.0);
    QCOMPARE(rig.pixel(), columnColour(10));

    constexpr double halfPi = std::numbers::pi / 2;
    rig.s.y = 1;
    QVERIFY(PlotPoint(rig.s, rig.strip, rig.canvas));
    QVERIFY(rig.s.fi < halfPi && rig.s.fi > halfPi - 1e-5);
    rig.s.y = -1;
    QVERIFY(PlotPoint(rig.s, rig.strip, rig.canvas));
    QVERIFY(rig.s.fi > -halfPi && rig.s.fi < -halfPi + 1e-5);
}

void TestPipeline::wholeNumbersAndExactCombination() {
    // Int floors below zero (set 4: re of -0.49 is -1); combination 4 is exactly 2 (re + bl) + gr.
    Rig rig;
    rig.setParameters(ordinary);
    rig.s.tip = 4;
    rig.s.n1 = 1;
    rig.s.n3 = 3.5f;
    rig.s.f2 = 2; // sin(2 fi) is about -1 at fi = -pi/4
    rig.s.x = 0.1;
    rig.s.y = -0.1;
    QVERIFY(PlotPoint(rig.s, rig.strip, rig.canvas));
    const double product = rig.s.r * 1 * 3.5 * std::sin(2 * rig.s.fi);
    QVERIFY(product > -1 && product < 0);
    QCOMPARE(rig.s.re, -1.0);
    QCOMPARE(rig.s.bl, std::floor(rig.s.bl));

    rig.s.barv = 4;
    rig.s.re = 1.25;
    rig.s.gr = -3.5;
    rig.s.bl = 7;
    QVERIFY(CombineComponents(rig.s));
    QCOMPARE(rig.s.ba, 13.0);
}

void TestPipeline::fastLevelsMatchLiteral_data() {
    QTest::addColumn<QList<double>>("parameters");
    QTest::addColumn<bool>("scattered"); // pixels at arbitrary coordinates instead of the canvas
    for (int tip = 1; tip <= 4; ++tip) {
        for (int barv = 1; barv <= 5; ++barv) {
            QList<double> p = ordinary;
            p[0] = tip;
            p[1] = barv;
            QTest::addRow("set %d, combination %d", tip, barv) << p << false;
        }
    }
    QList<double> p = ordinary;
    p[0] = 2, p[7] = 0.89;
    QTest::newRow("set 2, unpainted corners") << p << false;
    p[1] = 5;
    QTest::newRow("set 2, unpainted corners, combination 5") << p << false;
    p = ordinary;
    p[8] = 100, p[9] = 100, p[10] = 100; // the centre's ba is 400, exactly on a step
    QTest::newRow("centre on a palette step") << p << false;
    p = ordinary;
    p[0] = 0, p[1] = 6;
    QTest::newRow("selectors 0 and 6 behave as 1") << p << false;
    p[0] = 300;
    QTest::newRow("selector beyond 255 fails everywhere") << p << false;
    p = ordinary;
    p[10] = -140, p[1] = 2;
    QTest::newRow("negative komp3, outside the drawn ranges") << p << false;
    p = ordinary;
    p[4] = std::nan("");
    QTest::newRow("a parameter without a value") << p << false;
    for (int tip = 1; tip <= 4; ++tip) {
        QList<double> q = ordinary;
        q[0] = tip;
        q[1] = 6 - tip;
        QTest::addRow("set %d, scattered pixels", tip) << q << true;
    }
}

void TestPipeline::fastLevelsMatchLiteral() {
    // The fast path gives every pixel the level, or the failure, the literal pipeline gives.
    QFETCH(QList<double>, parameters);
    QFETCH(bool, scattered);
    Rig rig;
    rig.setParameters(parameters);
    CanvasGrid canvas;
    std::vector<double> xs = canvas.xs;
    std::vector<double> ys = canvas.ys;
    if (scattered) {
        // Not a mirror in sight, the axes and the centre included, and a grid small enough to
        // be worked out without the thread pool.
        xs.resize(97);
        ys.resize(131);
        Random random(17.0f);
        for (double& x : xs)
            x = random.next() * 6.0 - 3.0;
        for (double& y : ys)
            y = random.next() * 6.5 - 3.25;
        xs[0] = 0.0, ys[0] = 0.0, xs[1] = -0.000001;
    }
    QVERIFY(compareLevels(rig.s, PixelGrid{xs, ys}) >= 0);
}

void TestPipeline::fastLevelsMatchLiteralForDrawnParameters() {
    // Over many drawn parameter sets the two paths agree on every canvas pixel, and the fast
    // path hands a small share of pixels, those next to a step, to the literal code. The sets
    // take turns among the vector kernels this processor runs.
    std::vector<VectorKernel> kernels;
    for (const VectorKernel k : {VectorKernel::avx512, VectorKernel::avx2, VectorKernel::baseline})
        if (vectorKernelRuns(k))
            kernels.push_back(k);
    const CanvasGrid canvas;
    const PixelGrid grid = canvas.grid();
    Random random(2024.0f);
    GeneratorState s;
    QSet<int> combinations;
    std::int64_t decided = 0;
    for (int set = 0; set < drawnSets; ++set) {
        std::array<float, parameterCount> draws{};
        for (float& d : draws)
            d = random.next();
        drawParameters(s, draws);
        if (set < 20) { // every combination of formula set and combination formula early on
            s.tip = float(1 + set % 4);
            s.barv = float(1 + set / 4);
        }
        combinations.insert(int(s.tip) * 10 + int(s.barv));
        const std::int64_t left =
            compareLevels(s, grid, kernels[std::size_t(set) % kernels.size()]);
        QVERIFY2(left >= 0, qPrintable(QStringLiteral("parameter set %1").arg(set)));
        decided += left;
    }
    QCOMPARE(combinations.size(), std::min(drawnSets, 20));
    const double share = double(decided) / double(drawnSets) / double(grid.size());
    qInfo("%.3f %% of pixels left to the literal code", 100 * share);
    QVERIFY(share > 0.0 && share < 0.02);
}

QTEST_MAIN(TestPipeline)
#include "tst_pipeline.moc"
