#pragma once

// Opening a saved image or recipe as the command line, the open command, a file dropped on the
// window and the gallery name it: the recipe file an argument stands for, read, and whether it
// is one of the window's own pairs, whose image in the save folder its saves replace.

#include "Recipe.h"

#include <QSize>
#include <QString>

struct OpenedRecipe {
    QString path;  // the recipe file the argument stands for
    Recipe recipe; // as read from it
    // In the recipe folder: the pair the window wrote with the image of its stem in the save
    // folder, whose saves replace those two files while they are as they are now.
    bool own = false;
};

// Finds the recipe file that `argument` names in `recipeFolder` (see RecipeStore::find) and reads
// it. On failure returns false and sets `error` to one line naming the argument or the file.
bool openRecipe(const QString& argument, const QString& recipeFolder, OpenedRecipe& opened,
                QString& error);

// The image in `saveFolder` that the saves of an own recipe replace: its path when no file is
// there or the file is a canvas bitmap of `canvasSize`, the window's own; an empty text when
// another file has that name, which the saves then keep.
QString ownImage(const OpenedRecipe& opened, const QString& saveFolder, const QSize& canvasSize);
