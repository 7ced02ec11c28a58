#include "PictureFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

SaveResult writePictureFile(const QImage& image, const QString& path, const char* format) {
    SaveResult result;
    result.path = QDir::toNativeSeparators(path);
    auto fail = [&result](const QString& reason) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("the folder %1 does not exist and cannot be created")
                        .arg(QDir::toNativeSeparators(folder)));
    if (QFileInfo(path).isDir())
        return fail(QStringLiteral("a folder of that name is in the way"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // Both writers take Format_RGB32 row by row, so a large picture is not copied; the bitmap
    // comes out with 24 bits a pixel.
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        file.cancelWriting();
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    result.ok = true;
    return result;
}
