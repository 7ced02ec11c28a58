#pragma once

// Writing a picture of any size to a file, atomically: an existing file is replaced only by a
// complete new one, and a failure leaves no partial file behind.

#include "ImageSaver.h"

#include <QImage>
#include <QString>

// Writes the image to `path` in `format` ("bmp": uncompressed 24-bit, "png"), creating the
// folder when it is missing.
SaveResult writePictureFile(const QImage& image, const QString& path, const char* format);
