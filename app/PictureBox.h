#pragma once

// A picture box: a sunken 2-pixel frame around a client area that shows one Surface, drawn
// unsmoothed so pixels stay crisp on scaled screens. A mouse press inside the client area is
// reported in client-area pixels, whichever button it was.

#include "Surface.h"

#include <QFrame>

class PictureBox : public QFrame {
    Q_OBJECT
public:
    static constexpr int border = 2;

    PictureBox(const Surface& surface, QWidget* parent = nullptr);

    // Repaints the part of the client area given in surface pixels.
    void refresh(const QRect& surfaceArea);

signals:
    void pressed(QPointF clientPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const Surface& surface_;
};
