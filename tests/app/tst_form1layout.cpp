// The window's layout: every control at its place with its caption, the picture boxes' client
// areas, the keyboard order, and a font small enough for the buttons and the type bar.

#include "WindowTestSupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QStyleOptionButton>

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

    QList<QRect> before;
    for (const QWidget* child : w.form.findChildren<QWidget*>())
        before << child->geometry();
    w.form.resize(300, 200);
    QTest::qWait(20);
    w.form.resize(851, 641);
    QList<QRect> after;
    for (const QWidget* child : w.form.findChildren<QWidget*>())
        after << child->geometry();
    QCOMPARE(after, before);
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

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
