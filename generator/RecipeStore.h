#pragma once

// The recipes saved beside the window's images, kept in one folder: listing them newest first
// without reading them, finding the one an argument names (a file, a stem, a saved image), a key
// for the thumbnail of a recipe file as it is now, and moving a recipe with its image to the
// desktop's trash. The gallery and rosette-render's --list-recipes and --recipe share it.

#include "Recipe.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One saved recipe as the folder shows it, without its contents.
struct StoredRecipe {
    QString path;       // the recipe file
    QString stem;       // the file's complete base name, the image's stem
    QDateTime modified; // the file's modification time
    qint64 size = 0;    // the file's size in bytes
};

class RecipeStore {
public:
    explicit RecipeStore(const QString& folder = recipeFolder()) : folder_(folder) {}

    // The folder the recipes are in.
    QString folder() const { return folder_; }

    // Every *.json file in the folder, newest first: by modification time, then by name, later
    // names first (stems are times too). Only the folder is read, not the files.
    QList<StoredRecipe> list() const;

    // The recipe file an argument names, or an empty text when there is none:
    //   - an existing file ending .jpg, .png or .bmp: the recipe of its complete base name
    //     beside it, or else in the folder; a bare name ending so: the recipe in the folder;
    //   - any other existing file: that file;
    //   - a stem (no slash), with or without .json: the recipe of that stem in the folder.
    QString find(const QString& argument) const;

    // A key for the thumbnail of a recipe file: it changes whenever the file's path, size or
    // modification time does. Hexadecimal, safe as a file name.
    static QString thumbnailKey(const StoredRecipe& recipe);

    // The recipe of a file as the folder shows it now; path empty when there is no such file.
    static StoredRecipe stored(const QString& path);

    // Moves the recipe, and its image imageFolder/<stem>.jpg when that exists, to the desktop's
    // trash. Both go or neither: when the second cannot go, the first is put back. On failure
    // returns false and sets `error` to one line saying which file could not go, and why.
    static bool moveToTrash(const StoredRecipe& recipe, const QString& imageFolder, QString* error);

private:
    QString folder_;
};
