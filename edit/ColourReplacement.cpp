#include "ColourReplacement.h"

void ColourReplacement::pick(const Surface& strip, float x, float y) {
    const colour::Value picked = strip.point(x, y);
    if (picked != colour::none)
        color_ = picked;
}

int ColourReplacement::replace(Surface& canvas, int sir, int vis, float x, float y) const {
    const colour::Value old = canvas.point(x, y);
    if (old == colour::none)
        return 0; // no pixel was pressed; positions outside read as none and never match
    int repainted = 0;
    for (int i = 0; i <= sir; ++i) {
        for (int j = 0; j <= vis; ++j) {
            if (canvas.point(float(i), float(j)) == old) {
                canvas.pset(float(i), float(j), color_);
                ++repainted;
            }
        }
    }
    return repainted;
}
