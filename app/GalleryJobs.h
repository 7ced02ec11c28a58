#pragma once

// The gallery's work off the UI thread, on a thread pool of its own: listing the recipe folder,
// making thumbnails (from the cache, else rendered from the recipe and cached) and moving
// recipes with their images to the trash. Results come back as signals on the UI thread. The
// newest request runs first, so the thumbnails of the rows in view come before those scrolled
// past. Destroying the object cancels what waits and waits for what runs.

#include "RecipeStore.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>

class GalleryJobs : public QObject {
    Q_OBJECT
public:
    // The side of a thumbnail, in pixels.
    static constexpr int thumbnailSide = 128;

    // Thumbnails are cached as PNG files in `cacheFolder`, made when first needed.
    explicit GalleryJobs(const QString& cacheFolder = defaultCacheFolder(),
                         QObject* parent = nullptr);
    ~GalleryJobs() override;
    GalleryJobs(const GalleryJobs&) = delete;
    GalleryJobs& operator=(const GalleryJobs&) = delete;

    // The program's thumbnail cache: thumbnails/ in the user's cache folder.
    static QString defaultCacheFolder();
    // The cache file of the thumbnail with this key (see RecipeStore::thumbnailKey).
    QString cachePath(const QString& key) const;

    // Lists the recipes in a store's folder; `listed` follows.
    void list(const RecipeStore& store);
    // Makes the thumbnail of a recipe; `thumbnailReady` or `thumbnailFailed` follows.
    void thumbnail(const StoredRecipe& recipe);
    // Moves a recipe and its image to the trash; `movedToTrash` follows.
    void moveToTrash(const StoredRecipe& recipe, const QString& imageFolder);

    // Drops the jobs that wait, stops the renders that run and waits for them. No signal
    // follows; the object takes no more jobs.
    void stop();

signals:
    void listed(const QList<StoredRecipe>& recipes);
    void thumbnailReady(const QString& path, const QImage& thumbnail);
    // The recipe at `path` could not be read; `reason` says why in one line.
    void thumbnailFailed(const QString& path, const QString& reason);
    // Empty `error`: the recipe at `path` and its image are in the trash.
    void movedToTrash(const QString& path, const QString& error);

private:
    // Runs `job` on the pool, before every job asked for earlier.
    void start(std::function<void()> job);
    // Runs `result` on the UI thread unless the jobs have stopped.
    void deliver(std::function<void()> result);
    // The thumbnail of a recipe from the cache or rendered; null when stopped or unreadable.
    QImage makeThumbnail(const StoredRecipe& recipe, QString& error) const;

    QString cacheFolder_;
    QThreadPool pool_;
    std::atomic<bool> stopped_{false}; // set by stop(); renders check it between rows
    int nextPriority_ = 0;             // rises with every job, so the newest runs first
};
