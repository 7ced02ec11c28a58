// The queue of user actions while an image builds up over several frames: later actions wait
// until the image is complete and then run one after the other, in the order they were made.

#include "StallWatch.h"
#include "WindowTestSupport.h"
#include "WindowTitle.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

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
    void titleCountsWaitingCommands();
    void escapeFinishesTheImageAtOnce_data();
    void escapeFinishesTheImageAtOnce();
    void closingKeepsAWaitingSave_data();
    void closingKeepsAWaitingSave();
    void finishNowCompletesTheImageAndRunsTheQueue();
    void stallWatchLogsTheEventLoopHeldUp_data();
    void stallWatchLogsTheEventLoopHeldUp();
    void stallWatchWithoutAFileWatchesNothing();
};

namespace {
const QString emDash = QStringLiteral("\u2014");

// Makes the window the active one, so its shortcuts answer.
bool activate(TestWindow& w) {
    w.form.activateWindow();
    return QTest::qWaitForWindowActive(&w.form);
}

// Clicks buttons by number without waiting for anything.
void clickAll(TestWindow& w, const QList<int>& buttons) {
    for (int n : buttons)
        QTest::mouseClick(w.form.command(n), Qt::LeftButton);
}
} // namespace

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

void TestCommandQueue::titleCountsWaitingCommands() {
    // The title says how many commands wait behind the image building up, and is exactly
    // "Form1" again once none waits; a save then names its file for a while.
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Form1"));
    w.controller().setPassDuration(pass);
    clickAll(w, {1});
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Form1")); // one runs, none waits
    clickAll(w, {6});
    QCOMPARE(w.form.windowTitle(), "Form1 " + emDash + " 1 waiting");
    clickAll(w, {7, 3});
    QCOMPARE(w.form.windowTitle(), "Form1 " + emDash + " 3 waiting");
    QVERIFY(waitIdle(w.controller())); // the save is written last
    QCOMPARE(w.form.windowTitle(),
             "Form1 " + emDash + " saved " + w.world().state.imeslike + ".jpg");
    QVERIFY(QTest::qWaitFor([&] { return w.form.windowTitle() == QStringLiteral("Form1"); },
                            int(WindowTitle::savedShown.count()) + 5000));
    QCOMPARE(WindowTitle::text(12, QStringLiteral("T1.jpg")), "Form1 " + emDash + " 12 waiting");
}

void TestCommandQueue::escapeFinishesTheImageAtOnce_data() {
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("afterSave"); // pressed while a save is written, an image behind it
    QTest::newRow("Esc") << false << false;
    QTest::newRow("Shift+Esc") << true << false;
    QTest::newRow("Esc while a save is written") << false << true;
    QTest::newRow("Shift+Esc while a save is written") << true << true;
}

void TestCommandQueue::escapeFinishesTheImageAtOnce() {
    // Esc in the middle of an image shows it complete at once, with the pixels its paced
    // build-up would have ended with; the waiting commands then run. Shift+Esc drops them but
    // the saves. Pressed while a save is written, either finishes the image waiting behind it.
    QFETCH(bool, shift);
    QFETCH(bool, afterSave);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(activate(w));
    w.controller().setPassDuration(pass);
    ReferenceWorld reference(w);
    const QImage strip = w.strip();
    const auto escape = [&] {
        QTest::keyClick(&w.form, Qt::Key_Escape, shift ? Qt::ShiftModifier : Qt::NoModifier);
    };
    if (afterSave) { // saved twice, the second save and a new image waiting behind the first
        const QString first = w.world().state.imeslike + ".jpg";
        QSignalSpy saves(&w.controller(), &Controller::saved);
        clickAll(w, {3});
        QVERIFY(w.controller().saving());
        clickAll(w, {3, 1});
        QCOMPARE(w.controller().waiting(), 2);
        escape();
        reference.newImage();
        COMPARE_IMAGES(w.canvas(), reference.canvas());
        QVERIFY(!w.controller().busy());
        QCOMPARE(saves.size(), 2);
        QCOMPARE(QDir(pictures.path()).entryList(QDir::Files), QStringList{first});
        return;
    }

    clickAll(w, {1});
    QTest::qWait(40);
    clickAll(w, {6, 3, 1});
    reference.newImage();
    QVERIFY(w.canvas() != reference.canvas()); // still building up
    escape();
    const QString name = reference.world().state.imeslike;
    COMPARE_IMAGES(w.canvas(), reference.canvas()); // complete in the same frame
    if (shift) {
        QCOMPARE(w.controller().waiting(), 0);
        QVERIFY(w.controller().saving());
        QVERIFY(waitIdle(w.controller()));
        COMPARE_IMAGES(w.strip(), strip); // "new img / new palette" never ran
        QCOMPARE(QDir(pictures.path()).entryList(QDir::Files), QStringList{name + ".jpg"});
        const QImage saved(QDir(pictures.path()).filePath(name + ".jpg"), "BMP");
        COMPARE_IMAGES(saved.convertToFormat(QImage::Format_RGB32), reference.canvas());
    } else {
        QVERIFY(w.world().state.imeslike != name); // the next image is building up
        QVERIFY(w.controller().busy());
        QCOMPARE(w.controller().waiting(), 2);
        QVERIFY(waitIdle(w.controller()));
        reference.newPalette();
        reference.newImage(); // "new img / new palette", then the save
        const QString saved = reference.world().state.imeslike + ".jpg";
        reference.newImage(); // "new img / old palette"
        COMPARE_IMAGES(w.canvas(), reference.canvas());
        QCOMPARE(QDir(pictures.path()).entryList(QDir::Files), QStringList{saved});
    }
}

void TestCommandQueue::closingKeepsAWaitingSave_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("clicks"); // "new img / new palette" clicks waiting with the save
    QTest::newRow("close button") << "close" << 3;
    QTest::newRow("signal or window gone") << "closeDown" << 3;
    QTest::newRow("close button, 1000 clicks waiting") << "close" << 1000;
}

void TestCommandQueue::closingKeepsAWaitingSave() {
    // Closing while an image builds up, with a save and other commands waiting: the image is
    // finished at once, saved, and the program ends; nothing else runs.
    QFETCH(QString, how);
    QFETCH(int, clicks);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(waitIdle(w.controller()));
    w.controller().setPassDuration(pass);
    ReferenceWorld reference(w);
    const QImage strip = w.strip();
    QSignalSpy exits(&w.controller(), &Controller::exitRequested);

    clickAll(w, {1});
    QTest::qWait(40);
    for (int k = 0; k < clicks; ++k)
        w.controller().post({k == 1 ? Command::Save : Command::NewImageNewPalette, {}});
    QCOMPARE(w.controller().waiting(), clicks);
    if (how == "close")
        QVERIFY(w.form.close());
    else
        w.controller().closeDown();
    QCOMPARE(exits.size(), 1);
    QVERIFY(!w.controller().busy());

    reference.newImage();
    const QString name = reference.world().state.imeslike;
    COMPARE_IMAGES(w.canvas(), reference.canvas());
    COMPARE_IMAGES(w.strip(), strip);
    QCOMPARE(QDir(pictures.path()).entryList(QDir::Files), QStringList{name + ".jpg"});
    const QImage saved(QDir(pictures.path()).filePath(name + ".jpg"), "BMP");
    COMPARE_IMAGES(saved.convertToFormat(QImage::Format_RGB32), reference.canvas());
    w.controller().post({Command::NewImageOldPalette, {}}); // nothing runs after the end
    QVERIFY(!w.controller().busy());
    QCOMPARE(exits.size(), 1);
}

void TestCommandQueue::finishNowCompletesTheImageAndRunsTheQueue() {
    // Finishing the build-up at once gives the complete image a slow reveal would have ended
    // with, and the action waiting behind it runs straight away.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    w.controller().setPassDuration(std::chrono::milliseconds(60000));
    ReferenceWorld reference(w);
    int frames = 0;
    connect(&w.controller(), &Controller::frameWorked, this, [&] { ++frames; });

    QTest::mouseClick(w.form.command(1), Qt::LeftButton);
    QTest::mouseClick(w.form.command(7), Qt::LeftButton); // "generation type" waits its turn
    QVERIFY(QTest::qWaitFor([&] { return frames >= 2; }));
    const int typeBefore = w.world().state.nac;
    QVERIFY(w.controller().reveal().active());
    QVERIFY(w.canvas() != reference.canvas()); // the new image has only begun

    w.controller().reveal().finishNow();
    QVERIFY(!w.controller().busy());
    reference.newImage();
    COMPARE_IMAGES(w.canvas(), reference.canvas());
    QCOMPARE(w.world().state.nac, typeBefore % 4 + 1);
    w.controller().reveal().finishNow(); // nothing left to finish: no change
    COMPARE_IMAGES(w.canvas(), reference.canvas());
}

void TestCommandQueue::stallWatchLogsTheEventLoopHeldUp_data() {
    QTest::addColumn<int>("blockMs");
    QTest::addColumn<bool>("working"); // or asleep, as when the thread waits for the disk
    QTest::newRow("a few frames") << 40 << true;
    QTest::newRow("a long wait") << 300 << true;
    QTest::newRow("asleep") << 200 << false;
}

void TestCommandQueue::stallWatchLogsTheEventLoopHeldUp() {
    // Work or a wait that holds the UI thread up shows in the stall log as one gap at least as
    // long, begun when it began, with the thread's CPU time meanwhile, and in the summary the
    // watch writes when it ends.
    QFETCH(int, blockMs);
    QFETCH(bool, working);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("stalls.log"));
    qint64 began = 0;
    {
        StallWatch watch(path);
        QVERIFY(watch.active());
        QTest::qWait(50); // the ticks run
        began = QDateTime::currentMSecsSinceEpoch();
        QElapsedTimer held;
        held.start();
        if (working)
            while (held.elapsed() < blockMs) {
            }
        else
            QThread::msleep(ulong(blockMs));
        QTest::qWait(50);
        QVERIFY(watch.longestGapMs() >= blockMs);
        qint64 counted = 0;
        for (std::size_t k = 0; k < watch.histogram().size(); ++k)
            if (k == StallWatch::bucketBounds.size() || StallWatch::bucketBounds[k] >= blockMs)
                counted += watch.histogram()[k];
        QVERIFY(counted >= 1);
    }
    QFile log(path);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts);
    const QRegularExpression gap(
        QStringLiteral("^gap (\\d+\\.\\d) start (\\d+) cpu (\\d+\\.\\d)$"));
    bool found = false;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = gap.match(line);
        if (m.hasMatch() && m.captured(1).toDouble() >= blockMs) {
            // The start is the last tick before the work: near its beginning, not its end.
            QVERIFY2(qAbs(m.captured(2).toLongLong() - began) <= blockMs / 2, qPrintable(line));
            // Work keeps the thread on a core for most of the gap (a loaded machine may take
            // the core away for a while); sleep takes next to none.
            const double cpu = m.captured(3).toDouble();
            QVERIFY2(working ? cpu >= blockMs / 8.0 : cpu < blockMs / 8.0, qPrintable(line));
            QVERIFY2(cpu <= m.captured(1).toDouble() + 1, qPrintable(line));
            found = true;
        }
    }
    QVERIFY2(found, qPrintable(lines.join('\n')));
    QVERIFY(!lines.isEmpty());
    const QStringList summary = lines.last().split(' ');
    QCOMPARE(summary.value(0), QStringLiteral("summary"));
    QVERIFY(summary.value(4).toDouble() >= blockMs); // "longest <ms>"
}

void TestCommandQueue::stallWatchWithoutAFileWatchesNothing() {
    // A log that cannot be opened leaves the watch idle rather than failing later.
    StallWatch watch(QStringLiteral("/nonexistent-folder/stalls.log"));
    QVERIFY(!watch.active());
    QTest::qWait(20);
    QCOMPARE(watch.longestGapMs(), 0.0);
}

QTEST_MAIN(TestCommandQueue)
#include "tst_commandqueue.moc"
