#pragma once

// The gallery: a window of its own with every saved image as a thumbnail with its name and
// date, newest first, over all sessions. It opens at once and fills in: the folder is listed
// and the thumbnails made off the UI thread. Enter or a double click asks to open an image's
// recipe (the gallery stays open); Delete moves an image and its recipe to the trash, once
// confirmed; Esc closes the window. With two images selected (Ctrl or Shift with a click or the
// arrows), Cross (Ctrl+M) asks for the variations view on their crosses.

#include "GalleryJobs.h"
#include "GalleryModel.h"
#include "RecipeStore.h"

#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QListView;
class QStackedLayout;

class Gallery : public QWidget {
    Q_OBJECT
public:
    // Shows the recipes in `recipeFolder`; their saved images are in `imageFolder`. With a
    // parent it is still a window of its own.
    Gallery(const QString& recipeFolder, const QString& imageFolder, QWidget* parent = nullptr);
    ~Gallery() override;

    // The list of thumbnails.
    QListView* view() const { return view_; }
    // Crosses the two images selected; enabled while exactly two are.
    QAction* crossAction() const { return cross_; }

public slots:
    // Lists the folder again, after images were saved while the gallery was open.
    void reload();

signals:
    // The user chose to open the image whose recipe is at `recipePath`.
    void openRequested(const QString& recipePath);
    // The user chose to cross two images, whose recipes these are.
    void crossRequested(const Recipe& first, const Recipe& second);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showRecipes(const QList<StoredRecipe>& recipes);
    // Asks whether the current image is to go to the trash, and sends it there.
    void deleteCurrent();
    void movedToTrash(const QString& path, const QString& error);
    // Reads the recipes of the two images selected and asks for their crosses.
    void crossSelected();

    RecipeStore store_;
    QString imageFolder_;
    GalleryJobs jobs_; // declared before the model, which asks it for thumbnails
    GalleryModel model_;
    QListView* view_ = nullptr;
    QLabel* empty_ = nullptr; // says how to save a first image, when there is none
    QStackedLayout* pages_ = nullptr;
    QAction* cross_ = nullptr;
};
