#include "GalleryModel.h"

#include <QDir>
#include <QPainter>

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-dd HH:mm");

// A square the size of a thumbnail: a flat grey one, or with `text` under a crossed frame.
QPixmap placeholder(const QString& text) {
    const int side = GalleryJobs::thumbnailSide;
    QPixmap pixmap(side, side);
    pixmap.fill(QColor(224, 224, 224));
    if (text.isEmpty())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setPen(QColor(160, 160, 160));
    const QRect frame(side / 4, side / 6, side / 2, side / 2);
    painter.drawRect(frame);
    painter.drawLine(frame.topLeft(), frame.bottomRight());
    painter.drawLine(frame.bottomLeft(), frame.topRight());
    painter.setPen(QColor(64, 64, 64));
    painter.drawText(QRect(0, side * 2 / 3, side, side / 3), Qt::AlignCenter, text);
    return pixmap;
}

} // namespace

GalleryModel::GalleryModel(GalleryJobs& jobs, QObject* parent)
    : QAbstractListModel(parent), jobs_(jobs), waiting_(placeholder({})),
      unreadable_(placeholder(tr("cannot be read"))) {
    connect(&jobs_, &GalleryJobs::thumbnailReady, this, &GalleryModel::thumbnailReady);
    connect(&jobs_, &GalleryJobs::thumbnailFailed, this, &GalleryModel::thumbnailFailed);
}

void GalleryModel::setRecipes(const QList<StoredRecipe>& recipes) {
    beginResetModel();
    items_.clear();
    items_.reserve(recipes.size());
    for (const StoredRecipe& recipe : recipes) {
        Item item;
        item.recipe = recipe;
        const QString date = recipe.modified.toString(dateFormat);
        item.label = recipe.stem + QLatin1Char('\n') + date;
        item.accessibleText = tr("%1, saved %2").arg(recipe.stem, date);
        items_.append(std::move(item));
    }
    indexRows();
    endResetModel();
}

void GalleryModel::remove(const QString& path) {
    const int row = rowOf(path);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    items_.removeAt(row);
    indexRows();
    endRemoveRows();
}

void GalleryModel::indexRows() {
    rows_.clear();
    rows_.reserve(items_.size());
    for (int row = 0; row < items_.size(); ++row)
        rows_.insert(items_.at(row).recipe.path, row);
}

int GalleryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(items_.size());
}

QVariant GalleryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= items_.size())
        return {};
    const Item& item = items_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return item.label;
    case Qt::DecorationRole:
        // Asked for when the row is drawn: the first time starts its thumbnail.
        if (!item.requested) {
            item.requested = true;
            jobs_.thumbnail(item.recipe);
        }
        return item.state == State::Ready        ? item.thumbnail
               : item.state == State::Unreadable ? unreadable_
                                                 : waiting_;
    case Qt::ToolTipRole:
        return item.state == State::Unreadable ? item.error
                                               : QDir::toNativeSeparators(item.recipe.path);
    case Qt::AccessibleTextRole:
        return item.accessibleText;
    case Qt::AccessibleDescriptionRole:
        return item.state == State::Unreadable ? item.error : QString();
    case PathRole:
        return item.recipe.path;
    case StateRole:
        return int(item.state);
    case ThumbnailRole:
        return item.state == State::Ready ? item.thumbnail.toImage() : QImage();
    default:
        return {};
    }
}

void GalleryModel::thumbnailReady(const QString& path, const QImage& image) {
    const int row = rowOf(path);
    if (row < 0)
        return;
    Item& item = items_[row];
    item.thumbnail = QPixmap::fromImage(image);
    item.state = State::Ready;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DecorationRole, StateRole, ThumbnailRole});
}

void GalleryModel::thumbnailFailed(const QString& path, const QString& reason) {
    const int row = rowOf(path);
    if (row < 0)
        return;
    Item& item = items_[row];
    item.error = reason;
    item.state = State::Unreadable;
    const QModelIndex changed = index(row);
    emit dataChanged(
        changed, changed,
        {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole, StateRole});
}
