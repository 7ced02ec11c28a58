#include "ImageSaver.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cstring>

void copyToSaveBuffer(const Surface& canvas, Surface& buffer, int sir, int vis) {
    // Row by row, the same as copying pixel by pixel: a buffer pixel the canvas does not have
    // gets what a read outside the canvas gives.
    const int columns = std::min(sir + 1, buffer.width());
    const int rows = std::min(vis + 1, buffer.height());
    if (columns <= 0 || rows <= 0)
        return;
    const int shared = std::min(columns, canvas.width());
    const QRgb outside = colour::toQRgb(colour::none);
    for (int j = 0; j < rows; ++j) {
        QRgb* const to = buffer.scanLine(j);
        int i = 0;
        if (j < canvas.height()) {
            const QRgb* const from = canvas.constScanLine(j);
            for (; i < shared; ++i)
                to[i] = colour::toQRgb(colour::fromQRgb(from[i]));
        }
        std::fill(to + i, to + columns, outside);
    }
    buffer.markChanged(QRect(0, 0, columns, rows));
}

QString imagePath(const QString& folder, const QString& stem) {
    const QString name = stem + QStringLiteral(".jpg");
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

QByteArray encodeBitmap(const QImage& picture, QString* error) {
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    // 24 bits per pixel: every colour the program draws is plain RGB, and Qt writes an RGB32
    // picture as a 24-bit bitmap without a conversion of its own.
    QImageWriter writer(&device, "bmp");
    if (!writer.write(picture)) {
        if (error)
            *error = writer.errorString();
        return {};
    }
    return bytes;
}

std::unique_ptr<StagedFile> stageBitmap(const QImage& picture, const QString& folder,
                                        QString& error) {
    error = prepareFolder(folder);
    if (!error.isEmpty())
        return nullptr;
    const QByteArray bytes = encodeBitmap(picture, &error);
    if (bytes.isEmpty())
        return nullptr;
    auto file = std::make_unique<StagedFile>(folder, bytes);
    if (!file->ok()) {
        error = file->error();
        return nullptr;
    }
    return file;
}

SaveResult writeBitmap(const QImage& picture, const QString& folder, const QString& stem,
                       Existing existing) {
    const QString path = imagePath(folder, stem);
    SaveResult result;
    result.path = QDir::toNativeSeparators(path);
    auto fail = [&result](const QString& reason) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, reason);
        return result;
    };
    if (QFileInfo(path).isDir())
        return fail(QStringLiteral("a folder of that name is in the way"));
    QString problem;
    const std::unique_ptr<StagedFile> file = stageBitmap(picture, folder, problem);
    if (!file)
        return fail(problem);
    const int error = existing == Existing::Replace ? file->placeOver(path) : file->placeNew(path);
    if (error == EEXIST)
        return fail(QStringLiteral("a file of that name exists already"));
    if (error != 0)
        return fail(QString::fromLocal8Bit(std::strerror(error)));
    result.ok = true;
    result.written = file->identity();
    return result;
}

SaveResult SaveImage(const Surface& canvas, Surface& buffer, int sir, int vis,
                     const QString& folder, const QString& stem, Existing existing) {
    copyToSaveBuffer(canvas, buffer, sir, vis);
    return writeBitmap(buffer.image(), folder, stem, existing);
}
