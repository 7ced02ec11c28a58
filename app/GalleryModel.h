#pragma once

// The gallery's items: one row per saved recipe, newest first, with its name and date, its
// thumbnail once made (a placeholder until then, or one saying it cannot be read), and what a
// screen reader says of it. A thumbnail is asked for the first time a view wants to draw it,
// so only the rows in view are rendered.

#include "GalleryJobs.h"
#include "RecipeStore.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QPixmap>

class GalleryModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        PathRole = Qt::UserRole + 1, // the recipe file
        StateRole,                   // the thumbnail's State, as an int
        ThumbnailRole, // the thumbnail made from the recipe, a QImage; null until then
    };
    enum class State { Waiting, Ready, Unreadable };

    // Thumbnails are made by `jobs`, which must outlive the model's last request.
    explicit GalleryModel(GalleryJobs& jobs, QObject* parent = nullptr);

    // Shows these recipes instead of the ones before.
    void setRecipes(const QList<StoredRecipe>& recipes);
    // The recipe of a row.
    const StoredRecipe& recipe(int row) const { return items_.at(row).recipe; }
    // Takes out the row of the recipe at `path`, if there is one.
    void remove(const QString& path);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct Item {
        StoredRecipe recipe;
        QString label;          // "<stem>\n<date>", under the thumbnail
        QString accessibleText; // "<stem>, saved <date>"
        QPixmap thumbnail;
        QString error; // why the recipe cannot be read
        State state = State::Waiting;
        mutable bool requested = false; // its thumbnail has been asked for
    };

    void thumbnailReady(const QString& path, const QImage& image);
    void thumbnailFailed(const QString& path, const QString& reason);
    // The row of the recipe at `path`, or -1.
    int rowOf(const QString& path) const { return rows_.value(path, -1); }
    void indexRows();

    GalleryJobs& jobs_;
    QList<Item> items_;
    QHash<QString, int> rows_; // each recipe's row, by its path
    QPixmap waiting_;          // shown until a thumbnail is made
    QPixmap unreadable_;       // shown for a recipe that cannot be read
};
