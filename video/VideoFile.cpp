#include "VideoFile.h"

#include "FfmpegVideo.h"
#include "VideoFrames.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

struct Named {
    VideoFormat format;
    const char* name;
    const char* extension;
};

constexpr Named formats[] = {{VideoFormat::Mp4, "mp4", ".mp4"},
                             {VideoFormat::Webm, "webm", ".webm"},
                             {VideoFormat::Gif, "gif", ".gif"},
                             {VideoFormat::Webp, "webp", ".webp"},
                             {VideoFormat::Frames, "frames", ""}};

const Named& namedOf(VideoFormat format) {
    for (const Named& named : formats)
        if (named.format == format)
            return named;
    return formats[0];
}

// The largest side each format can hold (WebP's is one less than the rest's).
int largestSide(VideoFormat format) {
    return format == VideoFormat::Webp ? WEBP_MAX_DIMENSION : 16384;
}

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes the bytes as a new file at `path`; returns the system's reason on failure.
QString writeNewFile(const QString& path, const QByteArray& bytes, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | flags, 0666);
    if (fd < 0)
        return reasonOf(errno);
    QString error = writeFully(fd, bytes);
    if (::close(fd) != 0 && error.isEmpty())
        error = reasonOf(errno);
    return error;
}

// When frame `index` of a video `fps` frames a second starts, in whole milliseconds: each
// frame lasts 1000 / fps ms rounded so that the durations add up to the exact total.
int startMs(int index, int fps) {
    return int((qint64(index) * 1000 + fps / 2) / fps);
}

struct DeleteAnimEncoder {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};

// An animated WebP: every frame encoded in turn (only the encoded frames are held), the file
// assembled at the end.
QString writeWebp(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                  const QString& path, const VideoProgress& progress) {
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
        return QStringLiteral("this libwebp does not match the one Rosette was built with");
    options.anim_params.loop_count = 0; // forever
    // Lossy at quality 85: hard to tell from the frames, at a fraction of a lossless file's
    // size; the pictures' fine detail makes lossless files huge.
    config.lossless = 0;
    config.quality = 85;
    config.thread_level = 1; // the encoder's second thread, where it can use one
    const std::unique_ptr<WebPAnimEncoder, DeleteAnimEncoder> encoder(
        WebPAnimEncoderNew(settings.width, settings.height, &options));
    if (!encoder)
        return reasonOf(ENOMEM);
    const QString error =
        forEachFrame(settings, frameCount, frameAt, progress, [&](const QImage& image, int index) {
            // Format_RGBX8888 is R, G, B, X in memory on either byte order.
            const QImage rgbx = image.convertToFormat(QImage::Format_RGBX8888);
            WebPPicture picture;
            if (!WebPPictureInit(&picture))
                return QStringLiteral("this libwebp does not match the one Rosette was built with");
            picture.use_argb = 1;
            picture.width = settings.width;
            picture.height = settings.height;
            bool added =
                WebPPictureImportRGBX(&picture, rgbx.constBits(), int(rgbx.bytesPerLine()));
            added = added && WebPAnimEncoderAdd(encoder.get(), &picture,
                                                startMs(index, settings.fps), &config);
            WebPPictureFree(&picture);
            if (!added)
                return QStringLiteral("the WebP encoder failed: %1")
                    .arg(QString::fromUtf8(WebPAnimEncoderGetError(encoder.get())));
            return QString();
        });
    if (!error.isEmpty())
        return error;
    // The end of the last frame.
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, startMs(frameCount, settings.fps), nullptr) ||
        !WebPAnimEncoderAssemble(encoder.get(), &data))
        return QStringLiteral("the WebP encoder failed: %1")
            .arg(QString::fromUtf8(WebPAnimEncoderGetError(encoder.get())));
    const QString written = writeNewFile(
        path,
        QByteArray::fromRawData(reinterpret_cast<const char*>(data.bytes), qsizetype(data.size)),
        O_TRUNC);
    WebPDataClear(&data);
    return written;
}

// A folder of numbered PNG frames, 000001.png and on, without alpha.
QString writeFrames(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                    const QString& folder, const VideoProgress& progress) {
    return forEachFrame(
        settings, frameCount, frameAt, progress, [&folder](const QImage& image, int index) {
            // Encoded in memory, so that a failed write says why in the
            // system's words.
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            if (!writer.write(image.convertToFormat(QImage::Format_RGB888)))
                return QStringLiteral("the PNG encoder failed: %1").arg(writer.errorString());
            const QString name = QStringLiteral("%1.png").arg(index + 1, 6, 10, QLatin1Char('0'));
            return writeNewFile(QDir(folder).filePath(name), bytes, O_CREAT | O_EXCL);
        });
}

} // namespace

std::optional<VideoFormat> videoFormatNamed(const QString& name) {
    for (const Named& named : formats)
        if (name.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return named.format;
    return std::nullopt;
}

QStringList videoFormatNames() {
    QStringList names;
    for (const Named& named : formats)
        names << QString::fromLatin1(named.name);
    return names;
}

QString videoExtension(VideoFormat format) {
    return QString::fromLatin1(namedOf(format).extension);
}

QString videoProblem(const VideoSettings& settings) {
    const QString name = QString::fromLatin1(namedOf(settings.format).name);
    if (settings.fps < 1 || settings.fps > 120)
        return QStringLiteral("the frame rate must be 1 to 120 frames a second, not %1")
            .arg(settings.fps);
    const int largest = largestSide(settings.format);
    if (settings.width < 1 || settings.height < 1 || settings.width > largest ||
        settings.height > largest)
        return QStringLiteral("%1 takes sides of 1 to %2 pixels, not %3 x %4")
            .arg(name)
            .arg(largest)
            .arg(settings.width)
            .arg(settings.height);
    const bool halvesColour =
        settings.format == VideoFormat::Mp4 || settings.format == VideoFormat::Webm;
    if (halvesColour && (settings.width % 2 != 0 || settings.height % 2 != 0))
        return QStringLiteral("%1 needs even sides; %2 x %3 has an odd one")
            .arg(name)
            .arg(settings.width)
            .arg(settings.height);
    if (settings.format == VideoFormat::Webp || settings.format == VideoFormat::Frames)
        return {};
    return ffmpegProblem(settings.format);
}

const QImage* checkedFrame(const FrameAt& frameAt, int index, const VideoSettings& settings,
                           QImage& converted, QString& error) {
    const QImage& image = frameAt(index);
    if (image.width() != settings.width || image.height() != settings.height) {
        error = QStringLiteral("frame %1 is %2 x %3, not %4 x %5")
                    .arg(index + 1)
                    .arg(image.width())
                    .arg(image.height())
                    .arg(settings.width)
                    .arg(settings.height);
        return nullptr;
    }
    if (image.format() == QImage::Format_RGB32)
        return &image;
    converted = image.convertToFormat(QImage::Format_RGB32);
    return &converted;
}

std::unique_ptr<StagedFile> stageVideo(const VideoSettings& settings, int frameCount,
                                       const FrameAt& frameAt, const QString& folder,
                                       QString& error, const VideoProgress& progress) {
    error = videoProblem(settings);
    if (error.isEmpty() && frameCount < 1)
        error = QStringLiteral("a video needs at least one frame");
    if (error.isEmpty())
        error = prepareFolder(folder);
    if (!error.isEmpty())
        return nullptr;
    auto write = [&](const QString& path) {
        switch (settings.format) {
        case VideoFormat::Webp:
            return writeWebp(settings, frameCount, frameAt, path, progress);
        case VideoFormat::Frames:
            return writeFrames(settings, frameCount, frameAt, path, progress);
        default:
            return writeWithFfmpeg(settings, frameCount, frameAt, path, progress);
        }
    };
    const auto kind =
        settings.format == VideoFormat::Frames ? StagedFile::Kind::Folder : StagedFile::Kind::File;
    auto file = std::make_unique<StagedFile>(folder, kind, write);
    if (!file->ok()) {
        error = file->error();
        return nullptr;
    }
    return file;
}
