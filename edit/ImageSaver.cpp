#include "ImageSaver.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <cerrno>
#include <cstring>

void copyToSaveBuffer(const Surface& canvas, Surface& buffer, int sir, int vis) {
    for (int i = 0; i <= sir; ++i)
        for (int j = 0; j <= vis; ++j)
            buffer.pset(float(i), float(j), canvas.point(float(i), float(j)));
}

QString imagePath(const QString& folder, const QString& stem) {
    const QString name = stem + QStringLiteral(".jpg");
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

QByteArray encodeBitmap(const Surface& buffer, QString* error) {
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    // 24 bits per pixel: every colour the program draws is plain RGB.
    QImageWriter writer(&device, "bmp");
    if (!writer.write(buffer.image().convertToFormat(QImage::Format_RGB888))) {
        if (error)
            *error = writer.errorString();
        return {};
    }
    return bytes;
}

SaveResult writeBitmap(const Surface& buffer, const QString& folder, const QString& stem,
                       Existing existing) {
    const QString path = imagePath(folder, stem);
    SaveResult result;
    result.path = QDir::toNativeSeparators(path);
    auto fail = [&result](const QString& reason) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    if (const QString problem = prepareFolder(folder); !problem.isEmpty())
        return fail(problem);
    if (QFileInfo(path).isDir())
        return fail(QStringLiteral("a folder of that name is in the way"));
    QString encodingError;
    const QByteArray bytes = encodeBitmap(buffer, &encodingError);
    if (bytes.isEmpty())
        return fail(encodingError);
    StagedFile file(folder, bytes);
    if (!file.ok())
        return fail(file.error());
    const int error = existing == Existing::Replace ? file.placeOver(path) : file.placeNew(path);
    if (error == EEXIST)
        return fail(QStringLiteral("a file of that name exists already"));
    if (error != 0)
        return fail(QString::fromLocal8Bit(std::strerror(error)));
    result.ok = true;
    result.written = file.identity();
    return result;
}

SaveResult SaveImage(const Surface& canvas, Surface& buffer, int sir, int vis,
                     const QString& folder, const QString& stem, Existing existing) {
    copyToSaveBuffer(canvas, buffer, sir, vis);
    return writeBitmap(buffer, folder, stem, existing);
}
