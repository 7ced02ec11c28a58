// Colour replacement: a press on the strip picks a colour, a press on the canvas repaints every
// pixel of exactly the pressed colour with it.

#include "ColourReplacement.h"

#include <QTest>

namespace {

constexpr int side = 453;
constexpr colour::Value ground = colour::rgb(20, 40, 60);
constexpr colour::Value target = colour::rgb(200, 100, 50);
constexpr colour::Value nearTarget = colour::rgb(201, 100, 50); // one off in red only

colour::Value columnColour(int column) {
    return colour::rgb(column % 256, 7, 99);
}

struct Rig {
    Surface strip{541, 21};
    Surface canvas{side, side, ground};
    Rig() {
        for (int c = 0; c < 541; ++c)
            strip.line(float(c), 0, float(c), 20, columnColour(c));
        // Three separate areas of the target colour, one touching the far corner.
        for (int x = 10; x < 20; ++x)
            canvas.line(float(x), 10, float(x), 19, target);
        for (int x = 300; x < 305; ++x)
            canvas.line(float(x), 200, float(x), 260, target);
        canvas.pset(452, 452, target);
        canvas.pset(100, 100, nearTarget);
    }
    int count(colour::Value c) const {
        int n = 0;
        for (int x = 0; x < side; ++x)
            for (int y = 0; y < side; ++y)
                n += canvas.point(float(x), float(y)) == c;
        return n;
    }
};
constexpr int targetPixels = 100 + 5 * 61 + 1;

} // namespace

class TestColourReplacement : public QObject {
    Q_OBJECT

private slots:
    void pressRepaintsEveryPixelOfThatColour_data();
    void pressRepaintsEveryPixelOfThatColour();
    void beforeAnyPickRepaintsBlack();
    void onePickServesSeveralPresses();
    void pressOffTheStripKeepsEarlierColour_data();
    void pressOffTheStripKeepsEarlierColour();
};

void TestColourReplacement::pressRepaintsEveryPixelOfThatColour_data() {
    QTest::addColumn<QPointF>("press");
    QTest::newRow("first area") << QPointF(12.5, 15.9);
    QTest::newRow("second area") << QPointF(304.0, 260.0);
    QTest::newRow("lone corner pixel") << QPointF(452.7, 452.2);
}

void TestColourReplacement::pressRepaintsEveryPixelOfThatColour() {
    // One press repaints every area of the pressed colour; a colour one off in red stays.
    QFETCH(QPointF, press);
    Rig rig;
    ColourReplacement replacement;
    replacement.pick(rig.strip, 123.6f, 4.2f);
    QCOMPARE(replacement.color(), columnColour(123));
    const int repainted =
        replacement.replace(rig.canvas, 458, 458, float(press.x()), float(press.y()));
    QCOMPARE(repainted, targetPixels);
    QCOMPARE(rig.count(target), 0);
    QCOMPARE(rig.count(columnColour(123)), targetPixels);
    QCOMPARE(rig.canvas.point(100, 100), nearTarget);
    QCOMPARE(rig.count(ground), side * side - targetPixels - 1);
}

void TestColourReplacement::beforeAnyPickRepaintsBlack() {
    // With no pick yet the colour is black.
    Rig rig;
    const ColourReplacement replacement;
    QCOMPARE(replacement.color(), colour::black);
    replacement.replace(rig.canvas, 458, 458, 15, 15);
    QCOMPARE(rig.count(colour::black), targetPixels);
}

void TestColourReplacement::onePickServesSeveralPresses() {
    // One pick serves later presses; pressing the picked colour or off the canvas changes nothing.
    Rig rig;
    ColourReplacement replacement;
    replacement.pick(rig.strip, 40, 10);
    replacement.replace(rig.canvas, 458, 458, 15, 15);
    replacement.replace(rig.canvas, 458, 458, 100, 100);
    QCOMPARE(rig.count(columnColour(40)), targetPixels + 1);

    const QImage before = rig.canvas.image().copy();
    replacement.replace(rig.canvas, 458, 458, 15, 15); // now the picked colour itself
    QCOMPARE(rig.canvas.image(), before);
    QCOMPARE(replacement.replace(rig.canvas, 458, 458, 455, 10), 0);
    QCOMPARE(rig.canvas.image(), before);
}

void TestColourReplacement::pressOffTheStripKeepsEarlierColour_data() {
    QTest::addColumn<QPointF>("press");
    QTest::newRow("right border") << QPointF(541, 10);
    QTest::newRow("left border") << QPointF(-1, 10);
    QTest::newRow("bottom border") << QPointF(30, 21);
}

void TestColourReplacement::pressOffTheStripKeepsEarlierColour() {
    // A press on the strip's border, outside its client area, keeps the colour picked before.
    QFETCH(QPointF, press);
    Rig rig;
    ColourReplacement replacement;
    replacement.pick(rig.strip, 77, 3);
    replacement.pick(rig.strip, float(press.x()), float(press.y()));
    QCOMPARE(replacement.color(), columnColour(77));
}

QTEST_MAIN(TestColourReplacement)
#include "tst_colourreplacement.moc"
