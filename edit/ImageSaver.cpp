#include "ImageSaver.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

void copyToSaveBuffer(const Surface& canvas, Surface& buffer, int sir, int vis) {
    for (int i = 0; i <= sir; ++i)
        for (int j = 0; j <= vis; ++j)
            buffer.pset(float(i), float(j), canvas.point(float(i), float(j)));
}

QString imagePath(const QString& folder, const QString& stem) {
    return QDir(folder).filePath(stem + QStringLiteral(".jpg"));
}

SaveResult writeBitmap(const Surface& buffer, const QString& folder, const QString& stem) {
    const QString path = imagePath(folder, stem);
    SaveResult result;
    result.path = QDir::toNativeSeparators(path);
    auto fail = [&result](const QString& reason) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("the folder %1 does not exist and cannot be created")
                        .arg(QDir::toNativeSeparators(folder)));
    if (QFileInfo(path).isDir())
        return fail(QStringLiteral("a folder of that name is in the way"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // 24 bits per pixel: every colour the program draws is plain RGB.
    QImageWriter writer(&file, "bmp");
    if (!writer.write(buffer.image().convertToFormat(QImage::Format_RGB888))) {
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

SaveResult SaveImage(const Surface& canvas, Surface& buffer, int sir, int vis,
                     const QString& folder, const QString& stem) {
    copyToSaveBuffer(canvas, buffer, sir, vis);
    return writeBitmap(buffer, folder, stem);
}
