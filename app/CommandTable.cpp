#include "CommandTable.h"

#include <QtGlobal>
#include <algorithm>

namespace {
constexpr QKeyCombination none{};
} // namespace

const std::vector<CommandRow>& commandTable() {
    static const std::vector<CommandRow> rows{
        {Command::NewImageOldPalette,
         QT_TR_NOOP("New image, old palette"),
         QT_TR_NOOP("Draws a new image with the current palette."),
         {Qt::CTRL | Qt::Key_N, none},
         1},
        {Command::NewImageNewPalette,
         QT_TR_NOOP("New image, new palette"),
         QT_TR_NOOP("Draws a new palette strip, then a new image with it."),
         {Qt::CTRL | Qt::SHIFT | Qt::Key_N, none},
         6},
        {Command::Repeat,
         QT_TR_NOOP("Repeat image"),
         QT_TR_NOOP("Draws the last image again from the same formulas, in the current palette "
                    "and generation type."),
         {Qt::CTRL | Qt::Key_R, none},
         5},
        {Command::ChangePalette,
         QT_TR_NOOP("Change palette"),
         QT_TR_NOOP("Draws a new palette strip; the image keeps its colours until the next one."),
         {Qt::CTRL | Qt::Key_P, none},
         4},
        {Command::GenerationType,
         QT_TR_NOOP("Generation type"),
         QT_TR_NOOP("Chooses the order in which the next image builds up."),
         {Qt::CTRL | Qt::Key_T, none},
         7,
         true},
        {Command::Undo,
         QT_TR_NOOP("Undo colour change"),
         QT_TR_NOOP("Takes back the last colour replacement."),
         {Qt::CTRL | Qt::Key_Z, none}},
        {Command::Redo,
         QT_TR_NOOP("Redo colour change"),
         QT_TR_NOOP("Makes the last colour replacement taken back again."),
         {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z},
         0,
         true},
        {Command::PreviousImage,
         QT_TR_NOOP("Previous image"),
         QT_TR_NOOP("Shows the image before this one again."),
         {Qt::ALT | Qt::Key_Left, none}},
        {Command::NextImage,
         QT_TR_NOOP("Next image"),
         QT_TR_NOOP("Shows the image after this one again."),
         {Qt::ALT | Qt::Key_Right, none},
         0,
         true},
        {Command::OpenDialog,
         QT_TR_NOOP("Open recipe..."),
         QT_TR_NOOP("Opens a saved image or recipe on the canvas."),
         {Qt::CTRL | Qt::Key_O, none}},
        {Command::Save,
         QT_TR_NOOP("Save image"),
         QT_TR_NOOP("Saves the image on the canvas into the pictures folder."),
         {Qt::CTRL | Qt::Key_S, none},
         3},
        {Command::Export,
         QT_TR_NOOP("Export picture..."),
         QT_TR_NOOP("Writes the image on the canvas at any size, as PNG or BMP."),
         {Qt::CTRL | Qt::Key_E, none}},
        {Command::Gallery,
         QT_TR_NOOP("Gallery"),
         QT_TR_NOOP("Shows every saved image; Enter opens the one chosen."),
         {Qt::CTRL | Qt::Key_G, none}},
        {Command::Variations,
         QT_TR_NOOP("Variations..."),
         QT_TR_NOOP("Shows eight variations around the image on the canvas; the one chosen can "
                    "take its place."),
         {Qt::CTRL | Qt::Key_M, none}},
        {Command::Copy,
         QT_TR_NOOP("Copy image"),
         QT_TR_NOOP("Puts the image on the canvas on the clipboard."),
         {Qt::CTRL | Qt::Key_C, none},
         0,
         true},
        {Command::CycleColours,
         QT_TR_NOOP("Cycle colours"),
         QT_TR_NOOP("Turns the colours of the image and the palette strip round until the next "
                    "command, which gives the image its own colours back first."),
         {Qt::CTRL | Qt::Key_L, none}},
        {Command::Show,
         QT_TR_NOOP("Full-screen show"),
         QT_TR_NOOP("Fills the screen with new images building up and turning their colours; "
                    "Esc, F11 or a click ends it."),
         {QKeyCombination(Qt::Key_F11), none},
         0,
         true},
        {Command::HelpKey,
         QT_TR_NOOP("Help"),
         QT_TR_NOOP("Shows a help panel over the image until the next image is drawn or Esc "
                    "closes it."),
         {QKeyCombination(Qt::Key_F1), none},
         8},
        {Command::Exit,
         QT_TR_NOOP("Exit"),
         QT_TR_NOOP("Ends the program."),
         {Qt::CTRL | Qt::Key_Q, none},
         2},
    };
    return rows;
}

const CommandRow* buttonRow(int number) {
    const auto& rows = commandTable();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [number](const CommandRow& r) { return r.button == number; });
    return found == rows.end() ? nullptr : &*found;
}
