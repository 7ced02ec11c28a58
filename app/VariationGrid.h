#pragma once

// Nine pictures in a 3 x 3 grid, the centre one framed, one of them chosen: the arrow keys move
// the choice, Enter picks the chosen picture; a click picks a picture around the centre, and
// only chooses the centre, which a double click picks. The grid only shows pictures and
// reports picks; what a pick does is its owner's business.

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>

class VariationGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int cells = 9;
    static constexpr int centre = 4;     // cells count from the top left, row by row
    static constexpr int cellSide = 200; // device-independent pixels
    static constexpr int gap = 10;

    explicit VariationGrid(QWidget* parent = nullptr);

    // Shows `picture` in a cell; `description` is what a screen reader says of it.
    void setPicture(int cell, const QImage& picture, const QString& description);
    QImage picture(int cell) const { return pictures_.at(std::size_t(cell)); }

    // The chosen cell.
    int current() const { return current_; }
    void setCurrent(int cell);

    QSize sizeHint() const override;

signals:
    // A cell was picked.
    void picked(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect cellRect(int cell) const;
    int cellAt(QPoint position) const; // -1 between the cells
    void describeCurrent();

    std::array<QImage, cells> pictures_;
    std::array<QString, cells> descriptions_;
    int current_ = centre;
};
