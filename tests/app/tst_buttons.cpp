// Start-up and the buttons: what each click draws on the canvas, the strip and the type bar,
// checked pixel for pixel against the engine driven without a window.

#include "HelpPanel.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>

namespace {
const QStringList typeNames{
    QString(), QStringLiteral("from left to right"), QStringLiteral("from centre ortogonal"),
    QStringLiteral("random point after point"), QStringLiteral("from order to chaos and back")};
constexpr QRgb panelGrey = qRgb(200, 200, 200);

// Picks the strip colour at `onStrip` and presses the canvas at `onCanvas`.
void pickAndPress(TestWindow& w, QPoint onStrip, QPoint onCanvas) {
    pressClient(w.form.picture3(), onStrip);
    pressClient(w.form.picture1(), onCanvas);
}
} // namespace

class TestButtons : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsBarPaletteAndFirstImage();
    void clickDrawsWhatItsHandlersDraw_data();
    void clickDrawsWhatItsHandlersDraw();
    void generationTypeCyclesAndLeavesNoTrace();
    void helpPaintsThePanelOverTheImage();
    void helpTwiceLeavesTheCanvasAsOnce();
    void closingHelpGivesTheImageBack_data();
    void closingHelpGivesTheImageBack();
    void undoTakesTheHelpPanelOffFirst();
    void keysPressTheFocusedButton_data();
    void keysPressTheFocusedButton();
    void cyclingColoursGivesTheImageBackExactly_data();
    void cyclingColoursGivesTheImageBackExactly();
};

void TestButtons::startUpShowsBarPaletteAndFirstImage() {
    // Form_Load seeds, shows the bar, paints a palette and then draws the first image with type
    // 4: exactly what the engine draws when it runs those steps in that order on its own.
    TestWindow w;
    QSignalSpy idle(&w.controller(), &Controller::idle);
    QVERIFY(w.controller().busy()); // the first image is revealed by the timer, not in Form_Load
    QVERIFY(idle.wait(20000));
    QVERIFY(!w.controller().busy());
    QCOMPARE(w.world().state.nac, std::int16_t(4));
    QCOMPARE(w.world().state.ponovi, std::int16_t(0));
    QCOMPARE(w.world().state.imeslike, QStringLiteral("T20240307090505"));
    COMPARE_IMAGES(barOf(w.controller()),
                   expectedBar(w.controller().windowSurface().font(), typeNames[4]));
    // What the window paints on screen includes the bar.
    COMPARE_IMAGES(w.form.grab().toImage().copy(690, 97, 161, 16), barOf(w.controller()));

    SteppingClock clock;
    World engine(clock);
    engine.seedFromClock();
    setStartUpSettings(engine.state);
    MakePalette(engine);
    GenerateImage(engine);
    COMPARE_IMAGES(w.strip(), engine.strip.image());
    COMPARE_IMAGES(w.canvas(), engine.canvas.image());
    QVERIFY(parameters(w.world().state) == parameters(engine.state));
    QVERIFY(w.strip().pixel(5, 10) != w.strip().pixel(300, 10)); // a strip was painted at all
}

void TestButtons::clickDrawsWhatItsHandlersDraw_data() {
    // clicks: the buttons clicked in turn; handlers: what the engine replays for them.
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("handlers");
    QTest::addColumn<bool>("imageChanges");
    QTest::addColumn<bool>("paletteChanges");
    QTest::addColumn<bool>("parametersChange");
    const QStringList image{"image"};
    QTest::newRow("new img / old palette") << QList<int>{1} << image << true << false << true;
    QTest::newRow("change palette")
        << QList<int>{4} << QStringList{"palette"} << false << true << false;
    QTest::newRow("repeat  image")
        << QList<int>{5} << QStringList{"repeat"} << false << false << false;
    QTest::newRow("new img / new palette")
        << QList<int>{6} << QStringList{"palette", "image"} << true << true << true;
    QTest::newRow("change palette, repeat")
        << QList<int>{4, 5} << QStringList{"palette", "repeat"} << true << true << false;
    QTest::newRow("generation type, repeat")
        << QList<int>{7, 5} << QStringList{"type", "repeat"} << false << false << false;
    QTest::newRow("credits line") << QList<int>{9} << QStringList{} << false << false << false;
    QTest::newRow("title line") << QList<int>{10} << QStringList{} << false << false << false;
}

void TestButtons::clickDrawsWhatItsHandlersDraw() {
    // Each button runs its handlers in the table's order: the canvas, the strip, the parameters
    // and the image name end exactly as the engine leaves them after the same steps.
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, handlers);
    QFETCH(bool, imageChanges);
    QFETCH(bool, paletteChanges);
    QFETCH(bool, parametersChange);
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    ReferenceWorld reference(w);
    const QImage canvasBefore = w.canvas();
    const QImage stripBefore = w.strip();
    const auto parametersBefore = parameters(w.world().state);

    for (int button : clicks)
        QVERIFY(clickAndWait(w, button));
    for (const QString& handler : handlers) {
        if (handler == "image")
            reference.newImage();
        else if (handler == "palette")
            reference.newPalette();
        else if (handler == "repeat")
            reference.repeatImage();
        else if (handler == "type")
            reference.nextType();
    }
    COMPARE_IMAGES(w.canvas(), reference.canvas());
    COMPARE_IMAGES(w.strip(), reference.strip());
    QVERIFY(parameters(w.world().state) == parameters(reference.world().state));
    QCOMPARE(w.world().state.imeslike, reference.world().state.imeslike);
    QCOMPARE(w.world().state.ponovi, std::int16_t(0));
    QCOMPARE(w.canvas() != canvasBefore, imageChanges);
    QCOMPARE(w.strip() != stripBefore, paletteChanges);
    QCOMPARE(parameters(w.world().state) != parametersBefore, parametersChange);
}

void TestButtons::generationTypeCyclesAndLeavesNoTrace() {
    // "generation type" goes 4, 1, 2, 3, 4; each bar shows only the new name (no trace of a
    // longer one), on screen too, and neither the image nor the strip changes.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    const QImage canvas = w.canvas();
    const QImage strip = w.strip();
    const QFont font = w.controller().windowSurface().font();
    for (int expected : {1, 2, 3, 4, 1}) {
        QVERIFY(clickAndWait(w, 7));
        QCOMPARE(w.world().state.nac, std::int16_t(expected));
        COMPARE_IMAGES(barOf(w.controller()), expectedBar(font, typeNames[expected]));
        COMPARE_IMAGES(w.form.grab().toImage().copy(690, 97, 161, 16), barOf(w.controller()));
    }
    COMPARE_IMAGES(w.canvas(), canvas);
    COMPARE_IMAGES(w.strip(), strip);
}

void TestButtons::helpPaintsThePanelOverTheImage() {
    // "help" paints the grey panel (columns 20..430, rows 20..300) and the fourteen lines over
    // the image and nothing else; "repeat  image" then draws the image over it.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    const QImage before = w.canvas();
    const QImage strip = w.strip();
    QVERIFY(clickAndWait(w, 8));
    const QImage panel = w.canvas();

    const QString acknowledgement = helpLines()[12].text;
    QVERIFY(acknowledgement.startsWith(QStringLiteral("thanks")));
    const QList<std::pair<int, QString>> lines{
        {40, "COMMAND BUTTONS"},
        {55, "generation type: select appearance mode"},
        {70, "new img / new palette: new imag egenerated using new palette"},
        {85, "new img / old palette: new image generated using existing palette"},
        {100, "repeat image: generate image using the same parameters"},
        {115, "change palette: select new palette"},
        {130, "save on disk D: save the image as TYearMoDaHoMiSe.jpg"},
        {160, "SUGGESTIONS"},
        {175, "color change: click selected color on palette and click somewhere on image"},
        {190, "non successful color change operation - click repeat image "},
        {205, "automatic slide show - click several times on new img / new palette"},
        {220, "close this help - click repeat image"},
        {250, acknowledgement},
        {265, "*"}};
    QImage expected = before;
    QPainter(&expected).fillRect(QRect(QPoint(20, 20), QPoint(430, 300)), QColor(panelGrey));
    for (const auto& [y, text] : lines)
        printAt(expected, w.world().canvas.font(), QPointF(30, y), text);
    COMPARE_IMAGES(panel, expected);

    QCOMPARE(panel.pixel(20, 20), panelGrey);
    QCOMPARE(panel.pixel(430, 300), panelGrey);
    QCOMPARE(panel.pixel(19, 19), before.pixel(19, 19));
    QCOMPARE(panel.pixel(431, 301), before.pixel(431, 301));
    int ink = 0;
    for (int y = 20; y <= 300; ++y)
        for (int x = 20; x <= 430; ++x)
            ink += panel.pixel(x, y) != panelGrey;
    QVERIFY2(ink > 2000, qPrintable(QString::number(ink)));
    COMPARE_IMAGES(w.strip(), strip);

    ReferenceWorld reference(w);
    QVERIFY(clickAndWait(w, 5));
    reference.repeatImage();
    QVERIFY(w.canvas() != panel);
    COMPARE_IMAGES(w.canvas(), reference.canvas());
}

void TestButtons::helpTwiceLeavesTheCanvasAsOnce() {
    // A second "help" paints the same panel again: the canvas stays as after the first, also
    // where a help line runs past the panel over the image.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 8));
    const QImage once = w.canvas();
    QVERIFY(clickAndWait(w, 8));
    COMPARE_IMAGES(w.canvas(), once);
}

void TestButtons::closingHelpGivesTheImageBack_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("pressOnPanel"); // a replacement made while the panel shows
    QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
    QTest::newRow("F1") << int(Qt::Key_F1) << false;
    QTest::newRow("Esc after a replacement") << int(Qt::Key_Escape) << true;
    QTest::newRow("F1 after a replacement") << int(Qt::Key_F1) << true;
}

void TestButtons::closingHelpGivesTheImageBack() {
    // Esc, or F1 while the panel shows, closes the help panel: the image comes back exactly as
    // before the panel, with the replacements made while it showed made again on it, and
    // Ctrl+Z then takes such a replacement back to that image; F1 shows the panel again.
    QFETCH(int, key);
    QFETCH(bool, pressOnPanel);
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const QPoint onStrip(200, 10);
    const QPoint outsidePanel(440, 440);
    pickAndPress(w, onStrip, QPoint(100, 400)); // an edit from before the panel stays
    QVERIFY(waitIdle(w.controller()));
    const QImage before = w.canvas();
    QVERIFY(clickAndWait(w, 8));
    const QImage panel = w.canvas();
    QVERIFY(panel != before);
    QImage expected = before;
    if (pressOnPanel) {
        pressClient(w.form.picture1(), outsidePanel);
        QVERIFY(waitIdle(w.controller()));
        expected = replaced(before, before.pixel(outsidePanel), w.strip().pixel(onStrip));
        QVERIFY(expected != before);
    }
    QTest::keyClick(&w.form, Qt::Key(key));
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), expected);
    QCOMPARE(w.controller().history().current()->recipe.replacements.size(),
             std::size_t(pressOnPanel ? 2 : 1));
    QTest::keyClick(&w.form, Qt::Key_Escape); // no panel: nothing changes
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), expected);
    if (pressOnPanel) {
        QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(waitIdle(w.controller()));
        COMPARE_IMAGES(w.canvas(), before);
    }
    QTest::keyClick(&w.form, Qt::Key_F1);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), panel);
}

void TestButtons::undoTakesTheHelpPanelOffFirst() {
    // Ctrl+Z with the panel over a replaced image gives the image from before the replacement,
    // panel gone; Ctrl+Y makes the replacement again on it, and Esc then finds no panel.
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const QImage image = w.canvas();
    pickAndPress(w, QPoint(400, 10), QPoint(300, 350));
    QVERIFY(waitIdle(w.controller()));
    const QImage recoloured = w.canvas();
    QVERIFY(recoloured != image);
    QVERIFY(clickAndWait(w, 8));
    QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), image);
    QTest::keyClick(&w.form, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), recoloured);
    QTest::keyClick(&w.form, Qt::Key_Escape);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(w.canvas(), recoloured);
}

void TestButtons::keysPressTheFocusedButton_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void TestButtons::keysPressTheFocusedButton() {
    // With the focus on "new img / old palette", Space, Return and Enter each start a new image.
    QFETCH(int, key);
    QFETCH(int, modifiers);
    TestWindow w;
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(QApplication::focusWidget(), w.form.command(1));
    ReferenceWorld reference(w);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(waitIdle(w.controller()));
    reference.newImage();
    QCOMPARE(w.world().state.imeslike, reference.world().state.imeslike);
    COMPARE_IMAGES(w.canvas(), reference.canvas());
}

void TestButtons::cyclingColoursGivesTheImageBackExactly_data() {
    QTest::addColumn<bool>("help");            // the help panel shows over the image
    QTest::addColumn<QKeyCombination>("stop"); // the key pressed while the colours turn
    QTest::newRow("Ctrl+L again") << false << (Qt::CTRL | Qt::Key_L);
    QTest::newRow("Esc") << false << QKeyCombination(Qt::Key_Escape);
    QTest::newRow("help panel showing, Ctrl+L again") << true << (Qt::CTRL | Qt::Key_L);
    QTest::newRow("Ctrl+S saves the image's own colours") << false << (Qt::CTRL | Qt::Key_S);
}

void TestButtons::cyclingColoursGivesTheImageBackExactly() {
    // Ctrl+L turns the colours of the image and of the strip frame by frame, the help panel's
    // pixels staying as they are; Ctrl+L again or any other key stops it first, so the canvas
    // and the strip are the image's own pixels again, and a save writes those.
    QFETCH(bool, help);
    QFETCH(QKeyCombination, stop);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    if (help)
        QVERIFY(clickAndWait(w, 8));
    const QImage canvas = w.canvas();
    const QImage strip = w.strip();
    QSignalSpy frames(&w.controller(), &Controller::frameWorked);
    QTest::keyClick(w.form.picture3(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(waitIdle(w.controller())); // turning is no command that others wait for
    QVERIFY(QTest::qWaitFor([&frames] { return frames.count() >= 5; }));
    const QImage turning = w.canvas();
    QVERIFY(turning != canvas);
    QVERIFY(w.strip() != strip);
    if (help) {
        const QRect panel(QPoint(20, 20), QPoint(430, 300));
        COMPARE_IMAGES(turning.copy(panel), canvas.copy(panel));
    }

    QTest::keyClick(w.form.picture3(), stop.key(), stop.keyboardModifiers());
    QVERIFY(waitIdle(w.controller()));
    const int shown = int(frames.count());
    QTest::qWait(100); // no more frames
    QCOMPARE(frames.count(), shown);
    COMPARE_IMAGES(w.canvas(), canvas);
    COMPARE_IMAGES(w.strip(), strip);
    const QStringList saved = QDir(pictures.path()).entryList(QDir::Files);
    QCOMPARE(saved.size(), stop == (Qt::CTRL | Qt::Key_S) ? 1 : 0);
    if (!saved.isEmpty())
        COMPARE_IMAGES(
            QImage(pictures.filePath(saved[0]), "BMP").convertToFormat(QImage::Format_RGB32),
            canvas);
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
