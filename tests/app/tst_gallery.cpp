// The gallery: every saved recipe newest first, opened with Enter, its thumbnail rendered from
// the recipe (or taken from the cache while the recipe is unchanged), moved to the trash with
// Delete once confirmed; a recipe that cannot be read shows so; two images selected can be
// crossed.

#include "Gallery.h"
#include "VariationGrid.h"
#include "VariationsView.h"
#include "WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

namespace {

// The recipe of the first image a world seeded with n draws.
Recipe drawnRecipe(int n) {
    SteppingClock clock;
    World w(clock);
    setStartUpSettings(w.state);
    w.state.nac = 1;
    w.random.seed(float(n));
    MakePalette(w);
    beginImage(w);
    return recipeOf(w);
}

// A recipe folder and an image folder with the recipes T1.json .. Tn.json, each with its image
// Tk.jpg, T1 the oldest.
struct Saved {
    explicit Saved(int count) {
        const QDateTime first(QDate(2024, 3, 7), QTime(9, 0));
        for (int k = 1; k <= count; ++k)
            write(QStringLiteral("T%1").arg(k), toJson(drawnRecipe(k)), first.addSecs(k));
    }
    bool write(const QString& stem, const QByteArray& json, const QDateTime& modified) {
        QFile recipe(recipes.filePath(stem + ".json"));
        QFile image(images.filePath(stem + ".jpg"));
        return recipe.open(QIODevice::WriteOnly) && recipe.write(json) == json.size() &&
               recipe.flush() && recipe.setFileTime(modified, QFileDevice::FileModificationTime) &&
               image.open(QIODevice::WriteOnly) && image.write("jpg") == 3;
    }
    QString recipe(const QString& stem) const { return recipes.filePath(stem + ".json"); }

    QTemporaryDir recipes;
    QTemporaryDir images;
};

// A shown gallery with its list in.
struct ShownGallery {
    ShownGallery(const Saved& saved, int rows)
        : gallery(saved.recipes.path(), saved.images.path()) {
        gallery.show();
        listed = QTest::qWaitForWindowExposed(&gallery) &&
                 QTest::qWaitFor([&] { return model()->rowCount() == rows; });
    }
    QAbstractItemModel* model() const { return gallery.view()->model(); }
    QVariant at(int row, int role) const { return model()->index(row, 0).data(role); }
    // Waits until the thumbnail of a row is made or found unreadable.
    bool thumbnailIn(int row) const {
        return QTest::qWaitFor([&] {
            return at(row, GalleryModel::StateRole).toInt() != int(GalleryModel::State::Waiting);
        });
    }
    Gallery gallery;
    bool listed = false;
};

} // namespace

class TestGallery : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keysChooseTheImageToOpen_data();
    void keysChooseTheImageToOpen();
    void thumbnailsAreRenderedFromTheRecipes_data();
    void thumbnailsAreRenderedFromTheRecipes();
    void cachedThumbnailLastsWhileTheRecipeIsUnchanged_data();
    void cachedThumbnailLastsWhileTheRecipeIsUnchanged();
    void deleteMovesImageAndRecipeToTheTrash_data();
    void deleteMovesImageAndRecipeToTheTrash();
    void crossTakesTwoSelectedImages();

private:
    QTemporaryDir home_; // the cache and the trash, away from the user's own
};

void TestGallery::initTestCase() {
    qputenv("XDG_CACHE_HOME", home_.filePath("cache").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home_.filePath("data").toLocal8Bit());
}

void TestGallery::keysChooseTheImageToOpen_data() {
    QTest::addColumn<QList<Qt::Key>>("keys"); // pressed before Enter
    QTest::addColumn<QString>("opened");
    QTest::newRow("the newest at once") << QList<Qt::Key>{} << "T3";
    QTest::newRow("right") << QList<Qt::Key>{Qt::Key_Right} << "T2";
    QTest::newRow("end") << QList<Qt::Key>{Qt::Key_End} << "T1";
    QTest::newRow("end, home") << QList<Qt::Key>{Qt::Key_End, Qt::Key_Home} << "T3";
}

void TestGallery::keysChooseTheImageToOpen() {
    // The items are newest first with their names and dates; the newest is current and
    // selected, so Enter opens the image saved last. The gallery stays open; Esc closes it.
    QFETCH(QList<Qt::Key>, keys);
    QFETCH(QString, opened);
    const Saved saved(3);
    ShownGallery g(saved, 3);
    QVERIFY(g.listed);
    QCOMPARE(g.gallery.windowTitle(), QStringLiteral("Gallery"));
    for (int row = 0; row < 3; ++row) {
        const QString stem = QStringLiteral("T%1").arg(3 - row);
        const QString date = QStringLiteral("2024-03-07 09:00");
        QCOMPARE(g.at(row, Qt::DisplayRole).toString(), stem + '\n' + date);
        QCOMPARE(g.at(row, Qt::AccessibleTextRole).toString(), stem + ", saved " + date);
    }
    QVERIFY(g.gallery.view()->selectionModel()->isSelected(g.model()->index(0, 0)));

    QSignalSpy open(&g.gallery, &Gallery::openRequested);
    for (Qt::Key key : keys)
        QTest::keyClick(g.gallery.view(), key);
    QTest::keyClick(g.gallery.view(), Qt::Key_Return);
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.at(0).at(0).toString(), saved.recipe(opened));
    QVERIFY(g.gallery.isVisible());
    QTest::keyClick(g.gallery.view(), Qt::Key_Escape);
    QVERIFY(!g.gallery.isVisible());
}

void TestGallery::thumbnailsAreRenderedFromTheRecipes_data() {
    QTest::addColumn<QByteArray>("json"); // of the newest recipe; empty: a good one
    QTest::newRow("a recipe") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("{");
    QTest::newRow("a field missing") << QByteArray("{\"format\": 1}");
}

void TestGallery::thumbnailsAreRenderedFromTheRecipes() {
    // Every thumbnail equals the plane renderer's picture of its recipe at that size; a recipe
    // that cannot be read shows so, with the reason in its tooltip, and the others still show.
    QFETCH(QByteArray, json);
    Saved saved(2);
    if (!json.isEmpty())
        QVERIFY(saved.write("T3", json, QDateTime::currentDateTime()));
    const int rows = json.isEmpty() ? 2 : 3;
    ShownGallery g(saved, rows);
    QVERIFY(g.listed);
    for (int row = 0; row < rows; ++row) {
        QVERIFY(g.thumbnailIn(row));
        const QString path = g.at(row, GalleryModel::PathRole).toString();
        Recipe recipe;
        QString error;
        if (!readRecipe(path, recipe, error)) {
            QCOMPARE(g.at(row, GalleryModel::StateRole).toInt(),
                     int(GalleryModel::State::Unreadable));
            QCOMPARE(g.at(row, Qt::ToolTipRole).toString(), error);
            continue;
        }
        PlaneRenderer::Options size;
        size.width = size.height = GalleryJobs::thumbnailSide;
        COMPARE_IMAGES(g.at(row, GalleryModel::ThumbnailRole).value<QImage>(),
                       PlaneRenderer(1).render(recipe, size));
    }
}

void TestGallery::cachedThumbnailLastsWhileTheRecipeIsUnchanged_data() {
    QTest::addColumn<bool>("changed");
    QTest::newRow("unchanged: the cached one") << false;
    QTest::newRow("changed: rendered again") << true;
}

void TestGallery::cachedThumbnailLastsWhileTheRecipeIsUnchanged() {
    QFETCH(bool, changed);
    Saved saved(1);
    const GalleryJobs cache;
    QImage planted(GalleryJobs::thumbnailSide, GalleryJobs::thumbnailSide, QImage::Format_RGB32);
    planted.fill(Qt::red);
    const QString before =
        cache.cachePath(RecipeStore::thumbnailKey(RecipeStore::stored(saved.recipe("T1"))));
    QVERIFY(prepareFolder(GalleryJobs::defaultCacheFolder()).isEmpty());
    QVERIFY(planted.save(before, "png"));
    if (changed)
        QVERIFY(saved.write("T1", toJson(drawnRecipe(7)), QDateTime::currentDateTime()));

    ShownGallery g(saved, 1);
    QVERIFY(g.listed);
    QVERIFY(g.thumbnailIn(0));
    const QImage shown = g.at(0, GalleryModel::ThumbnailRole).value<QImage>();
    Recipe recipe;
    QString error;
    QVERIFY2(readRecipe(saved.recipe("T1"), recipe, error), qPrintable(error));
    PlaneRenderer::Options size;
    size.width = size.height = GalleryJobs::thumbnailSide;
    COMPARE_IMAGES(shown, changed ? PlaneRenderer(1).render(recipe, size) : planted);
}

void TestGallery::deleteMovesImageAndRecipeToTheTrash_data() {
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("yes") << QMessageBox::Yes;
    QTest::newRow("no") << QMessageBox::No;
}

void TestGallery::deleteMovesImageAndRecipeToTheTrash() {
    // Delete asks first, No being the default; Yes moves the current image and its recipe to
    // the trash and takes its item out.
    QFETCH(QMessageBox::StandardButton, answer);
    const Saved saved(2);
    ShownGallery g(saved, 2);
    QVERIFY(g.listed);
    QMessageBox::StandardButton offered = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        offered = box->standardButton(box->defaultButton());
        box->button(answer)->click();
    });
    QTest::keyClick(g.gallery.view(), Qt::Key_Delete);
    QCOMPARE(offered, QMessageBox::No);

    const bool gone = answer == QMessageBox::Yes;
    QTRY_COMPARE(g.model()->rowCount(), gone ? 1 : 2);
    QCOMPARE(g.at(0, GalleryModel::PathRole).toString(), saved.recipe(gone ? "T1" : "T2"));
    QCOMPARE(QFileInfo::exists(saved.recipe("T2")), !gone);
    QCOMPARE(QFileInfo::exists(saved.images.filePath("T2.jpg")), !gone);
    const QDir trash(home_.filePath("data/Trash/files"));
    QCOMPARE(trash.exists("T2.json") && trash.exists("T2.jpg"), gone);
    if (gone)
        QVERIFY(QDir(trash).removeRecursively());
}

void TestGallery::crossTakesTwoSelectedImages() {
    // Cross is enabled while exactly two images are selected and asks for the crosses of their
    // recipes, in the gallery's order; the view opened on them shows a cross of the two at the
    // centre and eight more around it.
    const Saved saved(3);
    ShownGallery g(saved, 3);
    QVERIFY(g.listed);
    QAction* crossing = g.gallery.crossAction();
    QVERIFY(!crossing->isEnabled());
    QTest::keyClick(g.gallery.view(), Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(crossing->isEnabled());
    QSignalSpy asked(&g.gallery, &Gallery::crossRequested);
    crossing->trigger();
    QCOMPARE(asked.size(), 1);
    Recipe first, second;
    QString error;
    QVERIFY(readRecipe(saved.recipe("T3"), first, error) &&
            readRecipe(saved.recipe("T2"), second, error));
    QVERIFY(asked.at(0).at(0).value<Recipe>() == first);
    QVERIFY(asked.at(0).at(1).value<Recipe>() == second);

    const VariationsView view(first, second);
    QVERIFY(view.crossing());
    QTRY_VERIFY(!view.rendering()); // the recipes come with their pictures
    for (int cell = 0; cell < VariationGrid::cells; ++cell)
        QCOMPARE(view.recipeAt(cell).parents, QStringList({first.stem, second.stem}));
    QVERIFY(view.recipeAt(0) == cross(first, second, view.seed()));

    QTest::keyClick(g.gallery.view(), Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(!crossing->isEnabled());
}

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
