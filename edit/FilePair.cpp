#include "FilePair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {

// How many names a pair tries before it gives up.
constexpr int namesTried = 9999;

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString baseName(const PairName& name, int n) {
    if (!name.numbered && n == 1)
        return name.name;
    return name.name + QStringLiteral("-%1").arg(n);
}

bool samePath(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() &&
           QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// A plain file there holds exactly these bytes.
bool holdsExactly(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() != bytes.size())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

} // namespace

QString fileInFolder(const QString& folder, const QString& file) {
    if (folder.isEmpty() || folder == QLatin1String("."))
        return file;
    return QDir(folder).filePath(file);
}

QString pairNameProblem(const PairName& name, bool withRecipe) {
    if (!name.replace)
        return {}; // a folder in the way only moves the pair on to the next name
    const QString first = baseName(name, name.numbered ? name.first : 1);
    for (const QString& extension :
         {name.extension, withRecipe ? QStringLiteral(".json") : QString()}) {
        if (extension.isEmpty())
            continue;
        const QString path = fileInFolder(name.folder, first + extension);
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            return QStringLiteral("Could not save %1: a folder of that name is in the way")
                .arg(QDir::toNativeSeparators(path));
    }
    return {};
}

SaveResult placePair(StagedFile& picture, StagedFile* recipe, const QByteArray& recipeBytes,
                     const PairName& name, int* number) {
    SaveResult result;
    auto fail = [&result](const QString& path, const QString& reason) {
        result.path = QDir::toNativeSeparators(path);
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    const int first = name.numbered ? name.first : 1;
    for (int n = first; n < first + namesTried; ++n) {
        const QString base = baseName(name, n);
        const QString picturePath = fileInFolder(name.folder, base + name.extension);
        const QString recipePath = fileInFolder(name.folder, base + QStringLiteral(".json"));
        const bool recipeStays = !recipe || samePath(recipePath, name.ownRecipe) ||
                                 (!name.replace && holdsExactly(recipePath, recipeBytes));
        if (name.replace) {
            if (const int error = picture.placeOver(picturePath); error != 0)
                return fail(picturePath, reasonOf(error));
            if (!recipeStays)
                if (const int error = recipe->placeOver(recipePath); error != 0)
                    return fail(recipePath, reasonOf(error));
        } else {
            if (!recipeStays && identityOf(recipePath).exists())
                continue; // another file has the recipe's name
            if (const int error = picture.placeNew(picturePath); error == EEXIST)
                continue;
            else if (error != 0)
                return fail(picturePath, reasonOf(error));
            if (const int error = recipeStays ? 0 : recipe->placeNew(recipePath); error != 0) {
                // The picture goes back, so no half pair is left.
                if (!picture.takeBack(picturePath))
                    return fail(recipePath,
                                QStringLiteral("%1 (%2 was saved without it)")
                                    .arg(reasonOf(error), QDir::toNativeSeparators(picturePath)));
                if (error == EEXIST)
                    continue; // a file took the recipe's name just now: the pair moves on
                return fail(recipePath, reasonOf(error));
            }
        }
        result.ok = true;
        result.path = QDir::toNativeSeparators(picturePath);
        result.written = picture.identity();
        if (number)
            *number = n;
        return result;
    }
    return fail(fileInFolder(name.folder, baseName(name, first) + name.extension),
                QStringLiteral("every name up to %1 is taken")
                    .arg(baseName(name, first + namesTried - 1) + name.extension));
}
