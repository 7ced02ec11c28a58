// The colouring pipeline for one pixel: polar form, components, palette value, strip read.

#include "Pipeline.h"
#include "World.h"

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

QTEST_MAIN(TestPipeline)
#include "tst_pipeline.moc"
