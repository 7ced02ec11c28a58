// Going back and forth through this session's images: Alt+Left and Alt+Right show an earlier
// or later image again at once, complete, with its palette strip, its colour replacements and
// its own name, saying in the title where the user is; a new image is added at the end (but
// "repeat  image" of an unchanged image only renames it), as is a variation put on the canvas;
// the last hundred are kept.

#include "Gallery.h"
#include "History.h"
#include "VariationGrid.h"
#include "VariationsView.h"
#include "WindowTestSupport.h"

#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

namespace {

// What the window showed of one image.
struct Shown {
    QImage canvas;
    QImage strip;
    QString stem;
    Recipe recipe;
};

Shown shown(TestWindow& w) {
    return {w.canvas(), w.strip(), w.world().state.imeslike,
            w.controller().history().current()->recipe};
}

// Empty when the canvas equals `expected` on every pixel the formulas colour (those that are
// the same whatever the background; for type 4 every pixel, its noise included); failing pixels
// must show the canvas's background.
QString differenceOnColouredPixels(const QImage& canvas, const Shown& expected) {
    PlaneRenderer renderer(1);
    PlaneRenderer::Options options;
    options.background = colour::rgb(0, 0, 0);
    const QImage onBlack = renderer.render(expected.recipe, options);
    options.background = colour::rgb(255, 255, 255);
    const QImage onWhite = renderer.render(expected.recipe, options);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const bool coloured = onBlack.pixel(x, y) == onWhite.pixel(x, y);
            const QRgb want =
                coloured ? expected.canvas.pixel(x, y) : colour::toQRgb(pictureBackground);
            if (canvas.pixel(x, y) != want)
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(canvas.pixel(x, y) & 0xffffff, 6, 16)
                    .arg(want & 0xffffff, 6, 16);
        }
    return {};
}

#define COMPARE_SHOWN(window, expected)                                                            \
    do {                                                                                           \
        const QString difference_ = differenceOnColouredPixels((window).canvas(), (expected));     \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                                  \
        QCOMPARE((window).strip(), (expected).strip);                                              \
        QCOMPARE((window).world().state.imeslike, (expected).stem);                                \
        QCOMPARE(recipeOf((window).world()).n4, (expected).recipe.n4);                             \
    } while (false)

[[nodiscard]] bool key(TestWindow& w, Qt::Key k, Qt::KeyboardModifiers m = Qt::AltModifier) {
    QTest::keyClick(&w.form, k, m);
    return waitIdle(w.controller());
}

Recipe recipeNamed(int n) {
    Recipe r;
    r.stem = QStringLiteral("T%1").arg(n);
    return r;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void keepsTheLastHundred();
    void moves_data();
    void moves();
    void altLeftAndAltRightShowImagesAgain_data();
    void altLeftAndAltRightShowImagesAgain();
    void replacementsComeBackWithTheirImage();
    void newImageAfterGoingBackIsAddedAtTheEnd();
    void savingAnEarlierImageUsesItsOwnName_data();
    void savingAnEarlierImageUsesItsOwnName();
    void titleSaysWhereTheUserIs_data();
    void titleSaysWhereTheUserIs();
    void undoReachesBackOnAnImageShownAgain();
    void repeatOfAnUnchangedImageKeepsOneEntry_data();
    void repeatOfAnUnchangedImageKeepsOneEntry();
    void openedImageComesBackAsSaved_data();
    void openedImageComesBackAsSaved();
    void variationChosenByKeysJoinsTheHistory();
};

void TestHistory::keepsTheLastHundred() {
    // 105 images keep the last 100, the newest current; the oldest are forgotten first.
    History h;
    QVERIFY(!h.current());
    QVERIFY(!h.back());
    QVERIFY(!h.forward());
    for (int n = 1; n <= 105; ++n)
        h.add(recipeNamed(n));
    QCOMPARE(h.size(), History::capacity);
    QCOMPARE(h.current()->recipe.stem, QStringLiteral("T105"));
    while (h.back()) {
    }
    QCOMPARE(h.position(), 0);
    QCOMPARE(h.current()->recipe.stem, QStringLiteral("T6"));
}

void TestHistory::moves_data() {
    QTest::addColumn<int>("images");
    QTest::addColumn<QString>("moves"); // b back, f forward, a add a new image
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("size");
    QTest::newRow("back once") << 3 << "b" << 1 << 3;
    QTest::newRow("back past the first") << 2 << "bbb" << 0 << 2;
    QTest::newRow("forward past the last") << 3 << "bff" << 2 << 3;
    QTest::newRow("add after going back") << 3 << "bba" << 3 << 4;
    QTest::newRow("add when full after going back") << 100 << "bbbba" << 99 << 100;
}

void TestHistory::moves() {
    // Back and forward stop at the ends; a new image goes at the end and becomes current.
    QFETCH(int, images);
    QFETCH(QString, moves);
    QFETCH(int, position);
    QFETCH(int, size);
    History h;
    for (int n = 1; n <= images; ++n)
        h.add(recipeNamed(n));
    for (const QChar m : moves) {
        if (m == QLatin1Char('b'))
            h.back();
        else if (m == QLatin1Char('f'))
            h.forward();
        else
            h.add(recipeNamed(1000));
    }
    QCOMPARE(h.position(), position);
    QCOMPARE(h.size(), size);
}

void TestHistory::altLeftAndAltRightShowImagesAgain_data() {
    QTest::addColumn<int>("type"); // of the second and third image
    QTest::newRow("from left to right") << 1;
    QTest::newRow("from order to chaos and back") << 4;
}

void TestHistory::altLeftAndAltRightShowImagesAgain() {
    // After two more images, Alt+Left twice shows the second and then the first image again,
    // complete, with its strip and name; Alt+Right goes forward again; at the ends nothing
    // changes. A type-4 image comes back with its own noise, every pixel as it was shown.
    QFETCH(int, type);
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const Shown first = shown(w); // drawn on opening, in the start-up type 4
    while (w.world().state.nac != type)
        QVERIFY(clickAndWait(w, 7));
    QVERIFY(clickAndWait(w, 6)); // new image, new palette
    const Shown second = shown(w);
    QVERIFY(clickAndWait(w, 6));
    const Shown third = shown(w);
    QVERIFY(first.strip != second.strip);
    QCOMPARE(w.controller().history().size(), 3);

    QVERIFY(key(w, Qt::Key_Left));
    COMPARE_SHOWN(w, second);
    QVERIFY(key(w, Qt::Key_Left));
    COMPARE_SHOWN(w, first);
    QVERIFY(key(w, Qt::Key_Left)); // nothing before the first
    COMPARE_SHOWN(w, first);
    COMPARE_IMAGES(w.canvas(), first.canvas);
    QVERIFY(key(w, Qt::Key_Right));
    COMPARE_SHOWN(w, second);
    QVERIFY(key(w, Qt::Key_Right));
    COMPARE_SHOWN(w, third);
    if (type == 4)
        COMPARE_IMAGES(w.canvas(), third.canvas);
    QVERIFY(key(w, Qt::Key_Right)); // nothing after the last
    COMPARE_SHOWN(w, third);
    QCOMPARE(w.controller().history().size(), 3);
}

void TestHistory::replacementsComeBackWithTheirImage() {
    // Colour replacements made on an image are part of it when it is shown again, and new ones
    // made on an image shown again are kept with it.
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 1));
    pressClient(w.form.picture3(), QPoint(300, 10));
    pressClient(w.form.picture1(), QPoint(120, 200));
    QVERIFY(waitIdle(w.controller()));
    const Shown recoloured = shown(w);
    QCOMPARE(recoloured.recipe.replacements.size(), std::size_t(1));
    QCOMPARE(recoloured.recipe.replacements[0].put, w.controller().replacement().color());

    QVERIFY(clickAndWait(w, 1));
    QVERIFY(key(w, Qt::Key_Left));
    COMPARE_SHOWN(w, recoloured);
    pressClient(w.form.picture1(), QPoint(60, 400));
    QVERIFY(waitIdle(w.controller()));
    const Shown twice = shown(w);
    QCOMPARE(twice.recipe.replacements.size(), std::size_t(2));
    QVERIFY(key(w, Qt::Key_Right));
    QVERIFY(key(w, Qt::Key_Left));
    COMPARE_SHOWN(w, twice);
}

void TestHistory::newImageAfterGoingBackIsAddedAtTheEnd() {
    // Going back and then making a new image adds it after the newest; going back from it
    // shows the image that was newest before. The new image uses the strip shown.
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const Shown first = shown(w);
    QVERIFY(clickAndWait(w, 6));
    const Shown second = shown(w);
    QVERIFY(key(w, Qt::Key_Left));
    QVERIFY(clickAndWait(w, 1)); // new image, old palette: the first image's strip
    QCOMPARE(w.controller().history().size(), 3);
    QCOMPARE(w.controller().history().position(), 2);
    QCOMPARE(w.strip(), first.strip);
    QVERIFY(w.world().state.imeslike != first.stem);
    QVERIFY(key(w, Qt::Key_Left));
    COMPARE_SHOWN(w, second);
}

void TestHistory::savingAnEarlierImageUsesItsOwnName_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("saved once shown") << "shown";
    QTest::newRow("save pressed at once") << "at once";
    QTest::newRow("save pressed, then the window closed") << "closed";
    QTest::newRow("save pressed, then Shift+Esc") << "dropped";
    QTest::newRow("saved, then the window closed while it is written") << "closed while written";
    QTest::newRow("both saved, each twice, keys pressed at once") << "both";
}

void TestHistory::savingAnEarlierImageUsesItsOwnName() {
    // An image shown again is saved under its own name, with its own recipe beside it in the
    // recipe folder. The first image is of type 4, drawn again on a worker: a save pressed at
    // once waits for it, and closing the window or Shift+Esc then finishes it and saves it.
    QFETCH(QString, how);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const Shown first = shown(w);
    QCOMPARE(first.recipe.generationType, 4);
    QVERIFY(clickAndWait(w, 1));
    const Shown second = shown(w);
    QStringList files{first.stem + QStringLiteral(".jpg")};
    if (how == "shown") {
        QVERIFY(key(w, Qt::Key_Left));
        QVERIFY(clickAndWait(w, 3));
    } else if (how == "closed while written") { // the save waiting behind it writes nothing new
        QVERIFY(key(w, Qt::Key_Left));
        QSignalSpy saves(&w.controller(), &Controller::saved);
        QTest::keyClick(&w.form, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(w.controller().saving());
        QTest::keyClick(&w.form, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(w.form.close());
        QVERIFY(!w.controller().busy());
        QCOMPARE(saves.size(), 1);
    } else if (how == "both") {
        // Each image's saves keep to its own file, the keys pressed while the first is written.
        for (int k : {0, 1, 0, 1}) {
            QTest::keyClick(&w.form, Qt::Key_S, Qt::ControlModifier);
            QTest::keyClick(&w.form, k == 0 ? Qt::Key_Left : Qt::Key_Right, Qt::AltModifier);
        }
        QVERIFY(w.controller().saving());
        QVERIFY(waitIdle(w.controller()));
        files << second.stem + QStringLiteral(".jpg");
        const QImage other(QDir(pictures.path()).filePath(files.last()), "BMP");
        COMPARE_IMAGES(other.convertToFormat(QImage::Format_RGB32), second.canvas);
        Recipe recipe;
        QString error;
        QVERIFY2(readRecipe(QDir(w.controller().recipeFolder()).filePath(second.stem + ".json"),
                            recipe, error),
                 qPrintable(error));
        QCOMPARE(recipe, second.recipe);
    } else {
        QTest::keyClick(&w.form, Qt::Key_Left, Qt::AltModifier);
        QTest::keyClick(&w.form, Qt::Key_S, Qt::ControlModifier);
        if (how == "closed")
            QVERIFY(w.form.close());
        if (how == "dropped") // the save is kept and runs once the picture is in
            QTest::keyClick(&w.form, Qt::Key_Escape, Qt::ShiftModifier);
        QVERIFY(waitIdle(w.controller()));
    }
    files.sort();
    QCOMPARE(QDir(pictures.path()).entryList(QDir::Files), files);
    const QImage saved(QDir(pictures.path()).filePath(first.stem + ".jpg"), "BMP");
    COMPARE_IMAGES(saved.convertToFormat(QImage::Format_RGB32), first.canvas);
    Recipe recipe;
    QString error;
    QVERIFY2(readRecipe(QDir(w.controller().recipeFolder()).filePath(first.stem + ".json"), recipe,
                        error),
             qPrintable(error));
    QCOMPARE(recipe, first.recipe);
}

void TestHistory::titleSaysWhereTheUserIs_data() {
    QTest::addColumn<QString>("moves"); // l Alt+Left, r Alt+Right, with three images
    QTest::addColumn<QString>("title");
    QTest::newRow("back once") << "l"
                               << "Form1 \u2014 image 2 of 3";
    QTest::newRow("back twice") << "ll"
                                << "Form1 \u2014 image 1 of 3";
    QTest::newRow("back past the first") << "lll"
                                         << "Form1 \u2014 no earlier image (image 1 of 3)";
    QTest::newRow("forward past the last") << "r"
                                           << "Form1 \u2014 no later image (image 3 of 3)";
    QTest::newRow("back and forward") << "lr"
                                      << "Form1 \u2014 image 3 of 3";
}

void TestHistory::titleSaysWhereTheUserIs() {
    // Alt+Left and Alt+Right say in the title which image shows, or that there is none further.
    QFETCH(QString, moves);
    QFETCH(QString, title);
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 1));
    QVERIFY(clickAndWait(w, 1));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Form1"));
    for (const QChar m : moves)
        QVERIFY(key(w, m == 'l' ? Qt::Key_Left : Qt::Key_Right));
    QCOMPARE(w.form.windowTitle(), title);
}

void TestHistory::undoReachesBackOnAnImageShownAgain() {
    // On an image shown again, Ctrl+Z takes its replacements back one by one to the image as
    // first drawn, and Ctrl+Y makes them again up to what it showed when shown again.
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const Shown drawn = shown(w);
    pressClient(w.form.picture3(), QPoint(300, 10));
    pressClient(w.form.picture1(), QPoint(120, 200));
    pressClient(w.form.picture3(), QPoint(60, 10));
    pressClient(w.form.picture1(), QPoint(300, 300));
    QVERIFY(waitIdle(w.controller()));
    QCOMPARE(shown(w).recipe.replacements.size(), std::size_t(2));
    QVERIFY(clickAndWait(w, 1));
    QVERIFY(key(w, Qt::Key_Left));
    const QImage again = w.canvas();

    QVERIFY(key(w, Qt::Key_Z, Qt::ControlModifier));
    QCOMPARE(shown(w).recipe.replacements.size(), std::size_t(1));
    QVERIFY(key(w, Qt::Key_Z, Qt::ControlModifier));
    COMPARE_SHOWN(w, drawn);
    QCOMPARE(shown(w).recipe, drawn.recipe);
    QVERIFY(key(w, Qt::Key_Z, Qt::ControlModifier));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Form1 \u2014 nothing to undo"));
    COMPARE_SHOWN(w, drawn);
    QVERIFY(key(w, Qt::Key_Y, Qt::ControlModifier));
    QVERIFY(key(w, Qt::Key_Y, Qt::ControlModifier));
    COMPARE_IMAGES(w.canvas(), again);
    QCOMPARE(shown(w).recipe.replacements.size(), std::size_t(2));
}

void TestHistory::repeatOfAnUnchangedImageKeepsOneEntry_data() {
    QTest::addColumn<QString>("before"); // what is done before "repeat  image"
    QTest::addColumn<bool>("added");
    QTest::newRow("nothing") << "" << false;
    QTest::newRow("a replacement") << "replace" << true;
    QTest::newRow("change palette") << "palette" << true;
    QTest::newRow("generation type") << "type" << true;
}

void TestHistory::repeatOfAnUnchangedImageKeepsOneEntry() {
    // "repeat  image" of an image with nothing changed renames the image's entry instead of
    // adding an identical one, and a save then writes the new name; anything changed adds one.
    QFETCH(QString, before);
    QFETCH(bool, added);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 3)); // saved under the first name
    const QString firstStem = w.world().state.imeslike;
    if (before == "replace") {
        pressClient(w.form.picture1(), QPoint(200, 200));
        QVERIFY(waitIdle(w.controller()));
    } else if (before == "palette") {
        QVERIFY(clickAndWait(w, 4));
    } else if (before == "type") {
        QVERIFY(clickAndWait(w, 7));
    }
    QVERIFY(clickAndWait(w, 5));
    const QString stem = w.world().state.imeslike;
    QVERIFY(stem != firstStem);
    QCOMPARE(w.controller().history().size(), added ? 2 : 1);
    QCOMPARE(w.controller().history().current()->recipe.stem, stem);
    QVERIFY(clickAndWait(w, 3));
    QVERIFY(QFile::exists(QDir(pictures.path()).filePath(stem + ".jpg")));
    QVERIFY(QFile::exists(QDir(pictures.path()).filePath(firstStem + ".jpg")));
}

void TestHistory::openedImageComesBackAsSaved_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("its recipe file") << "file";
    QTest::newRow("its stem") << "stem";
    QTest::newRow("its saved image") << "image";
    QTest::newRow("dropped on the window") << "drop";
    QTest::newRow("chosen after Ctrl+O") << "dialog";
    QTest::newRow("chosen in the gallery (Ctrl+G, Enter)") << "gallery";
    QTest::newRow("a broken recipe") << "broken";
    QTest::newRow("a copy of its recipe from elsewhere") << "elsewhere";
}

void TestHistory::openedImageComesBackAsSaved() {
    // A saved image opened again in another window, however it is named, shows complete with
    // its strip, replacements, name and generation type as a new history entry, and saving it
    // replaces its own two files only; a broken recipe says why and changes nothing.
    QFETCH(QString, how);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(waitIdle(w.controller()));
    pressClient(w.form.picture3(), QPoint(300, 10));
    pressClient(w.form.picture1(), QPoint(120, 200));
    QVERIFY(clickAndWait(w, 3));
    const Shown saved = shown(w);
    const QDir recipes(w.controller().recipeFolder());
    const QString recipe = recipes.filePath(saved.stem + ".json");
    const QString image = QDir(pictures.path()).filePath(saved.stem + ".jpg");
    QString argument = how == "stem" ? saved.stem : how == "image" ? image : recipe;
    QTemporaryDir elsewhere;
    if (how == "elsewhere") {
        argument = elsewhere.filePath(saved.stem + ".json");
        QVERIFY(QFile::copy(recipe, argument));
    }
    if (how == "broken") {
        argument = recipes.filePath(QStringLiteral("broken.json"));
        QFile file(argument);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("{\"formatVersion\": 3}") > 0);
    }

    TestWindow other(pictures.path());
    other.controller().setRecipeFolder(recipes.path());
    QVERIFY(QTest::qWaitForWindowActive(&other.form));
    QVERIFY(clickAndWait(other, 7)); // generation type 1: the opened image brings its own
    const QImage before = other.canvas();
    const int entries = other.controller().history().size();
    if (how == "drop") {
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(argument)});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &files, Qt::NoButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&other.form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &files, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&other.form, &drop);
    } else if (how == "dialog") {
        QTest::keyClick(&other.form, Qt::Key_O, Qt::ControlModifier);
        auto* dialog = other.form.findChild<QFileDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->directory().absolutePath(), recipes.absolutePath());
        // The name typed, with its completion list showing, then Return.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name && QTest::qWaitFor([name] { return name->hasFocus(); }));
        QTest::keyClicks(name, argument);
        QVERIFY(QTest::qWaitFor([] { return QApplication::activePopupWidget(); }));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([dialog] { return !dialog->isVisible(); }));
        QVERIFY(waitIdle(other.controller()));
        QTest::qWait(200); // the folder's model may still be reading
        QCOMPARE(QApplication::activePopupWidget(), nullptr); // the keys go to the window again
        QCOMPARE(name->text(), QString());
    } else if (how == "gallery") {
        QTest::keyClick(&other.form, Qt::Key_G, Qt::ControlModifier);
        auto* gallery = other.form.findChild<Gallery*>();
        QVERIFY(gallery && gallery->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return gallery->view()->model()->rowCount() == 1; }));
        QTest::keyClick(gallery->view(), Qt::Key_Return);
    } else {
        other.controller().post({Command::Open, {}, argument});
    }
    QVERIFY(waitIdle(other.controller()));
    if (how == "broken") {
        auto* box = other.form.findChild<QMessageBox*>();
        QVERIFY(box && box->isVisible());
        QVERIFY2(box->text().contains(argument + ": formatVersion"), qPrintable(box->text()));
        COMPARE_IMAGES(other.canvas(), before);
        QCOMPARE(other.controller().history().size(), entries);
        return;
    }
    COMPARE_SHOWN(other, saved);
    QCOMPARE(other.controller().history().current()->recipe, saved.recipe);
    QCOMPARE(other.controller().history().size(), entries + 1);
    QCOMPARE(barOf(other.controller()), barOf(w.controller()));

    // A recipe from elsewhere only names the image: the files of that name are not its own.
    QFile original(image);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray originalBytes = original.readAll();
    QTest::keyClick(&other.form, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(waitIdle(other.controller()));
    const QString own = how == "elsewhere" ? saved.stem + "-2" : saved.stem;
    QCOMPARE(QDir(pictures.path()).entryList(QDir::Files).contains(own + ".jpg"), true);
    QCOMPARE(QDir(pictures.path()).entryList(QDir::Files).size(), how == "elsewhere" ? 2 : 1);
    QVERIFY(QFileInfo::exists(recipes.filePath(own + ".json")));
    QImage written(QDir(pictures.path()).filePath(own + ".jpg"), "BMP");
    COMPARE_IMAGES(written.convertToFormat(QImage::Format_RGB32), other.canvas());
    if (how == "elsewhere") {
        QVERIFY(original.seek(0));
        QCOMPARE(original.readAll(), originalBytes);
    }
}

void TestHistory::variationChosenByKeysJoinsTheHistory() {
    // Ctrl+M shows the image on the canvas amid eight variations, drawn together on a worker;
    // Right and Enter make the one right of the centre the centre, amid eight new ones;
    // Backspace goes back; + draws the eight again, stronger. Enter on the centre puts it on the
    // canvas as a new image of the history, with a name of its own, naming the image it came from.
    TestWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QVERIFY(waitIdle(w.controller()));
    const Recipe image = w.controller().history().current()->recipe;
    QVERIFY(key(w, Qt::Key_M, Qt::ControlModifier));
    QPointer<VariationsView> view = w.form.findChild<VariationsView*>();
    QVERIFY(view && view->isVisible());
    VariationGrid* grid = view->grid();
    QVERIFY(view->centre() == image);
    PlaneRenderer::Options cell;
    cell.width = cell.height = VariationGrid::cellSide;
    auto ringOf = [&view](const Recipe& centre) {
        return variations(centre, view->strength(), view->scope(), view->seed(), 8);
    };
    const std::vector<Recipe> first = ringOf(image);
    QTRY_VERIFY(!view->rendering());
    for (int k = 0; k < 8; ++k) {
        const int at = k < 4 ? k : k + 1;
        QVERIFY(view->recipeAt(at) == first[std::size_t(k)]);
        COMPARE_IMAGES(grid->picture(at), PlaneRenderer(1).render(first[std::size_t(k)], cell));
    }

    // R draws eight others; until they are in, a cell still picks the picture it shows.
    QTest::keyClick(grid, Qt::Key_R);
    QVERIFY(view->rendering());
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(view->centre() == first[4]);
    QTRY_VERIFY(!view->rendering());
    QVERIFY(view->recipeAt(0) == ringOf(first[4])[0]);
    COMPARE_IMAGES(grid->picture(VariationGrid::centre), PlaneRenderer(1).render(first[4], cell));
    COMPARE_IMAGES(grid->picture(0), PlaneRenderer(1).render(ringOf(first[4])[0], cell));
    QTest::keyClick(grid, Qt::Key_Backspace);
    QVERIFY(view->centre() == image);
    const double strength = view->strength();
    QTest::keyClick(grid, Qt::Key_Plus);
    QVERIFY(view->strength() > strength);
    QTRY_VERIFY(!view->rendering());
    QVERIFY(view->recipeAt(0) == ringOf(image)[0]);
    QVERIFY(!(view->recipeAt(0) == first[0]));

    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Return);
    const Recipe chosen = view->centre();
    QVERIFY(!(chosen == image));
    w.clock.secondsSinceMidnight(); // a second later
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(waitIdle(w.controller()));
    QTRY_VERIFY(!view);
    QCOMPARE(w.controller().history().size(), 2);
    const Recipe shown = w.controller().history().current()->recipe;
    QCOMPARE(shown.parents, QStringList{image.stem});
    QVERIFY(shown.stem != image.stem);
    QCOMPARE(w.world().state.imeslike, shown.stem);
    Recipe named = chosen;
    named.stem = shown.stem;
    QVERIFY(named == shown);
    COMPARE_IMAGES(w.canvas(), PlaneRenderer(1).render(shown, {}));
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
