#include "HelpPanel.h"

const std::array<HelpLine, 14>& helpLines() {
    static const std::array<HelpLine, 14> lines{{
        {40, QStringLiteral("COMMAND BUTTONS")},
        {55, QStringLiteral("generation type: select appearance mode")},
        {70, QStringLiteral("new img / new palette: new imag egenerated using new palette")},
        {85, QStringLiteral("new img / old palette: new image generated using existing palette")},
        {100, QStringLiteral("repeat image: generate image using the same parameters")},
        {115, QStringLiteral("change palette: select new palette")},
        {130, QStringLiteral("save on disk D: save the image as TYearMoDaHoMiSe.jpg")},
        {160, QStringLiteral("SUGGESTIONS")},
        {175, QStringLiteral(
                  "color change: click selected color on palette and click somewhere on image")},
        {190, QStringLiteral("non successful color change operation - click repeat image ")},
        {205,
         QStringLiteral("automatic slide show - click several times on new img / new palette")},
        {220, QStringLiteral("close this help - click repeat image")},
        {250, QStringLiteral(
                  "thanks to our early testers for useful suggestions - rosette.example.org")},
        {265, QStringLiteral("*")},
    }};
    return lines;
}

void paintHelpPanel(Surface& canvas) {
    const colour::Value grey = colour::rgb(200, 200, 200);
    for (int c = 20; c <= 430; ++c)
        canvas.line(float(c), 20.0f, float(c), 300.0f, grey);
    for (const HelpLine& line : helpLines()) {
        canvas.setCurrentX(helpTextX);
        canvas.setCurrentY(line.y);
        canvas.print(line.text);
    }
}
