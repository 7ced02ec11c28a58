// "save on disk D:" in the window: the canvas as shown goes into the user's pictures folder
// under the image's name; a failed save says why and leaves the program and its image as they
// were.

#include "SaveFolder.h"
#include "WindowTestSupport.h"

#include <QDir>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

// The message box the window shows, once it is visible; nullptr when none comes.
QMessageBox* messageBoxOf(QWidget& window) {
    QMessageBox* box = nullptr;
    const bool shown = QTest::qWaitFor([&] {
        const auto boxes = window.findChildren<QMessageBox*>();
        box = boxes.isEmpty() ? nullptr : boxes.first();
        return box && box->isVisible();
    });
    return shown ? box : nullptr;
}

} // namespace

class TestWindowSaving : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void saveWritesTheShownCanvas_data();
    void saveWritesTheShownCanvas();
    void failedSaveShowsWhyAndKeepsEverything();
    void failedRecipeSaveSaysTheImageWasSaved();
    void saveFolderWithoutHome_data();
    void saveFolderWithoutHome();
    void saveAlsoWritesTheRecipe_data();
    void saveAlsoWritesTheRecipe();

private:
    QTemporaryDir home_;
};

void TestWindowSaving::initTestCase() {
    // "D:\" is the pictures folder of the user's home, here a fresh one.
    QVERIFY(home_.isValid());
    QVERIFY(QDir(home_.path()).mkdir(QStringLiteral("config")));
    qputenv("HOME", home_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toLocal8Bit());
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
             home_.filePath(QStringLiteral("Pictures")));
}

void TestWindowSaving::saveWritesTheShownCanvas_data() {
    QTest::addColumn<QList<int>>("before"); // buttons clicked before the save
    QTest::newRow("first image") << QList<int>{};
    QTest::newRow("help panel showing") << QList<int>{8};
    QTest::newRow("second image") << QList<int>{1};
}

void TestWindowSaving::saveWritesTheShownCanvas() {
    // The save creates the missing folder and writes T<14 digits>.jpg, a bitmap equal to the
    // canvas (help panel included), named after the image; nothing is shown.
    QFETCH(QList<int>, before);
    QDir pictures(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    QVERIFY(pictures.removeRecursively() || !pictures.exists());
    TestWindow w(pictures.path());
    QVERIFY(w.form.command(3)->toolTip().contains(pictures.path()));
    QVERIFY(waitIdle(w.controller()));
    for (int button : before)
        QVERIFY(clickAndWait(w, button));
    QVERIFY(clickAndWait(w, 3));

    const QStringList files = pictures.entryList(QDir::Files);
    QCOMPARE(files, QStringList{w.world().state.imeslike + QStringLiteral(".jpg")});
    QVERIFY(QRegularExpression(QStringLiteral(R"(^T\d{14}\.jpg$)")).match(files[0]).hasMatch());
    QFile file(pictures.filePath(files[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("BM"));
    const QImage saved(file.fileName(), "BMP");
    COMPARE_IMAGES(saved.convertToFormat(QImage::Format_RGB32), w.canvas());
    if (before.contains(8))
        QCOMPARE(saved.pixel(20, 20), qRgb(200, 200, 200));
    QVERIFY(w.form.findChildren<QMessageBox*>().isEmpty());
}

void TestWindowSaving::failedSaveShowsWhyAndKeepsEverything() {
    // When the folder cannot be made (a file has its name), a message names the path; the
    // program keeps running with its image, and the next commands work as before.
    const QString blocked = home_.filePath(QStringLiteral("NotAFolder"));
    {
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("x") == 1);
    }
    TestWindow w(blocked);
    QVERIFY(waitIdle(w.controller()));
    QSignalSpy exits(&w.controller(), &Controller::exitRequested);
    const QImage canvas = w.canvas();
    const QString name = w.world().state.imeslike;

    QVERIFY(clickAndWait(w, 3));
    QMessageBox* const box = messageBoxOf(w.form);
    QVERIFY(box);
    QVERIFY2(box->text().contains(QDir::toNativeSeparators(blocked)), qPrintable(box->text()));
    QVERIFY(exits.isEmpty());
    COMPARE_IMAGES(w.canvas(), canvas);
    QCOMPARE(w.world().state.imeslike, name);
    box->close();

    ReferenceWorld reference(w);
    QVERIFY(clickAndWait(w, 1));
    reference.newImage();
    COMPARE_IMAGES(w.canvas(), reference.canvas());
    QVERIFY(exits.isEmpty());
}

void TestWindowSaving::failedRecipeSaveSaysTheImageWasSaved() {
    // When the image is saved but its recipe cannot be, the message says exactly that.
    const QString blocked = home_.filePath(QStringLiteral("NotARecipeFolder"));
    {
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("x") == 1);
    }
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    w.controller().setRecipeFolder(blocked);
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 3));
    QMessageBox* const box = messageBoxOf(w.form);
    QVERIFY(box);
    const QString image = QDir(pictures.path()).filePath(w.world().state.imeslike + ".jpg");
    QCOMPARE(box->windowTitle(), QStringLiteral("Recipe not saved"));
    QVERIFY2(box->text().startsWith(image + " was saved, but its recipe was not."),
             qPrintable(box->text()));
    QVERIFY2(box->text().contains(blocked + " is not a folder"), qPrintable(box->text()));
    QVERIFY(QFile::exists(image));
}

void TestWindowSaving::saveFolderWithoutHome_data() {
    QTest::addColumn<QString>("home"); // "-" unsets HOME
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("expected"); // "pictures", "current" or "none"
    QTest::newRow("home set") << "set" << true << "pictures";
    QTest::newRow("home empty, current folder writable") << "" << true << "current";
    QTest::newRow("home unset, current folder writable") << "-" << true << "current";
    QTest::newRow("home unset, current folder read-only") << "-" << false << "none";
}

void TestWindowSaving::saveFolderWithoutHome() {
    // Without a home folder, images go into the current folder if it can be written, and the
    // note says where; otherwise there is no folder, and a save says so. Never "/Pictures".
    QFETCH(QString, home);
    QFETCH(bool, writable);
    QFETCH(QString, expected);
    if (!writable && geteuid() == 0)
        QSKIP("running as root: permission bits do not stop root from writing");
    const QByteArray savedHome = qgetenv("HOME");
    const QString savedCurrent = QDir::currentPath();
    QTemporaryDir current;
    QVERIFY(QDir::setCurrent(current.path()));
    if (!writable)
        QVERIFY(QFile::setPermissions(current.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (home == "-")
        qunsetenv("HOME");
    else if (home.isEmpty())
        qputenv("HOME", "");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_HOME");
    const SaveFolder folder = chooseSaveFolder();
    const QString recipes = recipeFolder();
    qputenv("HOME", savedHome);
    if (!savedData.isEmpty())
        qputenv("XDG_DATA_HOME", savedData);
    QDir::setCurrent(savedCurrent);
    QFile::setPermissions(current.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY2(!recipes.startsWith(QStringLiteral("//")), qPrintable(recipes));
    if (expected == "pictures") {
        QCOMPARE(folder.path, home_.filePath(QStringLiteral("Pictures")));
        QVERIFY(folder.note.isEmpty());
        QVERIFY2(recipes.startsWith(home_.path()), qPrintable(recipes));
        return;
    }
    // Recipes stay beside the images in the current folder.
    QCOMPARE(QDir(recipes).canonicalPath(), QDir(current.path()).canonicalPath());
    QVERIFY(!folder.path.contains(QStringLiteral("Pictures")));
    QVERIFY2(folder.note.contains(current.path()), qPrintable(folder.note));
    if (expected == "current") {
        QCOMPARE(QDir(folder.path).canonicalPath(), QDir(current.path()).canonicalPath());
        return;
    }
    QVERIFY(folder.path.isEmpty());
    TestWindow w(folder.path);
    QVERIFY(waitIdle(w.controller()));
    QVERIFY(clickAndWait(w, 3));
    QMessageBox* const box = messageBoxOf(w.form);
    QVERIFY(box);
    QVERIFY2(box->text().contains(QStringLiteral("no folder to save into")),
             qPrintable(box->text()));
}

void TestWindowSaving::saveAlsoWritesTheRecipe_data() {
    QTest::addColumn<QString>("steps"); // n new image, p pick and press, s save
    QTest::addColumn<int>("replacements");
    QTest::newRow("first image") << "s" << 0;
    QTest::newRow("after a replacement") << "ps" << 1;
    QTest::newRow("saved, recoloured, saved again") << "spps" << 2;
    QTest::newRow("second image, type 1") << "ns" << 0;
}

void TestWindowSaving::saveAlsoWritesTheRecipe() {
    // Every save also writes the recipe of the image on the canvas to the recipe folder, named
    // like the saved file; rendered, it gives the saved image on every pixel the formulas
    // colour, colour replacements included; a later save updates it.
    QFETCH(QString, steps);
    QFETCH(int, replacements);
    QTemporaryDir pictures;
    TestWindow w(pictures.path());
    QVERIFY(waitIdle(w.controller()));
    int presses = 0;
    for (const QChar step : steps) {
        if (step == QLatin1Char('n')) {
            QVERIFY(clickAndWait(w, 7)); // generation type 1
            QVERIFY(clickAndWait(w, 1));
        } else if (step == QLatin1Char('p')) {
            pressClient(w.form.picture3(), QPoint(40 + 90 * presses, 10));
            pressClient(w.form.picture1(), QPoint(200 + 30 * presses, 150));
            ++presses;
            QVERIFY(waitIdle(w.controller()));
        } else {
            QVERIFY(clickAndWait(w, 3));
        }
    }
    const QString stem = w.world().state.imeslike;
    const QDir recipes(w.controller().recipeFolder());
    QCOMPARE(recipes.entryList(QDir::Files), QStringList{stem + QStringLiteral(".json")});
    Recipe recipe;
    QString error;
    QVERIFY2(readRecipe(recipes.filePath(stem + QStringLiteral(".json")), recipe, error),
             qPrintable(error));
    QCOMPARE(recipe.stem, stem);
    QCOMPARE(int(recipe.replacements.size()), replacements);
    QCOMPARE(recipe.generationType, steps.contains(QLatin1Char('n')) ? 1 : 4);

    const QImage saved =
        QImage(QDir(pictures.path()).filePath(stem + QStringLiteral(".jpg")), "BMP")
            .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.size(), QSize(453, 453));
    PlaneRenderer renderer;
    PlaneRenderer::Options options;
    options.background = colour::rgb(0, 0, 0);
    const QImage onBlack = renderer.render(recipe, options);
    options.background = colour::rgb(255, 255, 255);
    const QImage onWhite = renderer.render(recipe, options);
    int coloured = 0;
    for (int y = 0; y < 453; ++y)
        for (int x = 0; x < 453; ++x)
            if (onBlack.pixel(x, y) == onWhite.pixel(x, y)) {
                ++coloured;
                if (onBlack.pixel(x, y) != saved.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
            }
    QVERIFY(coloured > 453 * 453 / 2);
}

QTEST_MAIN(TestWindowSaving)
#include "tst_windowsaving.moc"
