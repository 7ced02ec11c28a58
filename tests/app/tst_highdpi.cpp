// The window on a screen scaled by two: the layout keeps its logical places, every image pixel
// covers a 2 x 2 block of exactly its own colour (nothing is smoothed), and saved files keep the
// canvas's own 453 x 453 pixels.

#include "ImageSaver.h"
#include "WindowTestSupport.h"

#include <QTemporaryDir>

class TestHighDpi : public QObject {
    Q_OBJECT

private slots:
    void picturesAreDrawnCrisp_data();
    void picturesAreDrawnCrisp();
    void savedFileKeepsTheCanvasSize();
};

void TestHighDpi::picturesAreDrawnCrisp_data() {
    QTest::addColumn<int>("box"); // 1 the canvas, 3 the palette strip
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("canvas") << 1 << QRect(96, 96, 457, 457);
    QTest::newRow("palette strip") << 3 << QRect(8, 568, 545, 25);
}

void TestHighDpi::picturesAreDrawnCrisp() {
    // Each surface pixel fills the 2 x 2 device pixels it covers with exactly its colour.
    QFETCH(int, box);
    QFETCH(QRect, geometry);
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(w.form.devicePixelRatio(), 2.0);
    PictureBox* picture = box == 1 ? w.form.picture1() : w.form.picture3();
    QCOMPARE(picture->geometry(), geometry);

    const QImage surface = box == 1 ? w.canvas() : w.strip();
    const QImage shown = picture->grab().toImage();
    QCOMPARE(shown.size(), geometry.size() * 2);
    const int border = PictureBox::border;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const QRgb expected = surface.pixel(x, y);
            for (int d = 0; d < 4; ++d) {
                const QPoint device(2 * (x + border) + d % 2, 2 * (y + border) + d / 2);
                if (shown.pixel(device) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is smoothed at (%3, %4)")
                                         .arg(x)
                                         .arg(y)
                                         .arg(device.x())
                                         .arg(device.y())));
            }
        }
    }
}

void TestHighDpi::savedFileKeepsTheCanvasSize() {
    // The saved bitmap holds the canvas's own pixels, whatever the screen's scale.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TestWindow w(folder.path());
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 3));
    const QString path = imagePath(folder.path(), w.world().state.imeslike);
    QImage saved(path, "BMP");
    QCOMPARE(saved.size(), QSize(453, 453));
    COMPARE_IMAGES(saved.convertToFormat(QImage::Format_RGB32), w.canvas());
}

QTEST_MAIN(TestHighDpi)
#include "tst_highdpi.moc"
