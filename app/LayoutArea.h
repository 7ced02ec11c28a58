#pragma once

// The window's client area as the layout sees it: at least 851 x 641 pixels, black, showing the
// window's own drawing (the generation-type bar) behind the controls placed on it. It sits in a
// scroll area, so a window smaller than the layout scrolls to every control instead of cutting
// them off; in a window large enough for the layout it fills the window, pixel for pixel.

#include "Surface.h"

#include <QWidget>

class LayoutArea : public QWidget {
    Q_OBJECT
public:
    explicit LayoutArea(const Surface& windowSurface, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Surface& surface_;
};
