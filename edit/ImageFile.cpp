#include "ImageFile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {
// How far the numbering goes before a save gives up.
constexpr int lastSuffix = 9999;
} // namespace

void ImageFile::forget() {
    folder_.clear();
    stem_.clear();
    path_.clear();
    written_ = {};
    recipePath_.clear();
    recipeWritten_ = {};
}

void ImageFile::adopt(const QString& folder, const QString& stem, const QString& image,
                      const QString& recipe) {
    forget();
    // Even when the image is gone its name stays this image's: a save takes it again unless
    // another file has it by then.
    folder_ = folder;
    stem_ = stem;
    path_ = image;
    written_ = identityOf(image);
    if (const FileIdentity there = identityOf(recipe); there.exists()) {
        recipePath_ = recipe;
        recipeWritten_ = there;
    }
}

SaveResult ImageFile::save(const QImage& picture, const QString& folder, const QString& stem) {
    if (folder != folder_ || stem != stem_)
        forget();
    const QString first = imagePath(folder, stem);
    SaveResult result;
    result.path = QDir::toNativeSeparators(path_.isEmpty() ? first : path_);
    auto fail = [&result](const QString& reason) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    QString problem;
    const std::unique_ptr<StagedFile> staged = stageBitmap(picture, folder, problem);
    if (!staged)
        return fail(problem);
    StagedFile& file = *staged;

    auto placed = [&](const QString& path) {
        path_ = path;
        written_ = file.identity();
        folder_ = folder;
        stem_ = stem;
        result.ok = true;
        result.path = QDir::toNativeSeparators(path);
        result.written = written_;
        return result;
    };
    if (!path_.isEmpty()) {
        const int error = file.placeOverOwn(path_, written_);
        if (error == 0)
            return placed(path_);
        if (error != EEXIST)
            return fail(file.error().isEmpty() ? QString::fromLocal8Bit(std::strerror(error))
                                               : file.error());
        // Someone else's file has this image's name now: it keeps it.
    }
    for (int n = 1; n <= lastSuffix; ++n) {
        const QString path =
            n == 1 ? first : imagePath(folder, stem + QStringLiteral("-%1").arg(n));
        const int error = file.placeNew(path);
        if (error == 0)
            return placed(path);
        if (error != EEXIST) {
            result.path = QDir::toNativeSeparators(path);
            return fail(QString::fromLocal8Bit(std::strerror(error)));
        }
    }
    return fail(QStringLiteral("every name up to %1-%2.jpg is taken").arg(stem).arg(lastSuffix));
}

SaveResult ImageFile::saveRecipe(const QByteArray& json, const QString& recipeFolder) {
    SaveResult result;
    const QString path =
        QDir(recipeFolder).filePath(QFileInfo(path_).completeBaseName() + QStringLiteral(".json"));
    result.path = QDir::toNativeSeparators(path);
    auto fail = [&result](const QString& reason) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    if (path_.isEmpty())
        return fail(QStringLiteral("the image has not been saved"));
    if (QString problem = prepareFolder(recipeFolder); !problem.isEmpty())
        return fail(problem);
    StagedFile file(recipeFolder, json);
    if (!file.ok())
        return fail(file.error());
    const bool same =
        QFileInfo(path).absoluteFilePath() == QFileInfo(recipePath_).absoluteFilePath();
    const FileIdentity expected = same && !recipePath_.isEmpty() ? recipeWritten_ : FileIdentity{};
    if (const int error = file.placeOverOwn(path, expected); error == EEXIST)
        return fail(QStringLiteral("a file of that name exists and is kept"));
    else if (error != 0)
        return fail(file.error().isEmpty() ? QString::fromLocal8Bit(std::strerror(error))
                                           : file.error());
    recipePath_ = path;
    recipeWritten_ = file.identity();
    result.ok = true;
    result.written = recipeWritten_;
    return result;
}
