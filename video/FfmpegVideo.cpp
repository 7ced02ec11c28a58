#include "FfmpegVideo.h"

#include "VideoFrames.h"

#include <QFile>
#include <algorithm>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// The last error FFmpeg logged on this thread, for the message of a call that then fails.
thread_local QString lastLogLine;

void keepLastError(void* context, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR)
        return;
    char line[1024] = {};
    int printPrefix = 0; // no "[libx264 @ 0x...]" before the text
    av_log_format_line2(context, level, format, arguments, line, sizeof line, &printPrefix);
    const QString text = QString::fromUtf8(line).trimmed();
    if (!text.isEmpty())
        lastLogLine = text;
}

struct FormatInfo {
    const char* encoder; // libavcodec's name
    const char* codec;   // as people know it
    const char* muxer;
};

FormatInfo infoOf(VideoFormat format) {
    switch (format) {
    case VideoFormat::Mp4:
        return {"libx264", "H.264", "mp4"};
    case VideoFormat::Webm:
        return {"libvpx-vp9", "VP9", "webm"};
    default:
        return {"gif", "GIF", "gif"};
    }
}

QString textOf(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// A failed write: the system's reason (a full disk), nothing more.
QString writeFailure(int code) {
    return textOf(code);
}

// A failed step other than a write: what failed, then what FFmpeg logged about it, or else its
// text for the code.
QString stepFailure(const QString& what, int code) {
    const QString detail = !lastLogLine.isEmpty() ? lastLogLine : textOf(code);
    return QStringLiteral("%1: %2").arg(what, detail);
}

struct FreeCodec {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FreeFrame {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreePacket {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FreeScaler {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct FreeGraph {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct FreeOutput {
    void operator()(AVFormatContext* output) const {
        if (output->pb)
            avio_closep(&output->pb);
        avformat_free_context(output);
    }
};

using Frame = std::unique_ptr<AVFrame, FreeFrame>;

// One video stream: an encoder and the muxer that writes its packets into the file.
class Encoder {
public:
    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder() {
        // The GIF muxer holds one packet back, which only its trailer frees; whatever the
        // trailer writes goes with the temporary.
        if (trailerDue_ && holdsPacket_)
            av_write_trailer(output_.get());
    }
    QString open(const VideoSettings& settings, AVPixelFormat pixelFormat, const QString& path);
    // Encodes a frame (its pts counted in frames) and writes whatever packets it gives.
    QString encode(const AVFrame* frame);
    // Drains the encoder, writes the index and closes the file, reporting a failed write.
    QString finish();

private:
    QString writePackets();
    // A failed muxer call: the system's reason when a write failed (a full disk), else what
    // failed and why.
    QString muxFailure(int code) const;

    std::unique_ptr<AVFormatContext, FreeOutput> output_;
    std::unique_ptr<AVCodecContext, FreeCodec> codec_;
    std::unique_ptr<AVPacket, FreePacket> packet_;
    AVStream* stream_ = nullptr;
    QString codecName_;
    QString muxerName_;
    bool trailerDue_ = false;
    bool holdsPacket_ = false;
};

QString Encoder::open(const VideoSettings& settings, AVPixelFormat pixelFormat,
                      const QString& path) {
    const FormatInfo info = infoOf(settings.format);
    codecName_ = QString::fromLatin1(info.codec);
    muxerName_ = QString::fromLatin1(info.muxer);
    const AVCodec* codec = avcodec_find_encoder_by_name(info.encoder);
    if (!codec)
        return ffmpegProblem(settings.format);
    const QByteArray name = QFile::encodeName(path);
    AVFormatContext* output = nullptr;
    // The name stays with the muxer: an MP4 opens the file again by it.
    int code = avformat_alloc_output_context2(&output, nullptr, info.muxer, name.constData());
    if (code < 0)
        return stepFailure(QStringLiteral("the %1 muxer cannot start").arg(info.muxer), code);
    output_.reset(output);
    stream_ = avformat_new_stream(output, nullptr);
    codec_.reset(avcodec_alloc_context3(codec));
    packet_.reset(av_packet_alloc());
    if (!stream_ || !codec_ || !packet_)
        return textOf(AVERROR(ENOMEM));

    AVCodecContext* c = codec_.get();
    c->width = settings.width;
    c->height = settings.height;
    c->time_base = AVRational{1, settings.fps};
    c->framerate = AVRational{settings.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->pix_fmt = pixelFormat;
    c->thread_count = 0; // as many as the encoder finds useful
    if (pixelFormat == AV_PIX_FMT_YUV420P) {
        // sRGB frames, converted with BT.601's matrix into limited-range values.
        c->color_range = AVCOL_RANGE_MPEG;
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_IEC61966_2_1;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    switch (settings.format) {
    case VideoFormat::Mp4:
        // Visually lossless for most pictures, at x264's default trade of time for size.
        av_dict_set(&options, "crf", "18", 0);
        av_dict_set(&options, "preset", "medium", 0);
        break;
    case VideoFormat::Webm:
        // Constant quality (no bit rate aimed at), rows encoded in parallel, at libvpx's speed
        // 2 of 0 (slowest) to 8: its default, 1, takes far longer for little gain.
        c->bit_rate = 0;
        av_dict_set(&options, "crf", "30", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        av_dict_set(&options, "deadline", "good", 0);
        av_dict_set(&options, "cpu-used", "2", 0);
        break;
    default:
        break;
    }
    lastLogLine.clear();
    code = avcodec_open2(c, codec, &options);
    av_dict_free(&options);
    if (code < 0)
        return stepFailure(QStringLiteral("the %1 encoder cannot start").arg(codecName_), code);
    code = avcodec_parameters_from_context(stream_->codecpar, c);
    if (code < 0)
        return stepFailure(QStringLiteral("the %1 encoder cannot start").arg(codecName_), code);
    stream_->time_base = c->time_base;
    stream_->avg_frame_rate = c->framerate;

    code = avio_open(&output->pb, name.constData(), AVIO_FLAG_WRITE);
    if (code < 0)
        return writeFailure(code);
    AVDictionary* muxing = nullptr;
    if (settings.format == VideoFormat::Mp4)
        av_dict_set(&muxing, "movflags", "+faststart", 0); // the index first: plays at once
    if (settings.format == VideoFormat::Gif)
        av_dict_set(&muxing, "loop", "0", 0); // forever
    lastLogLine.clear();
    code = avformat_write_header(output, &muxing);
    av_dict_free(&muxing);
    if (code < 0)
        return muxFailure(code);
    trailerDue_ = true;
    holdsPacket_ = settings.format == VideoFormat::Gif;
    return {};
}

QString Encoder::encode(const AVFrame* frame) {
    lastLogLine.clear();
    const int code = avcodec_send_frame(codec_.get(), frame);
    if (code < 0)
        return stepFailure(QStringLiteral("the %1 encoder failed").arg(codecName_), code);
    return writePackets();
}

QString Encoder::writePackets() {
    for (;;) {
        int code = avcodec_receive_packet(codec_.get(), packet_.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return {};
        if (code < 0)
            return stepFailure(QStringLiteral("the %1 encoder failed").arg(codecName_), code);
        // Every frame lasts one frame's time, the last one too.
        if (packet_->duration <= 0)
            packet_->duration = 1;
        av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        lastLogLine.clear();
        code = av_interleaved_write_frame(output_.get(), packet_.get());
        if (code < 0)
            return muxFailure(code);
    }
}

QString Encoder::muxFailure(int code) const {
    if (output_->pb && output_->pb->error < 0)
        return writeFailure(output_->pb->error);
    return stepFailure(QStringLiteral("the %1 muxer failed").arg(muxerName_), code);
}

QString Encoder::finish() {
    if (const QString error = encode(nullptr); !error.isEmpty())
        return error;
    trailerDue_ = false;
    lastLogLine.clear();
    int code = av_write_trailer(output_.get());
    if (code >= 0) {
        avio_flush(output_->pb);
        code = output_->pb->error; // closing forgets a failed last write
    }
    if (code < 0)
        return muxFailure(code);
    code = avio_closep(&output_->pb);
    return code < 0 ? writeFailure(code) : QString();
}

// Frames in Format_RGB32 converted into YUV 4:2:0 for the encoder.
class Converter {
public:
    QString open(const VideoSettings& settings) {
        frame_.reset(av_frame_alloc());
        if (!frame_)
            return textOf(AVERROR(ENOMEM));
        frame_->format = AV_PIX_FMT_YUV420P;
        frame_->width = settings.width;
        frame_->height = settings.height;
        frame_->color_range = AVCOL_RANGE_MPEG;
        frame_->colorspace = AVCOL_SPC_SMPTE170M;
        frame_->color_primaries = AVCOL_PRI_BT709;
        frame_->color_trc = AVCOL_TRC_IEC61966_2_1;
        if (const int code = av_frame_get_buffer(frame_.get(), 0); code < 0)
            return textOf(code);
        // AV_PIX_FMT_RGB32 is QImage's Format_RGB32 in memory on either byte order.
        scaler_.reset(sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGB32,
                                     settings.width, settings.height, AV_PIX_FMT_YUV420P,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!scaler_)
            return QStringLiteral("the colour conversion cannot start");
        // Full-range RGB in, limited-range BT.601 out.
        const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(scaler_.get(), coefficients, 1, coefficients, 0, 0, 1 << 16,
                                 1 << 16);
        return {};
    }
    // The frame converted, or null when memory for it cannot be had.
    const AVFrame* convert(const QImage& image, int index) {
        // The encoder may still hold the last frame's buffer: then this one gets its own.
        if (av_frame_make_writable(frame_.get()) < 0)
            return nullptr;
        const std::uint8_t* planes[] = {image.constBits()};
        const int strides[] = {int(image.bytesPerLine())};
        sws_scale(scaler_.get(), planes, strides, 0, image.height(), frame_->data,
                  frame_->linesize);
        frame_->pts = index;
        return frame_.get();
    }

private:
    Frame frame_;
    std::unique_ptr<SwsContext, FreeScaler> scaler_;
};

QString writeYuv(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                 const QString& path, const VideoProgress& progress) {
    Encoder encoder;
    if (const QString error = encoder.open(settings, AV_PIX_FMT_YUV420P, path); !error.isEmpty())
        return error;
    Converter converter;
    if (const QString error = converter.open(settings); !error.isEmpty())
        return error;
    const QString error =
        forEachFrame(settings, frameCount, frameAt, progress, [&](const QImage& image, int index) {
            const AVFrame* frame = converter.convert(image, index);
            return frame ? encoder.encode(frame) : textOf(AVERROR(ENOMEM));
        });
    return error.isEmpty() ? encoder.finish() : error;
}

// A filter graph for one of the GIF's two passes: frames in, and for the second pass the
// palette; what the graph makes out.
class Filters {
public:
    // The first pass: every frame counted into a palette of the colours it uses most.
    QString openPaletteMaker(const VideoSettings& settings) {
        if (const QString error = begin(settings); !error.isEmpty())
            return error;
        AVFilterContext* maker = nullptr;
        // One entry stays transparent: the encoder draws the pixels that did not change
        // since the last frame in it, which makes a growing picture's GIF far smaller.
        if (const QString error = add(&maker, "palettegen", ""); !error.isEmpty())
            return error;
        return connect({{input_, maker}, {maker, output_}});
    }
    // The second pass: every frame drawn in the palette's colours.
    QString openPaletteUser(const VideoSettings& settings) {
        if (const QString error = begin(settings); !error.isEmpty())
            return error;
        AVFilterContext* user = nullptr;
        if (const QString error =
                add(&palette_, "buffer",
                    "video_size=16x16:pix_fmt=" + std::to_string(AV_PIX_FMT_RGB32) +
                        ":time_base=" + timeBase_);
            !error.isEmpty())
            return error;
        if (const QString error = add(&user, "paletteuse", ""); !error.isEmpty())
            return error;
        return connect({{input_, user}, {palette_, user}, {user, output_}});
    }

    // Hands the palette to the second pass, once, before the frames.
    QString givePalette(AVFrame* palette) {
        palette->pts = 0;
        int code = av_buffersrc_add_frame_flags(palette_, palette, AV_BUFFERSRC_FLAG_KEEP_REF);
        if (code >= 0)
            code = av_buffersrc_add_frame(palette_, nullptr); // no other palette
        return code < 0 ? stepFailure(QStringLiteral("the palette cannot be used"), code)
                        : QString();
    }
    // Gives a frame (null: no more frames) and calls `take` with every frame that comes out.
    template <typename Take> QString give(const QImage* image, int index, Take take) {
        Frame frame;
        if (image) {
            // Copied by the filter, which may keep it longer than the source keeps its image.
            frame.reset(av_frame_alloc());
            if (!frame)
                return textOf(AVERROR(ENOMEM));
            frame->format = AV_PIX_FMT_RGB32;
            frame->width = image->width();
            frame->height = image->height();
            frame->data[0] = const_cast<std::uint8_t*>(image->constBits());
            frame->linesize[0] = int(image->bytesPerLine());
            frame->pts = index;
        }
        lastLogLine.clear();
        int code = av_buffersrc_add_frame_flags(
            input_, frame.get(), AV_BUFFERSRC_FLAG_KEEP_REF | AV_BUFFERSRC_FLAG_PUSH);
        if (code < 0)
            return stepFailure(QStringLiteral("the palette filter failed"), code);
        const Frame out(av_frame_alloc());
        if (!out)
            return textOf(AVERROR(ENOMEM));
        for (;;) {
            code = av_buffersink_get_frame(output_, out.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return {};
            if (code < 0)
                return stepFailure(QStringLiteral("the palette filter failed"), code);
            const QString error = take(out.get());
            av_frame_unref(out.get());
            if (!error.isEmpty())
                return error;
        }
    }

private:
    QString begin(const VideoSettings& settings) {
        graph_.reset(avfilter_graph_alloc());
        if (!graph_)
            return textOf(AVERROR(ENOMEM));
        timeBase_ = "1/" + std::to_string(settings.fps);
        const std::string frames = "video_size=" + std::to_string(settings.width) + "x" +
                                   std::to_string(settings.height) +
                                   ":pix_fmt=" + std::to_string(AV_PIX_FMT_RGB32) +
                                   ":time_base=" + timeBase_ + ":pixel_aspect=1/1";
        if (const QString error = add(&input_, "buffer", frames); !error.isEmpty())
            return error;
        return add(&output_, "buffersink", "");
    }
    QString add(AVFilterContext** filter, const char* name, const std::string& arguments) {
        const AVFilter* kind = avfilter_get_by_name(name);
        if (!kind)
            return QStringLiteral("this FFmpeg has no %1 filter").arg(name);
        lastLogLine.clear();
        const int code = avfilter_graph_create_filter(
            filter, kind, nullptr, arguments.empty() ? nullptr : arguments.c_str(), nullptr,
            graph_.get());
        return code < 0 ? stepFailure(QStringLiteral("the %1 filter cannot start").arg(name), code)
                        : QString();
    }
    struct Link {
        AVFilterContext* from;
        AVFilterContext* to;
    };
    QString connect(std::initializer_list<Link> links) {
        // A filter with two inputs takes them in the order they are listed.
        std::vector<AVFilterContext*> fed;
        for (const Link& link : links) {
            const auto pad = unsigned(std::count(fed.begin(), fed.end(), link.to));
            fed.push_back(link.to);
            if (const int code = avfilter_link(link.from, 0, link.to, pad); code < 0)
                return stepFailure(QStringLiteral("the palette filters cannot be joined"), code);
        }
        lastLogLine.clear();
        const int code = avfilter_graph_config(graph_.get(), nullptr);
        return code < 0 ? stepFailure(QStringLiteral("the palette filters cannot start"), code)
                        : QString();
    }

    std::unique_ptr<AVFilterGraph, FreeGraph> graph_;
    std::string timeBase_;
    AVFilterContext* input_ = nullptr;
    AVFilterContext* palette_ = nullptr;
    AVFilterContext* output_ = nullptr;
};

// A GIF in two passes over the frames, so that no more than one frame is ever held: the first
// makes the palette, the second draws each frame in it.
QString writeGif(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                 const QString& path, const VideoProgress& progress) {
    // Every frame, then their end, through `filters`; the pass is half the work.
    auto pass = [&](Filters& filters, double done, const auto& take) {
        const QString error = forEachFrame(
            settings, frameCount, frameAt, progress,
            [&](const QImage& image, int index) { return filters.give(&image, index, take); }, done,
            0.5);
        return error.isEmpty() ? filters.give(nullptr, frameCount, take) : error;
    };

    const Frame palette(av_frame_alloc());
    if (!palette)
        return textOf(AVERROR(ENOMEM));
    {
        Filters maker;
        QString error = maker.openPaletteMaker(settings);
        if (error.isEmpty())
            error = pass(maker, 0.0, [&palette](AVFrame* made) {
                av_frame_unref(palette.get());
                av_frame_move_ref(palette.get(), made);
                return QString();
            });
        if (error.isEmpty() && !palette->data[0])
            error = QStringLiteral("the palette filter made no palette");
        if (!error.isEmpty())
            return error;
    }

    Encoder encoder;
    Filters user;
    QString error = encoder.open(settings, AV_PIX_FMT_PAL8, path);
    if (error.isEmpty())
        error = user.openPaletteUser(settings);
    if (error.isEmpty())
        error = user.givePalette(palette.get());
    if (error.isEmpty())
        error = pass(user, 0.5, [&encoder](AVFrame* drawn) { return encoder.encode(drawn); });
    return error.isEmpty() ? encoder.finish() : error;
}

} // namespace

void quietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(keepLastError); });
}

QString ffmpegProblem(VideoFormat format) {
    quietFfmpeg();
    const FormatInfo info = infoOf(format);
    if (!avcodec_find_encoder_by_name(info.encoder))
        return QStringLiteral("this FFmpeg has no %1 encoder (%2)").arg(info.codec, info.encoder);
    if (!av_guess_format(info.muxer, nullptr, nullptr))
        return QStringLiteral("this FFmpeg cannot write %1 files").arg(info.muxer);
    if (format == VideoFormat::Gif)
        for (const char* filter : {"buffer", "buffersink", "palettegen", "paletteuse"})
            if (!avfilter_get_by_name(filter))
                return QStringLiteral("this FFmpeg has no %1 filter").arg(filter);
    return {};
}

QString writeWithFfmpeg(const VideoSettings& settings, int frameCount, const FrameAt& frameAt,
                        const QString& path, const VideoProgress& progress) {
    quietFfmpeg();
    if (settings.format == VideoFormat::Gif)
        return writeGif(settings, frameCount, frameAt, path, progress);
    return writeYuv(settings, frameCount, frameAt, path, progress);
}
