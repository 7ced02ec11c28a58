#pragma once

// A picture box: a sunken 2-pixel frame around a client area that shows one Surface, drawn
// unsmoothed so pixels stay crisp on scaled screens. A mouse press inside the client area is
// reported in client-area pixels, whichever button it was.

#include "Surface.h"

#include <QFrame>
#include <optional>

class PictureBox : public QFrame {
    Q_OBJECT
public:
    static constexpr int border = 2;

    PictureBox(const Surface& surface, QWidget* parent = nullptr);

    // Repaints the part of the client area given in surface pixels.
    void refresh(const QRect& surfaceArea);

    // Half the width of the pick marker: it spans the marked column and two on either side.
    static constexpr int markerReach = 2;
    // Marks a client-area column with a hollow outline, white inside black, the full height of
    // the client area, drawn over the surface (never into it); nothing hides the marker.
    void setMarker(std::optional<int> column);
    std::optional<int> marker() const { return marker_; }

signals:
    void pressed(QPointF clientPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // A right press picks or replaces a colour and opens no menu; the menu key still does.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The client-area rectangle the marker of `column` covers.
    QRect markerArea(int column) const;

    const Surface& surface_;
    std::optional<int> marker_; // the marked client-area column, if any
};
