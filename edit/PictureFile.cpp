#include "PictureFile.h"

#include <QIODevice>
#include <QImageWriter>

std::unique_ptr<StagedFile> stagePicture(const QImage& image, const QString& folder,
                                         const char* format, QString& error,
                                         const StagedFile::Cancelled& cancelled) {
    error = prepareFolder(folder);
    if (!error.isEmpty())
        return nullptr;
    // Both writers take Format_RGB32 row by row, so a large picture is not copied; the bitmap
    // comes out with 24 bits a pixel.
    auto file = std::make_unique<StagedFile>(
        folder,
        [&image, format](QIODevice& device) {
            QImageWriter writer(&device, format);
            return writer.write(image) ? QString() : writer.errorString();
        },
        cancelled);
    if (!file->ok()) {
        error = file->error();
        return nullptr;
    }
    return file;
}
