// The drawing operations of one client area: pixels, lines, clearing and text.

#include "Surface.h"

#include <QFontMetrics>
#include <QTest>
#include <limits>

namespace {
constexpr int side = 453; // the canvas's client area
constexpr colour::Value white = colour::rgb(255, 255, 255);
constexpr colour::Value red = colour::rgb(255, 0, 0);
} // namespace

class TestSurface : public QObject {
    Q_OBJECT

private slots:
    void pointReadsBackWhatPSetDrew_data();
    void pointReadsBackWhatPSetDrew();
    void outsideReadsMinusOneAndDrawsNothing_data();
    void outsideReadsMinusOneAndDrawsNothing();
    void verticalLineIncludesEndsAndIsClipped();
    void clsAndBackColorFillTheArea();
    void printDrawsTextWithoutABackgroundBox();
};

void TestSurface::pointReadsBackWhatPSetDrew_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<colour::Value>("colour");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::newRow("black at origin") << 0.0f << 0.0f << colour::black << 0 << 0;
    QTest::newRow("white at last pixel") << 452.0f << 452.0f << white << 452 << 452;
    QTest::newRow("odd channels") << 17.0f << 300.0f << colour::rgb(1, 2, 3) << 17 << 300;
    QTest::newRow("blue only") << 200.0f << 5.0f << colour::rgb(0, 0, 255) << 200 << 5;
    QTest::newRow("fraction names pixel") << 3.7f << 5.2f << colour::rgb(254, 127, 1) << 3 << 5;
    QTest::newRow("just below edge") << 452.99f << 0.999f << colour::rgb(9, 200, 77) << 452 << 0;
}

void TestSurface::pointReadsBackWhatPSetDrew() {
    // Point returns exactly the colour PSet drew, at the pixel the float position falls in.
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(colour::Value, colour);
    QFETCH(int, column);
    QFETCH(int, row);
    Surface s(side, side, colour::rgb(10, 20, 30));
    s.pset(x, y, colour);
    QCOMPARE(s.point(float(column), float(row)), colour);
    QCOMPARE(s.point(x, y), colour);
    // Only that pixel changed.
    Surface reference(side, side, colour::rgb(10, 20, 30));
    reference.pset(float(column), float(row), colour);
    QCOMPARE(s.image(), reference.image());
}

void TestSurface::outsideReadsMinusOneAndDrawsNothing_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("column 453") << 453.0f << 10.0f;
    QTest::newRow("row 453") << 10.0f << 453.0f;
    QTest::newRow("column 458") << 458.0f << 458.0f;
    QTest::newRow("far away") << 1e9f << 1e9f;
    QTest::newRow("column -1") << -1.0f << 10.0f;
    QTest::newRow("row -0.5") << 10.0f << -0.5f;
    QTest::newRow("NaN x") << nan << 10.0f;
    QTest::newRow("NaN y") << 10.0f << nan;
    QTest::newRow("infinite") << inf << -inf;
}

void TestSurface::outsideReadsMinusOneAndDrawsNothing() {
    // Outside the client area Point gives -1 and PSet and Line leave every pixel as it was.
    QFETCH(float, x);
    QFETCH(float, y);
    Surface s(side, side, colour::rgb(40, 50, 60));
    const QImage before = s.image().copy();
    QCOMPARE(s.point(x, y), colour::none);
    s.pset(x, y, red);
    QCOMPARE(s.image(), before);
    s.line(x, y, x, y, red);
    QCOMPARE(s.image(), before);
}

void TestSurface::verticalLineIncludesEndsAndIsClipped() {
    // A vertical line paints both end points and nothing beside it; what lies outside is dropped.
    Surface s(side, side, white);
    s.line(5.0f, 300.0f, 5.0f, 20.0f, red);
    for (int y = 0; y < side; ++y)
        QCOMPARE(s.point(5.0f, float(y)), (y >= 20 && y <= 300) ? red : white);
    for (int y = 0; y < side; ++y) {
        QCOMPARE(s.point(4.0f, float(y)), white);
        QCOMPARE(s.point(6.0f, float(y)), white);
    }

    s.line(7.0f, -50.0f, 7.0f, 1000.0f, red); // runs past both edges
    for (int y = 0; y < side; ++y)
        QCOMPARE(s.point(7.0f, float(y)), red);

    const QImage before = s.image().copy();
    s.line(453.0f, 0.0f, 453.0f, 21.0f, colour::black); // the strip's column 541 case
    s.line(-1.0f, 0.0f, -1.0f, 21.0f, colour::black);
    QCOMPARE(s.image(), before);
}

void TestSurface::clsAndBackColorFillTheArea() {
    // BackColor erases to the new colour; Cls fills with it and moves the text position home.
    const colour::Value grey = colour::rgb(239, 239, 239);
    Surface s(20, 10, colour::black);
    s.setBackColor(grey);
    QCOMPARE(s.backColor(), grey);
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 10; ++y)
            QCOMPARE(s.point(float(x), float(y)), grey);

    s.pset(3, 4, red);
    s.setCurrentX(12.0f);
    s.setCurrentY(7.0f);
    s.cls();
    QImage expected(20, 10, QImage::Format_RGB32);
    expected.fill(colour::toQRgb(grey));
    QCOMPARE(s.image(), expected);
    QCOMPARE(s.currentX(), 0.0f);
    QCOMPARE(s.currentY(), 0.0f);
}

void TestSurface::printDrawsTextWithoutABackgroundBox() {
    // Print marks pixels in its text box only, and pixels between glyphs keep their colour.
    Surface s(300, 80, white); // white is the background a box would be filled with
    for (int x = 0; x < 300; ++x)
        s.line(float(x), 0.0f, float(x), 79.0f, red);
    s.setForeColor(colour::black);
    s.setCurrentX(20.0f);
    s.setCurrentY(15.0f);
    const QString text = QStringLiteral("I I  H  m");
    s.print(text);

    const QFontMetrics metrics(s.font());
    const QRect box(20, 15, metrics.horizontalAdvance(text), metrics.height());
    int changed = 0;
    int untouched = 0;
    for (int x = 0; x < 300; ++x) {
        for (int y = 0; y < 80; ++y) {
            const colour::Value c = s.point(float(x), float(y));
            QVERIFY2(c != white, "a background box was painted");
            const bool near = box.adjusted(-3, -3, 3, 3).contains(x, y);
            if (!near)
                QCOMPARE(c, red);
            else if (c == red)
                ++untouched;
            else
                ++changed;
        }
    }
    QVERIFY2(changed > 20, "the text left no mark");
    QVERIFY2(untouched > box.width() * box.height() / 2, "the text box was filled");
    // The text position moves to the start of the next line.
    QCOMPARE(s.currentX(), 0.0f);
    QCOMPARE(s.currentY(), 15.0f + float(metrics.height()));
}

QTEST_MAIN(TestSurface)
#include "tst_surface.moc"
