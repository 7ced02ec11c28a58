#pragma once

// The user's actions, waiting their turn. Everything the user does (a button, a key that
// presses a button, a press on the canvas or the strip) becomes one Action; they run strictly
// one after the other, each only when the one before it has finished.

#include "Recipe.h"

#include <QImage>
#include <QPointF>
#include <QString>
#include <algorithm>
#include <deque>
#include <optional>

enum class Command {
    NewImageOldPalette, // Command1 "new img / old palette"
    Exit,               // Command2 "exit"
    Save,               // Command3 "save on disk D:"
    ChangePalette,      // Command4 "change palette"
    Repeat,             // Command5 "repeat  image"
    NewImageNewPalette, // Command6 "new img / new palette"
    GenerationType,     // Command7 "generation type"
    Help,               // Command8 "help"
    CanvasPress,        // a mouse button pressed on the canvas (Picture1)
    StripPress,         // a mouse button pressed on the palette strip (Picture3)
    PreviousImage,      // Alt+Left: show the image before this one again
    NextImage,          // Alt+Right: show the image after this one again
    Undo,               // Ctrl+Z: take back the last colour replacement
    Redo,               // Ctrl+Y, Ctrl+Shift+Z: make the last one taken back again
    HelpKey,            // F1: show the help panel, or close it when it shows
    CloseHelp,          // Esc with no image building up: close the help panel
    OpenDialog,         // Ctrl+O: choose a saved image or recipe to open
    Open,               // open the saved image or recipe at `path` on the canvas
    Copy,               // Ctrl+C: put the image on the canvas on the clipboard
    Gallery,            // Ctrl+G: show every saved image
    Export,             // Ctrl+E: write the image on the canvas at any size
    Variations,         // Ctrl+M: show variations of the image on the canvas
    Use,                // put `recipe`, a variation or a cross, on the canvas
    CycleColours,       // Ctrl+L: turn the colours of the image and the strip round, or stop
    Show,               // F11: open the full-screen show
    ShowImage,          // the show's next image, `recipe`, on the canvas as a new image
};

struct Action {
    Command command;
    QPointF position = {}; // client-area pixels of the pressed box; unused by the buttons
    QString path = {};     // the file to open
    // The recipe to put on the canvas: a variation or a cross, or the show's image.
    std::optional<Recipe> recipe = {};
    QImage picture = {}; // the show's image as the canvas shows it, made off the UI thread
};

class CommandQueue {
public:
    void push(const Action& action) { actions_.push_back(action); }
    std::optional<Action> pop() {
        if (actions_.empty())
            return std::nullopt;
        const Action next = actions_.front();
        actions_.pop_front();
        return next;
    }
    bool empty() const { return actions_.empty(); }
    std::size_t size() const { return actions_.size(); }
    bool contains(Command command) const {
        return std::any_of(actions_.begin(), actions_.end(),
                           [command](const Action& a) { return a.command == command; });
    }
    // Drops every waiting action but those of the given commands, keeping their order.
    void keepOnly(std::initializer_list<Command> kept) {
        std::erase_if(actions_, [kept](const Action& a) {
            return std::find(kept.begin(), kept.end(), a.command) == kept.end();
        });
    }
    void clear() { actions_.clear(); }

private:
    std::deque<Action> actions_;
};
