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

// Hands frames 0 to frameCount - 1 in turn, checked as checkedFrame does, to `use(image, index)`,
// which returns an error or an empty text. Before each frame, `progress` hears the fraction done,
// from `from` and over `span` for the whole run. Returns the first error: a cancel, a frame of the
// wrong size, or `use`'s.
template <typename Use>
QString forEachFrame(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                     const VideoProgress& progress, Use&& use, double from = 0, double span = 1) {
    QImage converted;
    for (int index = 0; index < frameCount; ++index) {
        if (!goOn(progress, from + span * index / frameCount))
            return cancelledError();
        QString error;
        const QImage* image = checkedFrame(frameAt, index, settings, converted, error);
        if (!image)
            return error;
        if (error = use(*image, index); !error.isEmpty())
            return error;
    }
    return {};
}
