// Colour replacement through the window: presses on the strip pick a colour, presses on the
// canvas repaint every pixel of exactly the pressed colour, with any mouse button.

#include "WindowTestSupport.h"

namespace {
// A canvas pattern: colour A in two separate squares, a near miss of A in each channel, a third
// colour C in one square, and B everywhere else.
constexpr QRgb colourA = qRgb(200, 100, 50);
constexpr QRgb colourB = qRgb(10, 20, 30);
constexpr QRgb colourC = qRgb(0, 0, 255);
const QList<std::pair<QRect, QRgb>> areas{{{50, 50, 50, 50}, colourA},
                                          {{300, 300, 50, 50}, colourA},
                                          {{150, 150, 10, 10}, qRgb(201, 100, 50)},
                                          {{170, 150, 10, 10}, qRgb(200, 101, 50)},
                                          {{190, 150, 10, 10}, qRgb(200, 100, 49)},
                                          {{50, 300, 50, 50}, colourC}};
const QPoint inFirstA{60, 70};
const QPoint inC{75, 320};
const QPoint onStrip{100, 10};

QImage pattern() {
    QImage image(453, 453, QImage::Format_RGB32);
    image.fill(colourB);
    QPainter painter(&image);
    for (const auto& [area, colour] : areas)
        painter.fillRect(area, QColor(colour));
    return image;
}

// Puts the pattern on the window's canvas (with the image complete).
void paintPattern(TestWindow& w) {
    const QImage image = pattern();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            w.world().canvas.pset(float(x), float(y), colour::fromQRgb(image.pixel(x, y)));
}

QImage replaced(QImage image, QRgb from, QRgb to) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == from)
                image.setPixel(x, y, to);
    return image;
}
} // namespace

class TestCanvasPresses : public QObject {
    Q_OBJECT

private slots:
    void pressRepaintsEveryPixelOfExactlyThatColour_data();
    void pressRepaintsEveryPixelOfExactlyThatColour();
    void pressBeforeAnyPickPaintsBlack();
    void onePickServesSeveralPresses();
    void pressesOnTheBordersDoNothing();
};

void TestCanvasPresses::pressRepaintsEveryPixelOfExactlyThatColour_data() {
    QTest::addColumn<Qt::MouseButton>("pickButton");
    QTest::addColumn<Qt::MouseButton>("pressButton");
    QTest::newRow("left, left") << Qt::LeftButton << Qt::LeftButton;
    QTest::newRow("right, middle") << Qt::RightButton << Qt::MiddleButton;
    QTest::newRow("middle, right") << Qt::MiddleButton << Qt::RightButton;
}

void TestCanvasPresses::pressRepaintsEveryPixelOfExactlyThatColour() {
    // Any button picks on the strip and replaces on the canvas; both separate areas of the
    // pressed colour change, colours one step away in a single channel do not, and the canvas
    // box shows the result.
    QFETCH(Qt::MouseButton, pickButton);
    QFETCH(Qt::MouseButton, pressButton);
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    paintPattern(w);
    COMPARE_IMAGES(w.canvas(), pattern());
    const QRgb picked = w.strip().pixel(onStrip);
    QVERIFY(picked != colourA && picked != colourB && picked != colourC);

    pressClient(w.form.picture3(), onStrip, pickButton);
    pressClient(w.form.picture1(), inFirstA, pressButton);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), replaced(pattern(), colourA, picked));
    QCOMPARE(w.canvas().pixel(320, 320), picked); // the second, separate square
    PictureBox* box = w.form.picture1();
    COMPARE_IMAGES(
        box->grab().toImage().copy(box->contentsRect()).convertToFormat(QImage::Format_RGB32),
        w.canvas());
}

void TestCanvasPresses::pressBeforeAnyPickPaintsBlack() {
    // Before any press on the strip, the picked colour is black.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    paintPattern(w);
    pressClient(w.form.picture1(), inC);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), replaced(pattern(), colourC, qRgb(0, 0, 0)));
}

void TestCanvasPresses::onePickServesSeveralPresses() {
    // One pick serves any number of presses; pressing an already repainted pixel changes nothing.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    paintPattern(w);
    const QRgb picked = w.strip().pixel(onStrip);
    pressClient(w.form.picture3(), onStrip);
    pressClient(w.form.picture1(), inFirstA);
    pressClient(w.form.picture1(), inC);
    QVERIFY(waitIdle(w.controller()));
    const QImage expected = replaced(replaced(pattern(), colourA, picked), colourC, picked);
    COMPARE_IMAGES(w.canvas(), expected);
    pressClient(w.form.picture1(), inFirstA);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), expected);
}

void TestCanvasPresses::pressesOnTheBordersDoNothing() {
    // The 2-pixel borders are not client area: a press there neither picks nor replaces.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    paintPattern(w);
    QTest::mouseClick(w.form.picture3(), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseClick(w.form.picture1(), Qt::LeftButton, {}, QPoint(1, 60));
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), pattern());
    QCOMPARE(w.controller().replacement().color(), colour::black);
    // The client area starts inside the border: client (0, 0) is widget (2, 2).
    QTest::mouseClick(w.form.picture1(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), replaced(pattern(), colourB, qRgb(0, 0, 0)));
}

QTEST_MAIN(TestCanvasPresses)
#include "tst_canvaspresses.moc"
