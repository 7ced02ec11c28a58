#include "OpenRecipe.h"

#include "ImageSaver.h"
#include "RecipeStore.h"
#include "ShownText.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

bool openRecipe(const QString& argument, const QString& recipeFolder, OpenedRecipe& opened,
                QString& error) {
    const QString path = RecipeStore(recipeFolder).find(argument);
    if (path.isEmpty()) {
        error = QStringLiteral("%1: neither a recipe nor a saved image with a recipe in %2")
                    .arg(shownText(QDir::toNativeSeparators(argument)),
                         shownText(QDir::toNativeSeparators(recipeFolder)));
        return false;
    }
    Recipe recipe;
    if (!readRecipe(path, recipe, error))
        return false;
    opened.path = path;
    opened.recipe = recipe;
    opened.own = !recipeFolder.isEmpty() &&
                 QFileInfo(path).absolutePath() == QFileInfo(recipeFolder).absoluteFilePath();
    return true;
}

QString ownImage(const OpenedRecipe& opened, const QString& saveFolder, const QSize& canvasSize) {
    const QString image = imagePath(saveFolder, QFileInfo(opened.path).completeBaseName());
    const bool canvasBitmap =
        !QFileInfo::exists(image) || QImageReader(image, "bmp").size() == canvasSize;
    return canvasBitmap ? image : QString();
}
