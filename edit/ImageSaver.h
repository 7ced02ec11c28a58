#pragma once

// Saving the image: the canvas is copied pixel by pixel into the save buffer, and the buffer is
// written as an uncompressed 24-bit BMP named stem + ".jpg" (the content is a bitmap whatever
// the name says). The write is atomic: a file gets its name only when it is complete, and a
// failure leaves no partial file behind.

#include "StagedFile.h"
#include "Surface.h"

#include <QImage>
#include <QString>
#include <memory>

struct SaveResult {
    bool ok = false;
    QString path;         // the file written or attempted
    QString error;        // why it failed, naming the path; empty on success
    FileIdentity written; // the file written, on success
};

// What a save does when its file name is taken.
enum class Existing {
    Replace, // the new file replaces it
    Refuse,  // the save fails and the file is kept
};

// Copies columns 0..sir, each over rows 0..vis, of the canvas into the buffer (row by row; the
// result is that of the pixel-by-pixel copy).
void copyToSaveBuffer(const Surface& canvas, Surface& buffer, int sir, int vis);

// The file a stem is saved to in a folder: folder/stem.jpg.
QString imagePath(const QString& folder, const QString& stem);

// The save buffer's picture as the bytes of a 24-bit BMP file; empty with `error` set on failure.
QByteArray encodeBitmap(const QImage& picture, QString* error);

// The save buffer's picture as a complete BMP file staged in `folder` (made when missing),
// waiting for its name; null, with `error` set to the reason, when that fails.
std::unique_ptr<StagedFile> stageBitmap(const QImage& picture, const QString& folder,
                                        QString& error);

// Writes the save buffer's picture to folder/stem.jpg, creating the folder when it is missing.
// Any thread may write a picture it holds (a QImage shares its pixels until either side
// changes them).
SaveResult writeBitmap(const QImage& picture, const QString& folder, const QString& stem,
                       Existing existing = Existing::Replace);

// SaveImage: the copy, then the write.
SaveResult SaveImage(const Surface& canvas, Surface& buffer, int sir, int vis,
                     const QString& folder, const QString& stem,
                     Existing existing = Existing::Replace);
