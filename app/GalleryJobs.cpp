#include "GalleryJobs.h"

#include "PlaneRender.h"
#include "StagedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QImageWriter>
#include <QStandardPaths>
#include <algorithm>

GalleryJobs::GalleryJobs(const QString& cacheFolder, QObject* parent)
    : QObject(parent), cacheFolder_(cacheFolder) {
    pool_.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

GalleryJobs::~GalleryJobs() {
    stop();
}

QString GalleryJobs::defaultCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/thumbnails");
}

QString GalleryJobs::cachePath(const QString& key) const {
    return QDir(cacheFolder_).filePath(key + QStringLiteral(".png"));
}

void GalleryJobs::stop() {
    stopped_ = true;
    pool_.clear();
    pool_.waitForDone();
}

void GalleryJobs::start(std::function<void()> job) {
    if (stopped_)
        return;
    // Priorities only order the waiting jobs; a counter wrapping after two billion requests
    // would merely run a few of them late.
    pool_.start(std::move(job), nextPriority_++);
}

void GalleryJobs::deliver(std::function<void()> result) {
    // Queued to this object: a result still waiting when the object goes is dropped with it,
    // and the destructor waits for the jobs, so none posts later.
    if (!stopped_)
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)] {
                if (!stopped_)
                    result();
            },
            Qt::QueuedConnection);
}

void GalleryJobs::list(const RecipeStore& store) {
    start([this, store] {
        const QList<StoredRecipe> recipes = store.list();
        deliver([this, recipes] { emit listed(recipes); });
    });
}

void GalleryJobs::thumbnail(const StoredRecipe& recipe) {
    start([this, recipe] {
        QString error;
        const QImage image = makeThumbnail(recipe, error);
        if (!image.isNull())
            deliver([this, path = recipe.path, image] { emit thumbnailReady(path, image); });
        else if (!error.isEmpty())
            deliver([this, path = recipe.path, error] { emit thumbnailFailed(path, error); });
    });
}

void GalleryJobs::moveToTrash(const StoredRecipe& recipe, const QString& imageFolder) {
    start([this, recipe, imageFolder] {
        QString error;
        RecipeStore::moveToTrash(recipe, imageFolder, &error);
        deliver([this, path = recipe.path, error] { emit movedToTrash(path, error); });
    });
}

QImage GalleryJobs::makeThumbnail(const StoredRecipe& listed, QString& error) const {
    // The file as it is now, not as it was listed: a thumbnail is cached under the key of the
    // very file it was rendered from.
    const StoredRecipe now = RecipeStore::stored(listed.path);
    const QString key = RecipeStore::thumbnailKey(now.path.isEmpty() ? listed : now);
    const QString cached = cachePath(key);
    QImage image(cached, "png");
    if (!image.isNull() && image.size() == QSize(thumbnailSide, thumbnailSide))
        return image;

    Recipe recipe;
    if (!readRecipe(listed.path, recipe, error))
        return {};
    PlaneRenderer renderer(1);
    PlaneRenderer::Options options;
    options.width = thumbnailSide;
    options.height = thumbnailSide;
    image = renderer.render(recipe, options, [this](double) { return !stopped_; });
    if (image.isNull()) {
        if (!stopped_)
            error = QStringLiteral("%1: not enough memory for its thumbnail")
                        .arg(QDir::toNativeSeparators(listed.path));
        return {};
    }

    // A recipe that changed while it was read keeps no thumbnail in the cache; one that failed
    // to be cached is still shown.
    const StoredRecipe after = RecipeStore::stored(listed.path);
    if (after.path.isEmpty() || RecipeStore::thumbnailKey(after) != key ||
        !prepareFolder(cacheFolder_).isEmpty())
        return image;
    StagedFile staged(cacheFolder_, [&image](QIODevice& device) {
        QImageWriter writer(&device, "png");
        return writer.write(image) ? QString() : writer.errorString();
    });
    if (staged.ok())
        staged.placeOver(cached);
    return image;
}
