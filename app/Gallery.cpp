#include "Gallery.h"

#include <QAction>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPixmapCache>
#include <QStackedLayout>
#include <QToolButton>

namespace {

// The space each item takes: the thumbnail and two lines of text under it.
constexpr QSize gridSize(GalleryJobs::thumbnailSide + 32, GalleryJobs::thumbnailSide + 56);

} // namespace

Gallery::Gallery(const QString& recipeFolder, const QString& imageFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(recipeFolder), imageFolder_(imageFolder), model_(jobs_) {
    setWindowTitle(tr("Gallery"));
    setAccessibleName(tr("Gallery"));

    view_ = new QListView;
    view_->setViewMode(QListView::IconMode);
    view_->setMovement(QListView::Static);
    view_->setResizeMode(QListView::Adjust);
    view_->setIconSize({GalleryJobs::thumbnailSide, GalleryJobs::thumbnailSide});
    view_->setGridSize(gridSize);
    view_->setUniformItemSizes(true);
    view_->setLayoutMode(QListView::Batched);
    view_->setBatchSize(200);
    view_->setWordWrap(true);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setAccessibleName(tr("Saved images"));
    view_->setModel(&model_);
    connect(view_, &QListView::activated, this, [this](const QModelIndex& index) {
        emit openRequested(index.data(GalleryModel::PathRole).toString());
    });

    empty_ = new QLabel(tr("There are no saved images yet.\n\n\"save on disk D:\" in the main "
                           "window saves the image on the canvas and its recipe; it then "
                           "shows here."));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    empty_->setMargin(24);

    cross_ = new QAction(tr("&Cross"), this);
    cross_->setShortcut(Qt::CTRL | Qt::Key_M);
    cross_->setToolTip(tr("Shows crosses of the two images selected (Ctrl+M)"));
    cross_->setEnabled(false);
    addAction(cross_);
    connect(cross_, &QAction::triggered, this, &Gallery::crossSelected);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { cross_->setEnabled(view_->selectionModel()->selectedIndexes().size() == 2); });
    auto* crossButton = new QToolButton;
    crossButton->setDefaultAction(cross_);
    auto* crossHint = new QLabel(tr("Select two images (Ctrl or Shift with a click or the "
                                    "arrows) to cross them."));

    auto* column = new QVBoxLayout(this);
    pages_ = new QStackedLayout;
    pages_->addWidget(view_);
    pages_->addWidget(empty_);
    column->addLayout(pages_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(crossHint, 1);
    bottom->addWidget(crossButton);
    column->addLayout(bottom);
    setFocusProxy(view_);
    resize(5 * gridSize.width() + 40, 3 * gridSize.height() + 80);

    connect(&jobs_, &GalleryJobs::listed, this, &Gallery::showRecipes);
    connect(&jobs_, &GalleryJobs::movedToTrash, this, &Gallery::movedToTrash);
    reload();
}

Gallery::~Gallery() {
    // No job may run on, or deliver to the model, once the window starts to go.
    jobs_.stop();
}

void Gallery::reload() {
    jobs_.list(store_);
}

void Gallery::showRecipes(const QList<StoredRecipe>& recipes) {
    const QString current = view_->currentIndex().data(GalleryModel::PathRole).toString();
    model_.setRecipes(recipes);
    pages_->setCurrentWidget(recipes.isEmpty() ? static_cast<QWidget*>(empty_) : view_);
    if (recipes.isEmpty())
        return;
    // The newest, so that Enter opens the image saved last; after a reload, the one current.
    int row = 0;
    for (int i = 0; i < recipes.size() && !current.isEmpty(); ++i)
        if (recipes.at(i).path == current)
            row = i;
    view_->setCurrentIndex(model_.index(row));
    view_->setFocus();
}

void Gallery::keyPressEvent(QKeyEvent* event) {
    // The list passes on the keys it has no use for.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        deleteCurrent();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Gallery::hideEvent(QHideEvent* event) {
    // The list draws each thumbnail as an icon, and the icon keeps what it drew in the
    // application's pixmap cache: up to 10 MB over a session of saves, each reload's thumbnails
    // new. Closed, the gallery lets them go; they come back from the disk's cache.
    QPixmapCache::clear();
    QWidget::hideEvent(event);
}

void Gallery::deleteCurrent() {
    const QModelIndex index = view_->currentIndex();
    if (!index.isValid())
        return;
    const StoredRecipe recipe = model_.recipe(index.row());
    QMessageBox ask(QMessageBox::Question, tr("Move to the trash"),
                    tr("Move %1 and its recipe to the trash?").arg(recipe.stem),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    jobs_.moveToTrash(recipe, imageFolder_);
}

void Gallery::crossSelected() {
    QModelIndexList chosen = view_->selectionModel()->selectedIndexes();
    if (chosen.size() != 2)
        return;
    std::sort(chosen.begin(), chosen.end()); // in the gallery's order
    std::array<Recipe, 2> recipes;
    for (int k = 0; k < 2; ++k) {
        QString error;
        if (!readRecipe(chosen[k].data(GalleryModel::PathRole).toString(), recipes[std::size_t(k)],
                        error)) {
            QMessageBox::warning(this, tr("Not crossed"), error);
            return;
        }
    }
    emit crossRequested(recipes[0], recipes[1]);
}

void Gallery::movedToTrash(const QString& path, const QString& error) {
    if (!error.isEmpty()) {
        QMessageBox::warning(this, tr("Not moved to the trash"), error);
        return;
    }
    const int row = view_->currentIndex().row();
    model_.remove(path);
    if (model_.rowCount() == 0) {
        pages_->setCurrentWidget(empty_);
        return;
    }
    // Selected again: the one after the image gone, or the one before when it was the last.
    const QModelIndex current = view_->currentIndex();
    view_->setCurrentIndex(current.isValid() ? current
                                             : model_.index(std::min(row, model_.rowCount() - 1)));
}
