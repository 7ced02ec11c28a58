#pragma once

// The formats FFmpeg's libraries write: MP4 (H.264 through libx264), WebM (VP9 through libvpx)
// and GIF (a palette made from all the frames by libavfilter, then each frame mapped onto it).

#include "VideoFile.h"

#include <QString>

// Why the installed FFmpeg cannot write `format` (an encoder, muxer or filter missing), or an
// empty text.
QString ffmpegProblem(VideoFormat format);

// Encodes the video into the file at `path`, which FFmpeg opens by name (an MP4 opens it again
// to move its index to the front). Returns why that failed in one line (a failed write gives
// the system's reason alone), "cancelled", or an empty text.
QString writeWithFfmpeg(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                        const QString& path, const VideoProgress& progress);

// FFmpeg's log goes nowhere but into the last error line it kept, which failures quote.
void quietFfmpeg();
