#include "UiFont.h"

QFont uiFont() {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
