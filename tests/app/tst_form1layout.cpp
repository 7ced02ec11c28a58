// The window's layout: every control at its place with its caption, the picture boxes' client
// areas, the keyboard order and the ring round the focused control, a font small enough for the
// buttons and the type bar (with or without DejaVu Sans Condensed), names for screen readers,
// the buttons' keys and tooltips, and a window that fits and scrolls on a screen smaller than
// the layout.

#include "CommandTable.h"
#include "FocusRing.h"
#include "PlaneRender.h"
#include "Show.h"
#include "UiFont.h"
#include "WindowTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontMetrics>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTemporaryDir>

namespace {

// The twelve controls that take the focus, in the table's order.
QList<QWidget*> controls(TestWindow& w) {
    QList<QWidget*> all{w.form.picture1(), w.form.picture3()};
    for (int n = 1; n <= 10; ++n)
        all << w.form.command(n);
    return all;
}

// Where each control sits in the window's client area.
QList<QRect> places(TestWindow& w) {
    QList<QRect> found;
    for (const QWidget* control : controls(w))
        found << QRect(control->mapTo(&w.form, QPoint(0, 0)), control->size());
    return found;
}

// Every object in the accessibility tree below `node`.
void collectAccessible(QAccessibleInterface* node, QList<QObject*>& found) {
    for (int k = 0; k < node->childCount(); ++k)
        if (QAccessibleInterface* child = node->child(k)) {
            found << child->object();
            collectAccessible(child, found);
        }
}

} // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT

private slots:
    void buttonsSitAtTheirPlaces_data();
    void buttonsSitAtTheirPlaces();
    void pictureBoxesHaveSunkenBordersAndClientAreas_data();
    void pictureBoxesHaveSunkenBordersAndClientAreas();
    void windowShowsTheWholeLayoutAndResizingMovesNothing();
    void tabMovesThroughTheTableOrder();
    void longestTypeNameFitsTheBar();
    void everyCaptionFitsItsButton();
    void fallbackFontStillFits_data();
    void fallbackFontStillFits();
    void everyControlHasAnAccessibleNameAndDescription();
    void windowOpensInsideASmallScreen_data();
    void windowOpensInsideASmallScreen();
    void shortcutsPressButtonsWithoutChangingCaptions();
    void buttonKeysDoWhatClicksDo_data();
    void buttonKeysDoWhatClicksDo();
    void focusRingFollowsTheTabKey();
    void commandMenuListsEveryCommand_data();
    void commandMenuListsEveryCommand();
    void copyPutsTheCanvasOnTheClipboard();
    void fullScreenShowFillsTheScreenUntilLeft_data();
    void fullScreenShowFillsTheScreenUntilLeft();
};

void TestForm1Layout::buttonsSitAtTheirPlaces_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Command1") << 1 << "new img / old palette" << QRect(568, 144, 121, 17);
    QTest::newRow("Command2") << 2 << "exit" << QRect(632, 240, 57, 17);
    QTest::newRow("Command3") << 3 << "save on disk D:" << QRect(568, 216, 121, 17);
    QTest::newRow("Command4") << 4 << "change palette" << QRect(568, 192, 121, 17);
    QTest::newRow("Command5") << 5 << "repeat  image" << QRect(568, 168, 121, 17);
    QTest::newRow("Command6") << 6 << "new img / new palette" << QRect(568, 120, 121, 17);
    QTest::newRow("Command7") << 7 << "generation type" << QRect(568, 96, 121, 17);
    QTest::newRow("Command8") << 8 << "help" << QRect(568, 240, 57, 17);
    QTest::newRow("Command9") << 9 << "" << QRect(8, 616, 545, 25);
    QTest::newRow("Command10") << 10 << "ROSETTE" << QRect(176, 48, 297, 25);
}

void TestForm1Layout::buttonsSitAtTheirPlaces() {
    // Each button has its outer rectangle and exact caption, and is an ordinary push button.
    QFETCH(int, number);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    TestWindow w;
    const QPushButton* button = w.form.command(number);
    QCOMPARE(button->geometry(), geometry);
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    QVERIFY(!button->isDefault());
    if (number == 9) {
        // The credits line: our own title, a web address and a mail address.
        static const QRegularExpression credits(
            QStringLiteral(R"(^Rosette - generative polar art\s+https?://\S+\s+\S+@\S+\.\S+$)"));
        QVERIFY2(credits.match(button->text()).hasMatch(), qPrintable(button->text()));
    } else {
        QCOMPARE(button->text(), caption);
    }
}

void TestForm1Layout::pictureBoxesHaveSunkenBordersAndClientAreas_data() {
    QTest::addColumn<bool>("canvas");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QSize>("client");
    QTest::newRow("Picture1") << true << QRect(96, 96, 457, 457) << QSize(453, 453);
    QTest::newRow("Picture3") << false << QRect(8, 568, 545, 25) << QSize(541, 21);
}

void TestForm1Layout::pictureBoxesHaveSunkenBordersAndClientAreas() {
    // The boxes have a sunken 2-pixel border; the client area inside it matches the surface.
    QFETCH(bool, canvas);
    QFETCH(QRect, geometry);
    QFETCH(QSize, client);
    TestWindow w;
    const PictureBox* box = canvas ? w.form.picture1() : w.form.picture3();
    QCOMPARE(box->geometry(), geometry);
    QCOMPARE(box->contentsRect(), QRect(QPoint(2, 2), client));
    QCOMPARE(box->frameShadow(), QFrame::Sunken);
    QCOMPARE((canvas ? w.world().canvas : w.world().strip).image().size(), client);
    // The save buffer is never shown: the window has exactly two picture boxes.
    QCOMPARE(w.form.findChildren<PictureBox*>().size(), 2);
}

void TestForm1Layout::windowShowsTheWholeLayoutAndResizingMovesNothing() {
    // "Form1" opens large enough for the 851 x 641 layout on black; resizing moves nothing.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Form1"));
    QVERIFY(w.form.width() >= 851 && w.form.height() >= 641);
    const QImage shown = w.form.grab().toImage();
    QCOMPARE(shown.pixel(20, 20), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(560, 400), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(850, 640), qRgb(0, 0, 0));

    const QList<QRect> before = places(w);
    QCOMPARE(before.at(0), QRect(96, 96, 457, 457));
    QVERIFY(!w.form.scrollArea()->horizontalScrollBar()->isVisible());
    QVERIFY(!w.form.scrollArea()->verticalScrollBar()->isVisible());
    w.form.resize(300, 200);
    QTest::qWait(20);
    // Smaller than the layout: scroll bars appear and reach its right and lower edges.
    QScrollArea* scroll = w.form.scrollArea();
    QVERIFY(scroll->horizontalScrollBar()->isVisible());
    QVERIFY(scroll->verticalScrollBar()->isVisible());
    QCOMPARE(scroll->horizontalScrollBar()->maximum(), 851 - scroll->viewport()->width());
    QCOMPARE(scroll->verticalScrollBar()->maximum(), 641 - scroll->viewport()->height());
    w.form.resize(851, 641);
    QTest::qWait(20);
    QCOMPARE(places(w), before);
}

void TestForm1Layout::tabMovesThroughTheTableOrder() {
    // Focus starts on Command1; Tab visits the controls in the table's order and wraps round.
    TestWindow w;
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QWidget* const expected[] = {w.form.command(1), w.form.command(2), w.form.picture1(),
                                 w.form.command(3), w.form.picture3(), w.form.command(4),
                                 w.form.command(5), w.form.command(6), w.form.command(7),
                                 w.form.command(8), w.form.command(9), w.form.command(10),
                                 w.form.command(1)};
    QCOMPARE(QApplication::focusWidget(), expected[0]);
    for (std::size_t k = 1; k < std::size(expected); ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() == expected[k], qPrintable(QString::number(k)));
    }
}

void TestForm1Layout::longestTypeNameFitsTheBar() {
    // "from order to chaos and back", printed from (700, 98) in the window's own font, stays
    // inside the bar (x up to 850, y up to 112), so the next bar covers it completely.
    TestWindow w;
    const QFont font = w.controller().windowSurface().font();
    const QString longest = QStringLiteral("from order to chaos and back");
    const QFontMetrics metrics(font);
    QVERIFY2(700 + metrics.horizontalAdvance(longest) <= 851,
             qPrintable(QString::number(metrics.horizontalAdvance(longest))));
    QVERIFY2(98 + metrics.height() <= 113, qPrintable(QString::number(metrics.height())));

    // The ink actually printed stays inside the bar too.
    Surface window(851 + 20, 641);
    window.setFont(font);
    window.setForeColor(colour::rgb(255, 255, 255));
    window.setCurrentX(700);
    window.setCurrentY(98);
    window.print(longest);
    int ink = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x)
            if (window.point(float(x), float(y)) != colour::black) {
                ++ink;
                QVERIFY2(x >= 700 && x <= 850 && y >= 98 && y <= 112,
                         qPrintable(QStringLiteral("ink at (%1, %2)").arg(x).arg(y)));
            }
    QVERIFY(ink > 100);
}

void TestForm1Layout::everyCaptionFitsItsButton() {
    // Each caption, in the font the button uses, fits inside the button's label area.
    TestWindow w;
    for (int n = 1; n <= 10; ++n) {
        const QPushButton* button = w.form.command(n);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect label =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QFontMetrics metrics(button->font());
        const QRect ink = metrics.tightBoundingRect(button->text());
        QVERIFY2(metrics.horizontalAdvance(button->text()) <= label.width() &&
                     ink.height() <= label.height(),
                 qPrintable(QStringLiteral("%1: text %2x%3 in %4x%5")
                                .arg(button->text())
                                .arg(metrics.horizontalAdvance(button->text()))
                                .arg(ink.height())
                                .arg(label.width())
                                .arg(label.height())));
    }
}

void TestForm1Layout::fallbackFontStillFits_data() {
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<bool>("keepsFirst");
    QTest::newRow("DejaVu Sans Condensed") << QStringList{"DejaVu Sans Condensed"} << true;
    QTest::newRow("only the wider DejaVu Sans") << QStringList{"DejaVu Sans"} << false;
    QTest::newRow("only a family that is not installed")
        << QStringList{"No Such Family Anywhere"} << false;
}

void TestForm1Layout::fallbackFontStillFits() {
    // Whatever families are installed, the font chosen fits the longest type name into the bar
    // and every caption into its button's label area; DejaVu Sans Condensed stays at 11 pixels.
    QFETCH(QStringList, families);
    QFETCH(bool, keepsFirst);
    const QFont font = fittingUiFont(families);
    if (keepsFirst) {
        QCOMPARE(QFontInfo(font).family(), families.first());
        QCOMPARE(font.pixelSize(), 11);
    }
    const QFontMetrics metrics(font);
    for (const char* name : {"from order to chaos and back", "from centre ortogonal",
                             "random point after point", "from left to right"})
        QVERIFY2(700 + metrics.horizontalAdvance(QString::fromLatin1(name)) <= 851, name);
    QVERIFY(98 + metrics.height() <= 113);
    TestWindow w;
    for (int n = 1; n <= 10; ++n) {
        const QPushButton* button = w.form.command(n);
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect label =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        QVERIFY2(metrics.horizontalAdvance(button->text()) <= label.width(),
                 qPrintable(QStringLiteral("%1 in %2 pixels at %3 px %4")
                                .arg(button->text())
                                .arg(label.width())
                                .arg(font.pixelSize())
                                .arg(QFontInfo(font).family())));
    }
}

void TestForm1Layout::everyControlHasAnAccessibleNameAndDescription() {
    // The accessibility tree of the window lists every control with its own name and a
    // description of what pressing it does; the type button also says the current type.
    TestWindow w;
    QVERIFY(waitIdle(w.controller()));
    QList<QObject*> tree;
    collectAccessible(QAccessible::queryAccessibleInterface(&w.form), tree);
    QStringList names;
    for (QWidget* control : controls(w)) {
        QVERIFY2(tree.contains(control), qPrintable(control->accessibleName()));
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(control);
        QVERIFY(node);
        const QString name = node->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty() && !names.contains(name), qPrintable(name));
        QVERIFY2(node->text(QAccessible::Description).size() > 10, qPrintable(name));
        names << name;
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(w.form.picture3())->text(QAccessible::Name),
             QStringLiteral("Palette strip"));
    QVERIFY(w.form.command(7)->accessibleDescription().endsWith(
        QStringLiteral("from order to chaos and back.")));
    QVERIFY(clickAndWait(w, 7));
    QVERIFY(
        w.form.command(7)->accessibleDescription().endsWith(QStringLiteral("from left to right.")));
}

void TestForm1Layout::windowOpensInsideASmallScreen_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QMargins>("frame");
    QTest::newRow("1024 x 768 at a scale of 1.5, panel on top")
        << QRect(0, 18, 683, 494) << QMargins(2, 24, 2, 2);
    QTest::newRow("800 x 600, panel at the bottom")
        << QRect(0, 0, 800, 568) << QMargins(4, 30, 4, 4);
    QTest::newRow("second screen to the right") << QRect(1920, 0, 800, 600) << QMargins();
    QTest::newRow("large screen") << QRect(0, 0, 1920, 1050) << QMargins(4, 30, 4, 4);
}

void TestForm1Layout::windowOpensInsideASmallScreen() {
    // The window with its frame opens inside the available area (title bar on screen) and shows
    // as much of the layout as fits; a window of that size scrolls to every control.
    QFETCH(QRect, available);
    QFETCH(QMargins, frame);
    const QRect client = Form1::openingGeometry(available, frame);
    const QSize layout(851, 641);
    QVERIFY(available.contains(client.marginsAdded(frame)));
    QCOMPARE(client.size(), layout.boundedTo(available.size().shrunkBy(frame)));
    if (client.size() != layout)
        QCOMPARE(client.marginsAdded(frame).topLeft(), available.topLeft());

    TestWindow w;
    w.form.resize(client.size());
    QTest::qWait(20);
    QScrollArea* scroll = w.form.scrollArea();
    for (QWidget* control : controls(w)) {
        scroll->ensureWidgetVisible(control, 0, 0);
        const QRect shown(control->mapTo(scroll->viewport(), QPoint(0, 0)), control->size());
        // All of it in view, or as much as the view holds where the control is larger.
        const QRect view = scroll->viewport()->rect();
        QVERIFY2((shown & view).size() == shown.size().boundedTo(view.size()),
                 qPrintable(control->accessibleName()));
    }
}

void TestForm1Layout::shortcutsPressButtonsWithoutChangingCaptions() {
    // F1 paints what "help" paints, Ctrl+S saves as "save on disk D:" does and Ctrl+Q closes the
    // window, with the focus anywhere in it; the captions carry no shortcut marks.
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const QImage before = w.canvas();
    QTest::keyClick(w.form.picture1(), Qt::Key_F1);
    QVERIFY(waitIdle(w.controller()));
    const QImage withHelp = w.canvas();
    QVERIFY(withHelp != before);
    QVERIFY(clickAndWait(w, 8));
    COMPARE_IMAGES(w.canvas(), withHelp);

    QVERIFY(QDir(pictures.path()).isEmpty());
    QTest::keyClick(w.form.command(4), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(QDir(pictures.path()).entryList(QDir::Files).size(), 1);
    for (int n = 1; n <= 10; ++n)
        QVERIFY(!w.form.command(n)->text().contains(QLatin1Char('&')));

    // Ctrl+Q closes the window as its close button does.
    QTest::keyClick(w.form.command(1), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(QTest::qWaitFor([&w] { return !w.form.isVisible(); }, 2000));
}

void TestForm1Layout::buttonKeysDoWhatClicksDo_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<QString>("keyName");
    QTest::newRow("new img / old palette") << 1 << (Qt::CTRL | Qt::Key_N) << "Ctrl+N";
    QTest::newRow("change palette") << 4 << (Qt::CTRL | Qt::Key_P) << "Ctrl+P";
    QTest::newRow("repeat  image") << 5 << (Qt::CTRL | Qt::Key_R) << "Ctrl+R";
    QTest::newRow("new img / new palette")
        << 6 << (Qt::CTRL | Qt::SHIFT | Qt::Key_N) << "Ctrl+Shift+N";
    QTest::newRow("generation type") << 7 << (Qt::CTRL | Qt::Key_T) << "Ctrl+T";
    QTest::newRow("help") << 8 << QKeyCombination(Qt::Key_F1) << "F1";
    QTest::newRow("save on disk D:") << 3 << (Qt::CTRL | Qt::Key_S) << "Ctrl+S";
}

void TestForm1Layout::buttonKeysDoWhatClicksDo() {
    // A button's key, pressed with the focus anywhere, draws what a click on the button draws in
    // a twin window; the button's tooltip is its description followed by the key's name.
    QFETCH(int, number);
    QFETCH(QKeyCombination, keys);
    QFETCH(QString, keyName);
    QTemporaryDir keyed;
    QTemporaryDir clicked;
    TestWindow w(keyed.path());
    TestWindow twin(clicked.path());
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(waitIdle(twin.controller()));
    QTest::keyClick(w.form.picture3(), keys.key(), keys.keyboardModifiers());
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(twin, number));
    COMPARE_IMAGES(w.canvas(), twin.canvas());
    COMPARE_IMAGES(w.strip(), twin.strip());
    COMPARE_IMAGES(barOf(w.controller()), barOf(twin.controller()));
    QCOMPARE(w.world().state.imeslike, twin.world().state.imeslike);
    QCOMPARE(QDir(keyed.path()).entryList(QDir::Files),
             QDir(clicked.path()).entryList(QDir::Files));
    const QPushButton* button = w.form.command(number);
    QCOMPARE(button->toolTip(),
             QStringLiteral("%1 (%2)").arg(button->accessibleDescription(), keyName));
}

void TestForm1Layout::focusRingFollowsTheTabKey() {
    // At every Tab stop the window shows a ring in the highlight colour with a white edge just
    // outside the focused control, and no ring round the control focused before.
    TestWindow w;
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const QRgb highlight = w.form.focusRing()->palette().color(QPalette::Highlight).rgb();
    // The ring's pixels left of and above the middle of a control's left and upper edges.
    const auto ringAt = [&w](const QImage& shot, const QWidget* control, int outside) {
        const QRect r(control->mapTo(&w.form, QPoint(0, 0)), control->size());
        return std::pair{shot.pixel(r.left() - outside, r.center().y()),
                         shot.pixel(r.center().x(), r.top() - outside)};
    };
    QWidget* previous = nullptr;
    for (int stop = 0; stop < 12; ++stop) {
        QWidget* focused = QApplication::focusWidget();
        QCOMPARE(w.form.focusRing()->ringed(), focused);
        const QImage shot = w.form.grab().toImage();
        const QString name = focused->accessibleName();
        for (const int outside : {1, 2})
            QVERIFY2(ringAt(shot, focused, outside) == std::pair(highlight, highlight),
                     qPrintable(name));
        QVERIFY2(ringAt(shot, focused, 3).first == qRgb(255, 255, 255), qPrintable(name));
        if (previous)
            QVERIFY2(ringAt(shot, previous, 2).first != highlight,
                     qPrintable(previous->accessibleName()));
        previous = focused;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    // A click moves the focus without a ring.
    QTest::mouseClick(w.form.command(6), Qt::LeftButton);
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(QApplication::focusWidget(), w.form.command(6));
    QVERIFY(!w.form.focusRing()->ringed());
}

void TestForm1Layout::commandMenuListsEveryCommand_data() {
    QTest::addColumn<QString>("how"); // what opens the menu
    QTest::addColumn<bool>("opens");
    QTest::newRow("right press on a button") << "right on button" << true;
    QTest::newRow("right press on the window") << "right on window" << true;
    QTest::newRow("right press on the canvas") << "right on canvas" << false;
    QTest::newRow("right press on the strip") << "right on strip" << false;
    QTest::newRow("menu key on the canvas") << "menu key" << true;
    QTest::newRow("Shift+F10") << "shift+f10" << true;
}

void TestForm1Layout::commandMenuListsEveryCommand() {
    // The menu lists every command with its keys and opens from the keyboard anywhere and with
    // a right press anywhere but on the canvas and the strip (where a right press picks and
    // replaces colours); an entry does what its button does.
    QFETCH(QString, how);
    QFETCH(bool, opens);
    TestWindow w;
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    auto rightPress = [](QWidget* widget) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                widget->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(widget, &event);
    };
    if (how == "right on button")
        rightPress(w.form.command(4));
    else if (how == "right on window")
        rightPress(w.form.command(1)->parentWidget());
    else if (how == "right on canvas")
        rightPress(w.form.picture1());
    else if (how == "right on strip")
        rightPress(w.form.picture3());
    else if (how == "menu key")
        QTest::keyClick(w.form.picture1(), Qt::Key_Menu);
    else
        QTest::keyClick(w.form.picture1(), Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = w.form.findChild<QMenu*>();
    QCOMPARE(menu != nullptr && menu->isVisible(), opens);
    if (!opens)
        return;
    QStringList listed;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            listed << action->text() + ' ' + action->shortcut().toString();
    QStringList expected;
    for (const CommandRow& row : commandTable())
        expected << QString::fromLatin1(row.text) + ' ' + QKeySequence(row.keys[0]).toString();
    QCOMPARE(listed, expected);
    for (const char* entry :
         {"New image, old palette Ctrl+N", "Exit Ctrl+Q", "Save image Ctrl+S",
          "Change palette Ctrl+P", "Repeat image Ctrl+R", "New image, new palette Ctrl+Shift+N",
          "Generation type Ctrl+T", "Help F1", "Previous image Alt+Left", "Next image Alt+Right",
          "Open recipe... Ctrl+O", "Export picture... Ctrl+E", "Gallery Ctrl+G",
          "Copy image Ctrl+C", "Undo colour change Ctrl+Z", "Cycle colours Ctrl+L",
          "Full-screen show F11"})
        QVERIFY2(listed.contains(QString::fromLatin1(entry)), entry);

    ReferenceWorld reference(w);
    const auto entries = menu->actions();
    const auto change = std::find_if(entries.begin(), entries.end(), [](const QAction* a) {
        return a->text() == QLatin1String("Change palette");
    });
    QVERIFY(change != entries.end());
    (*change)->trigger();
    QVERIFY(waitIdle(w.controller()));
    reference.newPalette();
    COMPARE_IMAGES(w.strip(), reference.strip());
}

void TestForm1Layout::copyPutsTheCanvasOnTheClipboard() {
    // Ctrl+C puts the canvas on the clipboard, pixel for pixel, and says so in the title.
    TestWindow w;
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&w.form, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(waitIdle(w.controller()));
    COMPARE_IMAGES(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                   w.canvas());
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Form1 \u2014 image copied"));
}

void TestForm1Layout::fullScreenShowFillsTheScreenUntilLeft_data() {
    QTest::addColumn<bool>("byMenu"); // opened by the menu's entry, not by F11
    QTest::addColumn<int>("leave");   // the key that leaves the show, 0 for a click
    QTest::addColumn<bool>("save");   // Ctrl+S in the show first
    QTest::newRow("F11, Esc") << false << int(Qt::Key_Escape) << false;
    QTest::newRow("menu entry, a click") << true << 0 << false;
    QTest::newRow("F11, Ctrl+S, F11") << false << int(Qt::Key_F11) << true;
}

void TestForm1Layout::fullScreenShowFillsTheScreenUntilLeft() {
    // F11 or the menu's entry opens the show: full screen over the window at the screen's own
    // pixels, the pointer hidden. Its first image is a new image of the window's, on the canvas
    // and in the history as its build-up begins, so Ctrl+S in the show saves it. Esc, F11 or a
    // click leaves the show, and the window shows that image.
    QFETCH(bool, byMenu);
    QFETCH(int, leave);
    QFETCH(bool, save);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const int entries = w.controller().history().size();
    if (!byMenu) {
        QTest::keyClick(w.form.picture3(), Qt::Key_F11);
    } else {
        QTest::keyClick(w.form.picture1(), Qt::Key_Menu);
        const QMenu* menu = w.form.findChild<QMenu*>();
        QVERIFY(menu);
        for (QAction* action : menu->actions())
            if (action->text() == QLatin1String("Full-screen show"))
                action->trigger();
    }
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(QTest::qWaitFor([&w] { return w.form.fullScreenShow(); }));
    Show* show = w.form.fullScreenShow();
    QVERIFY(QTest::qWaitForWindowExposed(show));
    QVERIFY(show->isFullScreen());
    const QScreen* screen = show->screen();
    QCOMPARE(show->geometry(), screen->geometry());
    QCOMPARE(show->frameSize(), screen->geometry().size() * screen->devicePixelRatio());
    QCOMPARE(show->cursor().shape(), Qt::BlankCursor);

    QVERIFY(QTest::qWaitFor([&] { return w.controller().history().size() == entries + 1; }, 60000));
    QCOMPARE(show->stage(), Show::Stage::building);
    const Recipe recipe = w.controller().history().current()->recipe;
    QCOMPARE(recipe.generationType, int(w.world().state.nac));
    QCOMPARE(w.world().state.imeslike, recipe.stem);
    PlaneRenderer renderer;
    PlaneRenderer::Options options;
    options.background = pictureBackground;
    const QImage canvas = w.canvas();
    COMPARE_IMAGES(canvas, renderer.render(recipe, options));
    if (save) {
        QTest::keyClick(show, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(waitIdle(w.controller()));
        QCOMPARE(QDir(pictures.path()).entryList(QDir::Files), QStringList{recipe.stem + ".jpg"});
        COMPARE_IMAGES(QImage(pictures.filePath(recipe.stem + ".jpg"), "BMP")
                           .convertToFormat(QImage::Format_RGB32),
                       canvas);
    }

    if (leave != 0)
        QTest::keyClick(show, Qt::Key(leave));
    else
        QTest::mouseClick(show, Qt::LeftButton, {}, QPoint(300, 200));
    QVERIFY(QTest::qWaitFor([&w] { return !w.form.fullScreenShow(); }));
    QVERIFY(w.form.isVisible());
    COMPARE_IMAGES(w.canvas(), canvas);
    QCOMPARE(w.controller().history().size(), entries + 1);

    // Closed while it opens, the show does not come.
    // The offscreen platform hands the focus to no window when one hides; a desktop gives it on.
    QApplication::setActiveWindow(&w.form);
    QTest::keyClick(w.form.picture3(), Qt::Key_F11);
    QVERIFY(QTest::qWaitFor([show] { return show->opening(); }));
    show->close();
    QTest::qWait(300);
    QVERIFY(!show->isVisible());

    // Opened again, the show starts afresh with a new image.
    QApplication::setActiveWindow(&w.form);
    QTest::keyClick(w.form.picture3(), Qt::Key_F11);
    QVERIFY(QTest::qWaitFor([&] { return w.form.fullScreenShow(); }));
    QVERIFY(QTest::qWaitFor([&] { return w.controller().history().size() == entries + 2; }, 60000));
    QCOMPARE(w.form.fullScreenShow(), show);
    QCOMPARE(show->stage(), Show::Stage::building);
    QTest::keyClick(show, Qt::Key_Escape);
    QVERIFY(QTest::qWaitFor([&w] { return !w.form.fullScreenShow(); }));
}

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
