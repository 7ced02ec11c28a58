#pragma once

// A picture and the recipe it was drawn from take one name together: NAME.ext and NAME.json in
// one folder. When either name is taken the pair moves on to the next name both can have, so no
// file is ever replaced and nothing fails because a name is taken. A recipe already there with
// exactly the bytes of the pair's own counts as its own and stays as it is. Told to replace,
// the pair takes its first name whatever has it.

#include "ImageSaver.h"
#include "StagedFile.h"

#include <QByteArray>
#include <QString>

struct PairName {
    QString folder;    // where both go; "." or empty for the current folder
    QString name;      // NAME
    QString extension; // the picture's, with its dot: ".jpg", ".png", ".bmp"
    // false: NAME, NAME-2, NAME-3, ... are tried in turn; true (a series): NAME-first,
    // NAME-(first + 1), ...
    bool numbered = false;
    int first = 1;
    bool replace = false; // take the first name, replacing the files that have it
    QString ownRecipe;    // a recipe file that may stay beside the picture as it is
};

// folder/file as it is shown and used: just the file's name in the current folder.
QString fileInFolder(const QString& folder, const QString& file);

// Why the pair could not take its first name even by replacing (a folder in its way), or an
// empty text; for a check before anything is drawn.
QString pairNameProblem(const PairName& name, bool withRecipe);

// Puts `picture` and, unless it is null, `recipe` (whose bytes are `recipeBytes`) in place under
// the first name both can take. The result names the picture; `number`, when given, receives
// the number of the name taken (1 for NAME itself).
SaveResult placePair(StagedFile& picture, StagedFile* recipe, const QByteArray& recipeBytes,
                     const PairName& name, int* number = nullptr);
