#pragma once

// What every video writer does with the frame source and the progress callback.

#include "VideoFile.h"

#include <QImage>
#include <QString>

// Frame `index` in Format_RGB32 at the settings' size: the source's own image, or `converted`
// when it came in another format; null, with `error` set, when it has another size.
const QImage* checkedFrame(const FrameAt& frameAt, int index, const VideoSettings& settings,
                           QImage& converted, QString& error);

// False when `progress` asks to stop at this fraction.
inline bool goOn(const VideoProgress& progress, double fraction) {
    return !progress || progress(fraction);
}

// The error of a video that was cancelled.
inline QString cancelledError() {
    return QStringLiteral("cancelled");
}
