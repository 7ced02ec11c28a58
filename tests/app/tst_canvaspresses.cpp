// Colour replacement through the window: presses on the strip pick a colour, presses on the
// canvas repaint every pixel of exactly the pressed colour, with any mouse button; Ctrl+Z takes
// replacements back and Ctrl+Y or Ctrl+Shift+Z make them again.

#include "PickCursor.h"
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

} // namespace

class TestCanvasPresses : public QObject {
    Q_OBJECT

private slots:
    void pressRepaintsEveryPixelOfExactlyThatColour_data();
    void pressRepaintsEveryPixelOfExactlyThatColour();
    void pressBeforeAnyPickPaintsBlack();
    void onePickServesSeveralPresses();
    void pressesOnTheBordersDoNothing();
    void pickShowsOnTheStripAndInTheCursor_data();
    void pickShowsOnTheStripAndInTheCursor();
    void undoAndRedoStepThroughReplacements_data();
    void undoAndRedoStepThroughReplacements();
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

void TestCanvasPresses::pickShowsOnTheStripAndInTheCursor_data() {
    QTest::addColumn<QPoint>("onStrip");
    QTest::newRow("left end") << QPoint(0, 3);
    QTest::newRow("middle") << QPoint(270, 10);
    QTest::newRow("right end") << QPoint(540, 20);
}

void TestCanvasPresses::pickShowsOnTheStripAndInTheCursor() {
    // A pick outlines its column on the strip (black outside, white inside, the column itself
    // showing) and puts the colour in the canvas's cursor and description, painting nothing
    // into the strip or the canvas; before any pick the cursor shows black.
    QFETCH(QPoint, onStrip);
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    const auto swatch = [&w] {
        return w.form.picture1()->cursor().pixmap().toImage().pixel(pickSwatchCentre);
    };
    QCOMPARE(swatch(), qRgb(0, 0, 0));
    QVERIFY(w.form.picture1()->accessibleDescription().contains("RGB(0, 0, 0)"));
    const QImage strip = w.strip();
    const QImage canvas = w.canvas();
    const QRgb picked = strip.pixel(onStrip);
    pressClient(w.form.picture3(), onStrip);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.strip(), strip);
    COMPARE_IMAGES(w.canvas(), canvas);
    QCOMPARE(swatch(), picked);
    const QString rgb =
        QStringLiteral("RGB(%1, %2, %3)").arg(qRed(picked)).arg(qGreen(picked)).arg(qBlue(picked));
    QVERIFY2(w.form.picture1()->accessibleDescription().contains(rgb), qPrintable(rgb));
    QCOMPARE(w.form.picture1()->toolTip(), w.form.picture1()->accessibleDescription());

    // The strip as shown differs from its pixels only in the five columns round the pick.
    PictureBox* box = w.form.picture3();
    const QImage shown =
        box->grab().toImage().copy(box->contentsRect()).convertToFormat(QImage::Format_RGB32);
    QVERIFY(shown != strip);
    for (int x = 0; x < strip.width(); ++x)
        if (std::abs(x - onStrip.x()) > 2 && shown.copy(x, 0, 1, 21) != strip.copy(x, 0, 1, 21))
            QFAIL(qPrintable(QStringLiteral("column %1 is marked").arg(x)));
    // A new strip keeps the marker only where the picked colour still is; the colour stays.
    QVERIFY(clickAndWait(w, 4));
    QVERIFY(w.strip() != strip);
    QCOMPARE(box->marker().has_value(), w.strip().pixel(onStrip) == picked);
    QCOMPARE(swatch(), picked);
}

void TestCanvasPresses::undoAndRedoStepThroughReplacements_data() {
    // moves: a, c press colour A or C; z Ctrl+Z; y Ctrl+Y; Z Ctrl+Shift+Z.
    // shown: the replacements the canvas and the recipe must show, in order.
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("title");
    QTest::newRow("undo once") << "acz"
                               << "a"
                               << "Form1";
    QTest::newRow("undo to the first") << "aczz"
                                       << ""
                                       << "Form1";
    QTest::newRow("undo past the first") << "aczzz"
                                         << ""
                                         << "Form1 \u2014 nothing to undo";
    QTest::newRow("undo, Ctrl+Y") << "aczy"
                                  << "ac"
                                  << "Form1";
    QTest::newRow("undo twice, Ctrl+Shift+Z once") << "aczzZ"
                                                   << "a"
                                                   << "Form1";
    QTest::newRow("redo with nothing taken back") << "acy"
                                                  << "ac"
                                                  << "Form1 \u2014 nothing to redo";
    QTest::newRow("a new press forgets what was taken back") << "aczzcy"
                                                             << "c"
                                                             << "Form1 \u2014 nothing to redo";
}

void TestCanvasPresses::undoAndRedoStepThroughReplacements() {
    // After each undo the canvas is exactly what it was before the replacement taken back, and
    // the image's recipe lists the replacements still shown; redo makes them again exactly.
    QFETCH(QString, moves);
    QFETCH(QString, shown);
    QFETCH(QString, title);
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    paintPattern(w);
    const QRgb picked = w.strip().pixel(onStrip);
    pressClient(w.form.picture3(), onStrip);
    for (const QChar move : moves) {
        if (move == 'a' || move == 'c')
            pressClient(w.form.picture1(), move == 'a' ? inFirstA : inC);
        else
            QTest::keyClick(&w.form, move == 'y' ? Qt::Key_Y : Qt::Key_Z,
                            move == 'Z' ? Qt::ControlModifier | Qt::ShiftModifier
                                        : Qt::ControlModifier);
    }
    QVERIFY(waitIdle(w.controller()));
    QImage expected = pattern();
    std::vector<Replacement> listed;
    for (const QChar r : shown) {
        const QRgb from = r == 'a' ? colourA : colourC;
        expected = replaced(expected, from, picked);
        listed.push_back({colour::fromQRgb(from), colour::fromQRgb(picked)});
    }
    COMPARE_IMAGES(w.canvas(), expected);
    QCOMPARE(w.controller().history().current()->recipe.replacements, listed);
    QCOMPARE(w.form.windowTitle(), title);
}

QTEST_MAIN(TestCanvasPresses)
#include "tst_canvaspresses.moc"
