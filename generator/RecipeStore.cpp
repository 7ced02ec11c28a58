#include "RecipeStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {

const QString recipeSuffix = QStringLiteral(".json");

bool namesImage(const QString& argument) {
    for (const char* extension : {".jpg", ".png", ".bmp"})
        if (argument.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            return true;
    return false;
}

// Puts a file moved to the trash back at `path` and drops the trash's note of it.
void takeOutOfTrash(const QString& inTrash, const QString& path) {
    if (!QFile::rename(inTrash, path))
        return;
    // The freedesktop trash keeps files/NAME with its note in info/NAME.trashinfo.
    const QFileInfo moved(inTrash);
    QFile::remove(QDir(moved.absolutePath() + QStringLiteral("/../info"))
                      .filePath(moved.fileName() + QStringLiteral(".trashinfo")));
}

} // namespace

QList<StoredRecipe> RecipeStore::list() const {
    QList<StoredRecipe> recipes;
    QDirIterator files(folder_, {QLatin1Char('*') + recipeSuffix}, QDir::Files);
    while (files.hasNext()) {
        files.next();
        const QFileInfo info = files.fileInfo();
        recipes.append(
            {info.filePath(), info.completeBaseName(), info.lastModified(), info.size()});
    }
    std::sort(recipes.begin(), recipes.end(), [](const StoredRecipe& a, const StoredRecipe& b) {
        if (a.modified != b.modified)
            return a.modified > b.modified;
        return a.stem > b.stem;
    });
    return recipes;
}

QString RecipeStore::find(const QString& argument) const {
    if (argument.isEmpty())
        return {};
    const QFileInfo given(argument);
    if (namesImage(argument) && (given.isFile() || !argument.contains(QLatin1Char('/')))) {
        // The recipe beside an image file (as rosette-render writes them), else the one saved
        // with it in the folder.
        const QString beside = given.dir().filePath(given.completeBaseName() + recipeSuffix);
        if (given.isFile() && QFileInfo(beside).isFile())
            return beside;
        const QString saved = QDir(folder_).filePath(given.completeBaseName() + recipeSuffix);
        return QFileInfo(saved).isFile() ? saved : QString();
    }
    if (given.isFile())
        return argument;
    if (argument.contains(QLatin1Char('/')))
        return {};
    const QString stem =
        argument.endsWith(recipeSuffix) ? argument.chopped(int(recipeSuffix.size())) : argument;
    const QString saved = QDir(folder_).filePath(stem + recipeSuffix);
    return QFileInfo(saved).isFile() ? saved : QString();
}

QString RecipeStore::thumbnailKey(const StoredRecipe& recipe) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QFileInfo(recipe.path).absoluteFilePath().toUtf8());
    hash.addData(QByteArrayView("\n"));
    hash.addData(QByteArray::number(recipe.size));
    hash.addData(QByteArrayView("\n"));
    hash.addData(QByteArray::number(recipe.modified.toMSecsSinceEpoch()));
    return QString::fromLatin1(hash.result().toHex());
}

StoredRecipe RecipeStore::stored(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return {path, info.completeBaseName(), info.lastModified(), info.size()};
}

bool RecipeStore::moveToTrash(const StoredRecipe& recipe, const QString& imageFolder,
                              QString* error) {
    auto fail = [error](const QString& path, const QString& reason) {
        if (error)
            *error = QStringLiteral("%1 could not be moved to the trash: %2")
                         .arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    // Without the data folder Qt makes the trash's folders in the current one instead.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty() && !QDir().mkpath(data))
        return fail(recipe.path, QStringLiteral("the data folder %1 cannot be made")
                                     .arg(QDir::toNativeSeparators(data)));
    QFile recipeFile(recipe.path);
    if (!recipeFile.moveToTrash())
        return fail(recipe.path, recipeFile.errorString());
    if (imageFolder.isEmpty())
        return true;
    const QString imagePath = QDir(imageFolder).filePath(recipe.stem + QStringLiteral(".jpg"));
    QFile image(imagePath);
    if (!image.exists() || image.moveToTrash())
        return true;
    const QString reason = image.errorString();
    takeOutOfTrash(recipeFile.fileName(), recipe.path);
    return fail(imagePath, reason);
}
