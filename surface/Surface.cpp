#include "Surface.h"

#include "VectorState.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

Surface::Surface(int width, int height, colour::Value background)
    : image_(width, height, QImage::Format_RGB32), background_(background) {
    image_.fill(colour::toQRgb(background_));
}

void Surface::line(float x1, float y1, float x2, float y2, colour::Value c) {
    if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2))
        return; // a line with no position draws nothing
    if (std::floor(x1) == std::floor(x2) || std::floor(y1) == std::floor(y2)) {
        // Axis-parallel lines, the only ones the program draws: clip to the client area and
        // fill the covered pixels, end points included.
        const QRectF span = QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)),
                                   QPointF(std::max(x1, x2), std::max(y1, y2)));
        const double left = std::max(0.0, std::floor(span.left()));
        const double top = std::max(0.0, std::floor(span.top()));
        const double right = std::min(double(width() - 1), std::floor(span.right()));
        const double bottom = std::min(double(height() - 1), std::floor(span.bottom()));
        if (!(left <= right && top <= bottom))
            return;
        const QRect area{QPoint(int(left), int(top)), QPoint(int(right), int(bottom))};
        const QRgb rgb = colour::toQRgb(c);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
            std::fill(row + area.left(), row + area.right() + 1, rgb);
        }
        markDirty(area);
        return;
    }
    QPainter painter(&image_);
    painter.setPen(QPen(QColor::fromRgb(colour::toQRgb(c)), 0));
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    painter.end();
    clearUpperVectorState();
    markDirty(QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)),
                     QPointF(std::max(x1, x2), std::max(y1, y2)))
                  .toAlignedRect()
                  .adjusted(-1, -1, 1, 1)
                  .intersected(image_.rect()));
}

void Surface::cls() {
    image_.fill(colour::toQRgb(background_));
    clearUpperVectorState();
    currentX_ = 0.0f;
    currentY_ = 0.0f;
    markDirty(image_.rect());
}

void Surface::setBackColor(colour::Value c) {
    background_ = c;
    image_.fill(colour::toQRgb(background_));
    clearUpperVectorState();
    markDirty(image_.rect());
}

void Surface::print(const QString& text) {
    const QFontMetrics metrics(font_);
    // Solid text pixels: printing the same text twice in the same place changes nothing, and
    // every text pixel has exactly the text colour.
    QFont solid = font_;
    solid.setStyleStrategy(QFont::NoAntialias);
    QPainter painter(&image_);
    painter.setFont(solid);
    painter.setPen(QColor::fromRgb(colour::toQRgb(foreground_)));
    const QPointF topLeft(currentX_, currentY_);
    painter.drawText(topLeft + QPointF(0, metrics.ascent()), text);
    painter.end();
    clearUpperVectorState();
    const QRect drawn = QRectF(topLeft, QSizeF(metrics.horizontalAdvance(text), metrics.height()))
                            .toAlignedRect()
                            .adjusted(-2, -2, 2, 2)
                            .intersected(image_.rect());
    markDirty(drawn);
    currentX_ = 0.0f;
    currentY_ += float(metrics.height());
}
