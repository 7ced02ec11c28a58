#include "VariationGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

VariationGrid::VariationGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Variations"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize VariationGrid::sizeHint() const {
    const int side = 3 * cellSide + 4 * gap;
    return {side, side};
}

QRect VariationGrid::cellRect(int cell) const {
    const int column = cell % 3;
    const int row = cell / 3;
    return {gap + column * (cellSide + gap), gap + row * (cellSide + gap), cellSide, cellSide};
}

int VariationGrid::cellAt(QPoint position) const {
    for (int cell = 0; cell < cells; ++cell)
        if (cellRect(cell).contains(position))
            return cell;
    return -1;
}

void VariationGrid::setPicture(int cell, const QImage& picture, const QString& description) {
    pictures_.at(std::size_t(cell)) = picture;
    descriptions_.at(std::size_t(cell)) = description;
    if (cell == current_)
        describeCurrent();
    update(cellRect(cell).adjusted(-gap, -gap, gap, gap));
}

void VariationGrid::setCurrent(int cell) {
    if (cell < 0 || cell >= cells || cell == current_)
        return;
    const int before = current_;
    current_ = cell;
    describeCurrent();
    update(cellRect(before).adjusted(-gap, -gap, gap, gap));
    update(cellRect(current_).adjusted(-gap, -gap, gap, gap));
}

void VariationGrid::describeCurrent() {
    setAccessibleDescription(descriptions_.at(std::size_t(current_)));
    setToolTip(descriptions_.at(std::size_t(current_)));
}

void VariationGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // Pictures are shown crisp, as the canvas is.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int cell = 0; cell < cells; ++cell) {
        const QRect r = cellRect(cell);
        const QImage& picture = pictures_.at(std::size_t(cell));
        if (picture.isNull())
            painter.fillRect(r, palette().base());
        else
            painter.drawImage(r, picture);
    }
    // The centre in the text colour; the chosen cell in the highlight colour, wider while the
    // grid has the keyboard.
    const QRect centreFrame = cellRect(centre).adjusted(-3, -3, 2, 2);
    painter.setPen(QPen(palette().windowText(), 2));
    painter.drawRect(centreFrame);
    const int width = hasFocus() ? 4 : 2;
    painter.setPen(QPen(palette().highlight(), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const int out = width / 2 + 3;
    painter.drawRect(cellRect(current_).adjusted(-out, -out, out - 1, out - 1));
}

void VariationGrid::mousePressEvent(QMouseEvent* event) {
    const int cell = cellAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || cell < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    setCurrent(cell);
    if (cell != centre) // a single click does not take the centre away at once
        emit picked(cell);
}

void VariationGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first press of a double click on a picture around the centre already picked it.
    if (event->button() == Qt::LeftButton && cellAt(event->position().toPoint()) == centre)
        emit picked(centre);
}

void VariationGrid::keyPressEvent(QKeyEvent* event) {
    const int column = current_ % 3;
    const int row = current_ / 3;
    switch (event->key()) {
    case Qt::Key_Left:
        setCurrent(row * 3 + std::max(column - 1, 0));
        return;
    case Qt::Key_Right:
        setCurrent(row * 3 + std::min(column + 1, 2));
        return;
    case Qt::Key_Up:
        setCurrent(std::max(row - 1, 0) * 3 + column);
        return;
    case Qt::Key_Down:
        setCurrent(std::min(row + 1, 2) * 3 + column);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit picked(current_);
        return;
    default:
        QWidget::keyPressEvent(event); // the view's own keys
    }
}
