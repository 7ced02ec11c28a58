#pragma once

// Pictures of any size as files: encoded straight into a staged file, so a large picture is not
// held a second time in memory, and given a name only when complete.

#include "StagedFile.h"

#include <QImage>
#include <QString>
#include <memory>

// The image encoded as `format` ("bmp": uncompressed 24-bit, "png") in a file staged in
// `folder` (made when missing); null, with `error` set to the reason, when that fails. Once
// `cancelled` (when given) answers true the encoding stops, with the error "cancelled".
std::unique_ptr<StagedFile> stagePicture(const QImage& image, const QString& folder,
                                         const char* format, QString& error,
                                         const StagedFile::Cancelled& cancelled = {});
