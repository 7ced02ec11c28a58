// The queue of user actions while an image builds up over several frames: later actions wait
// until the image is complete and then run one after the other, in the order they were made.

#include "WindowTestSupport.h"

#include <QSignalSpy>

namespace {
// A pass of visits takes this long, so a type-4 image spans a few dozen frames.
constexpr std::chrono::milliseconds pass{150};
} // namespace

class TestCommandQueue : public QObject {
    Q_OBJECT

private slots:
    void threeClicksGiveThreeImagesInOrder();
    void canvasPressDuringAnImageActsOnTheFinishedImage();
    void exitWaitsForTheImageAndEndsEverything();
};

void TestCommandQueue::threeClicksGiveThreeImagesInOrder() {
    // Three clicks on "new img / new palette" made while an image builds up give three more
    // images, each revealed over several frames after the one before, then one idle signal.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    w.controller().setPassDuration(pass);
    ReferenceWorld reference(w);
    QStringList framesOf; // the image name of every frame drawn
    connect(&w.controller(), &Controller::frameWorked, this,
            [&] { framesOf << w.world().state.imeslike; });
    QSignalSpy idle(&w.controller(), &Controller::idle);

    QTest::mouseClick(w.form.command(1), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return framesOf.size() >= 2; }));
    for (int k = 0; k < 3; ++k)
        QTest::mouseClick(w.form.command(6), Qt::LeftButton);
    QVERIFY(w.controller().busy());
    QCOMPARE(QSet<QString>(framesOf.begin(), framesOf.end()).size(), 1); // still the first image
    QVERIFY(idle.wait(20000));
    QCOMPARE(idle.size(), 1);

    QStringList expectedNames;
    reference.newImage();
    expectedNames << reference.world().state.imeslike;
    for (int k = 0; k < 3; ++k) {
        reference.newPalette();
        reference.newImage();
        expectedNames << reference.world().state.imeslike;
    }
    QStringList shown; // the images in the order the frames showed them, one entry per run
    for (const QString& name : framesOf)
        if (shown.isEmpty() || shown.last() != name)
            shown << name;
    QCOMPARE(shown, expectedNames); // four images, in order, none interrupted by another
    for (const QString& name : expectedNames)
        QVERIFY2(framesOf.count(name) >= 3, qPrintable(name)); // revealed, not drawn at once
    COMPARE_IMAGES(w.canvas(), reference.canvas());
    COMPARE_IMAGES(w.strip(), reference.strip());
}

void TestCommandQueue::canvasPressDuringAnImageActsOnTheFinishedImage() {
    // A pick on the strip and a press on the canvas made during an image wait for it, then
    // recolour the finished image.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    w.controller().setPassDuration(pass);
    ReferenceWorld reference(w);
    const QPoint onStrip{200, 10};
    const QPoint onCanvas{226, 180};

    QTest::mouseClick(w.form.command(1), Qt::LeftButton);
    QTest::qWait(40);
    pressClient(w.form.picture3(), onStrip);
    pressClient(w.form.picture1(), onCanvas);
    QVERIFY(w.controller().busy());
    QCOMPARE(w.controller().replacement().color(), colour::black); // not picked yet
    QVERIFY(waitIdle(w.controller()));

    reference.newImage();
    const QImage finished = reference.canvas();
    reference.pick(onStrip);
    reference.press(onCanvas);
    COMPARE_IMAGES(w.canvas(), reference.canvas());
    QVERIFY(reference.canvas() != finished); // the press did repaint something
    QCOMPARE(w.canvas().pixel(onCanvas), w.strip().pixel(onStrip));
}

void TestCommandQueue::exitWaitsForTheImageAndEndsEverything() {
    // "exit" clicked during an image is acted on once the image is complete; nothing queued
    // after it runs.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    w.controller().setPassDuration(pass);
    ReferenceWorld reference(w);
    const QImage strip = w.strip();
    QImage canvasAtExit;
    connect(&w.controller(), &Controller::exitRequested, this, [&] { canvasAtExit = w.canvas(); });
    QSignalSpy exits(&w.controller(), &Controller::exitRequested);

    QTest::mouseClick(w.form.command(1), Qt::LeftButton);
    QTest::qWait(40);
    QTest::mouseClick(w.form.command(2), Qt::LeftButton);
    QTest::mouseClick(w.form.command(6), Qt::LeftButton);
    QVERIFY(exits.isEmpty());
    QVERIFY(w.controller().busy());
    QVERIFY(exits.wait(20000));

    reference.newImage();
    COMPARE_IMAGES(canvasAtExit, reference.canvas());
    QTest::qWait(3 * pass.count());
    QCOMPARE(exits.size(), 1);
    COMPARE_IMAGES(w.strip(), strip); // "new img / new palette" never ran
    COMPARE_IMAGES(w.canvas(), reference.canvas());
}

QTEST_MAIN(TestCommandQueue)
#include "tst_commandqueue.moc"
