#pragma once

// Every command the window offers, in one table: the context menu's entry, its keys, what a
// screen reader and a tooltip say of it, and the button that runs it too. The context menu, the
// window's shortcuts and the buttons' tooltips are all made from it, so a new command is a row
// here and a case in the controller.

#include "CommandQueue.h"

#include <QKeyCombination>
#include <array>
#include <vector>

struct CommandRow {
    Command command;                     // what the menu entry and the keys queue
    const char* text;                    // the menu's entry; a button's accessible name
    const char* description;             // what it does, for tooltips and screen readers
    std::array<QKeyCombination, 2> keys; // its keys, the first shown in the menu
    int button = 0;                      // the button (Command1 to Command8) that runs it too, or 0
    bool groupEnds = false;              // the menu draws a line after it
};

// The rows in the context menu's order.
const std::vector<CommandRow>& commandTable();

// The row of button n (1 to 8), or nullptr.
const CommandRow* buttonRow(int number);
