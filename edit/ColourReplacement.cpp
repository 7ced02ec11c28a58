#include "ColourReplacement.h"

#include <algorithm>
#include <climits>

void ColourReplacement::pick(const Surface& strip, float x, float y) {
    const colour::Value picked = strip.point(x, y);
    if (picked != colour::none)
        color_ = picked;
}

int ColourReplacement::replace(Surface& canvas, int sir, int vis, float x, float y,
                               std::vector<int>* changed) const {
    const colour::Value old = canvas.point(x, y);
    if (old == colour::none)
        return 0; // no pixel was pressed; positions outside read as none and never match
    return replaceColour(canvas, sir, vis, old, color_, changed);
}

int ColourReplacement::replaceColour(Surface& canvas, int sir, int vis, colour::Value from,
                                     colour::Value to, std::vector<int>* changed) {
    if (from == colour::none)
        return 0; // pixels outside the canvas read as none and are never repainted
    // Row by row; pixels outside the canvas read as none and never match.
    const int columns = std::min(sir + 1, canvas.width());
    const int rows = std::min(vis + 1, canvas.height());
    const QRgb replacement = colour::toQRgb(to);
    int repainted = 0;
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int j = 0; j < rows; ++j) {
        QRgb* const row = canvas.scanLine(j);
        for (int i = 0; i < columns; ++i) {
            if (colour::fromQRgb(row[i]) == from) {
                row[i] = replacement;
                ++repainted;
                if (changed)
                    changed->push_back(j * canvas.width() + i);
                left = std::min(left, i);
                right = std::max(right, i);
                top = std::min(top, j);
                bottom = std::max(bottom, j);
            }
        }
    }
    if (repainted > 0)
        canvas.markChanged(QRect(QPoint(left, top), QPoint(right, bottom)));
    return repainted;
}
