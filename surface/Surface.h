#pragma once

// One drawing area (a window's or a picture box's client area) with the program's drawing
// operations: PSet, Point, Line, Cls, BackColor, CurrentX/CurrentY with Print, and Image.
//
// Coordinates are client-area pixels as 32-bit floats, origin top left, y downwards. A float
// position names the pixel it falls in (x = 3.7 is column 3). Everything drawn outside the client
// area is dropped; reading there gives colour::none. What is drawn reads back exactly.

#include "Colour.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <algorithm>
#include <climits>

class Surface {
public:
    Surface(int width, int height, colour::Value background = colour::black);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    // Sets one pixel; outside the client area nothing changes.
    void pset(float x, float y, colour::Value c) {
        int px = 0;
        int py = 0;
        if (locate(x, y, px, py)) {
            reinterpret_cast<QRgb*>(image_.scanLine(py))[px] = colour::toQRgb(c);
            markDirty(px, py, px, py);
        }
    }

    // The colour of one pixel, or colour::none outside the client area.
    colour::Value point(float x, float y) const {
        int px = 0;
        int py = 0;
        if (!locate(x, y, px, py))
            return colour::none;
        return colour::fromQRgb(reinterpret_cast<const QRgb*>(image_.constScanLine(py))[px]);
    }

    // A line one pixel wide. Vertical and horizontal lines include both end points, so the
    // line from (c, 20) to (c, 300) paints rows 20 to 300; other lines are drawn by QPainter.
    void line(float x1, float y1, float x2, float y2, colour::Value c);

    // Fills the client area with the background colour; the text position goes to (0, 0).
    void cls();
    colour::Value backColor() const { return background_; }
    // Sets the background colour and erases the surface to it.
    void setBackColor(colour::Value c);

    float currentX() const { return currentX_; }
    float currentY() const { return currentY_; }
    void setCurrentX(float x) { currentX_ = x; }
    void setCurrentY(float y) { currentY_ = y; }

    // The font and colour that Print draws with.
    const QFont& font() const { return font_; }
    void setFont(const QFont& f) { font_ = f; }
    colour::Value foreColor() const { return foreground_; }
    void setForeColor(colour::Value c) { foreground_ = c; }

    // Draws the text with its top-left corner at the text position, without a background box
    // and without smoothing, then moves the text position to the start of the next line.
    void print(const QString& text);

    // One row of pixels (0 <= y < height()), for code that fills many pixels at once; rows lie
    // pixelsPerLine() apart. The caller reports what it changed through markChanged().
    QRgb* scanLine(int y) { return reinterpret_cast<QRgb*>(image_.scanLine(y)); }
    const QRgb* constScanLine(int y) const {
        return reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    }
    int pixelsPerLine() const { return int(image_.bytesPerLine() / qsizetype(sizeof(QRgb))); }
    // Adds an area written through scanLine() to the changed area.
    void markChanged(const QRect& area) { markDirty(area.intersected(image_.rect())); }

    // The persistent picture: exactly the client area's pixels.
    const QImage& image() const { return image_; }

    // The area changed since the last call, for a widget that repaints only what changed.
    QRect takeDirty() {
        if (dirtyLeft_ > dirtyRight_)
            return {};
        const QRect d(QPoint(dirtyLeft_, dirtyTop_), QPoint(dirtyRight_, dirtyBottom_));
        dirtyLeft_ = dirtyTop_ = INT_MAX;
        dirtyRight_ = dirtyBottom_ = INT_MIN;
        return d;
    }

private:
    bool locate(float x, float y, int& px, int& py) const {
        // Comparing before converting keeps NaN and huge values out of the int conversion.
        if (!(x >= 0.0f && y >= 0.0f && x < float(width()) && y < float(height())))
            return false;
        px = int(x);
        py = int(y);
        return px < width() && py < height();
    }
    // Grows the changed area by the pixels from (left, top) to (right, bottom), both included.
    void markDirty(int left, int top, int right, int bottom) {
        dirtyLeft_ = std::min(dirtyLeft_, left);
        dirtyTop_ = std::min(dirtyTop_, top);
        dirtyRight_ = std::max(dirtyRight_, right);
        dirtyBottom_ = std::max(dirtyBottom_, bottom);
    }
    void markDirty(const QRect& r) {
        if (!r.isEmpty())
            markDirty(r.left(), r.top(), r.right(), r.bottom());
    }

    QImage image_;
    colour::Value background_;
    colour::Value foreground_ = colour::black;
    QFont font_;
    float currentX_ = 0.0f;
    float currentY_ = 0.0f;
    int dirtyLeft_ = INT_MAX; // the changed area; empty while left > right
    int dirtyTop_ = INT_MAX;
    int dirtyRight_ = INT_MIN;
    int dirtyBottom_ = INT_MIN;
};
