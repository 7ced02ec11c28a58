#pragma once

// Videos as files: frames from a frame source encoded as MP4 (H.264), WebM (VP9), GIF (a
// palette made from the frames), animated WebP or a folder of numbered PNG frames, into a
// hidden temporary in the target's folder that only takes its name when complete (see
// StagedFile). This is the only code that includes FFmpeg's or libwebp's headers.

#include "StagedFile.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

enum class VideoFormat { Mp4, Webm, Gif, Webp, Frames };

// The format a name ("mp4", "webm", "gif", "webp", "frames") stands for, in any case.
std::optional<VideoFormat> videoFormatNamed(const QString& name);
// Every format's name, in the order above.
QStringList videoFormatNames();
// What a file of this format ends in: ".mp4", ".webm", ".gif", ".webp"; frames: "" (a folder).
QString videoExtension(VideoFormat format);

struct VideoSettings {
    VideoFormat format = VideoFormat::Mp4;
    int width = 1080;
    int height = 1080;
    int fps = 30; // frames a second, 1 to 120
};

// Why the installed libraries cannot make this video (an encoder missing, odd sides where
// 4:2:0 colour needs even ones), in one line, or an empty text.
QString videoProblem(const VideoSettings& settings);

// Frame `index` (0-based) of a video, in Format_RGB32 at the settings' size. Frames are asked
// for in order; a GIF asks for them twice (once to choose its palette), starting again at 0.
// The image must stay valid until the next call.
using FrameAt = std::function<const QImage&(int index)>;
// Called now and then with the fraction done; returning false cancels the video.
using VideoProgress = std::function<bool(double)>;

// Encodes `frameCount` frames into a file (a folder for Frames) staged in `folder`; null, with
// `error` set to one line, when that fails (a full disk, an encoder error) or is cancelled
// ("cancelled"). Nothing but the temporary is ever written, and it goes with the result.
std::unique_ptr<StagedFile> stageVideo(const VideoSettings& settings, int frameCount,
                                       const FrameAt& frameAt, const QString& folder,
                                       QString& error, const VideoProgress& progress = {});
