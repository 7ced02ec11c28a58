#include "UiFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <array>
#include <utility>

namespace {

// Width a caption may take inside a button: the button less the style's frame and padding.
constexpr int buttonTextMargin = 8;
// The type bar's width from the text origin (x 700 to 850) and its height from it (y 98 to 112).
constexpr int barTextWidth = 151;
constexpr int barTextHeight = 15;

// The widest texts and the width each has.
const std::array<std::pair<const char*, int>, 5> longestTexts{{
    {"from order to chaos and back", barTextWidth},
    {"from centre ortogonal", barTextWidth},
    {"new img / new palette", 121 - buttonTextMargin},
    {"new img / old palette", 121 - buttonTextMargin},
    {"exit", 57 - buttonTextMargin},
}};

QFont pixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

bool uiFontFits(const QFont& font) {
    const QFontMetrics metrics(font);
    if (metrics.height() > barTextHeight)
        return false;
    for (const auto& [text, width] : longestTexts)
        if (metrics.horizontalAdvance(QString::fromLatin1(text)) > width)
            return false;
    return true;
}

QFont fittingUiFont(const QStringList& families) {
    QStringList installed;
    for (const QString& family : families)
        if (QFontDatabase::hasFamily(family))
            installed << family;
    installed << QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    constexpr int largest = 11;
    constexpr int smallest = 6;
    for (int pixels = largest; pixels > smallest; --pixels)
        for (const QString& family : installed)
            if (const QFont font = pixelFont(family, pixels); uiFontFits(font))
                return font;
    return pixelFont(installed.first(), smallest);
}

QFont uiFont() {
    return fittingUiFont(
        {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
         QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("Noto Sans Display Condensed")});
}
