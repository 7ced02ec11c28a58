// Videos: every format read back shows the frames it was made from; sides a format cannot take
// are refused; a full disk or a cancel leaves nothing behind.

#include "FilePair.h"
#include "VideoFile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <webp/demux.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int frameCount = 12;
constexpr int fps = 12; // frames of 83 1/3 ms, which must still add up to a second
constexpr int width = 64;
constexpr int height = 48;

// Frame k: four flat quarters whose colours move on with k.
QImage frameOf(int k) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int n = k + (x >= width / 2) + 2 * (y >= height / 2);
            image.setPixel(x, y, qRgb(n * 67 % 256, (n * 131 + 40) % 256, (n * 29 + 200) % 256));
        }
    return image;
}

QImage toImage(const AVFrame* frame) {
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    SwsContext* scaler =
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr);
    std::uint8_t* planes[] = {image.bits()};
    const int strides[] = {int(image.bytesPerLine())};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(scaler);
    return image;
}

// Every frame of the video at `path`, decoded by FFmpeg.
QList<QImage> decodeVideo(const QString& path) {
    QList<QImage> frames;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return frames;
    const AVCodec* decoder = nullptr;
    const int stream = avformat_find_stream_info(input, nullptr) < 0
                           ? -1
                           : av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    AVCodecContext* codec = stream < 0 ? nullptr : avcodec_alloc_context3(decoder);
    if (codec && avcodec_parameters_to_context(codec, input->streams[stream]->codecpar) >= 0 &&
        avcodec_open2(codec, decoder, nullptr) >= 0) {
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        auto receive = [&] {
            while (avcodec_receive_frame(codec, frame) == 0)
                frames << toImage(frame);
        };
        while (av_read_frame(input, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0)
                receive();
            av_packet_unref(packet);
        }
        avcodec_send_packet(codec, nullptr);
        receive();
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avcodec_free_context(&codec);
    avformat_close_input(&input);
    return frames;
}

// Every frame of the animated WebP at `path`; `endMs` receives when the last one ends.
QList<QImage> decodeWebp(const QString& path, int& endMs, int& loops) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        std::size_t(bytes.size())};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    QList<QImage> frames;
    WebPAnimInfo info{};
    if (!decoder || !WebPAnimDecoderGetInfo(decoder, &info))
        return frames;
    loops = int(info.loop_count);
    std::uint8_t* pixels = nullptr;
    while (WebPAnimDecoderGetNext(decoder, &pixels, &endMs))
        frames << QImage(pixels, int(info.canvas_width), int(info.canvas_height),
                         QImage::Format_RGBA8888)
                      .convertToFormat(QImage::Format_RGB32);
    WebPAnimDecoderDelete(decoder);
    return frames;
}

// The numbered frames in the folder at `path`, which must be 000001.png and on, without alpha.
QList<QImage> readFrames(const QString& path) {
    QList<QImage> frames;
    const QStringList names = QDir(path).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        if (name != QStringLiteral("%1.png").arg(frames.size() + 1, 6, 10, QLatin1Char('0')))
            break;
        QImage image = QImageReader(QDir(path).filePath(name)).read();
        if (image.hasAlphaChannel())
            break;
        frames << image.convertToFormat(QImage::Format_RGB32);
    }
    return frames;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// A source of the test frames, each valid until the next is asked for.
struct Source {
    QImage frame;
    FrameAt at() {
        return [this](int k) -> const QImage& { return frame = frameOf(k); };
    }
};

} // namespace

class TestVideo : public QObject {
    Q_OBJECT

private slots:
    void everyFormatShowsItsFrames_data();
    void everyFormatShowsItsFrames();
    void refusesWhatTheFormatCannotHold_data();
    void refusesWhatTheFormatCannotHold();
    void failuresLeaveNothing_data();
    void failuresLeaveNothing();
};

void TestVideo::everyFormatShowsItsFrames_data() {
    QTest::addColumn<QString>("name");
    // How far a channel of a quarter's middle may stray; 0: every pixel exact.
    QTest::addColumn<int>("tolerance");
    QTest::newRow("mp4") << "mp4" << 8;
    QTest::newRow("webm") << "WebM" << 12;
    QTest::newRow("gif") << "gif" << 0; // fewer colours than the palette holds
    QTest::newRow("webp") << "webp" << 12;
    QTest::newRow("frames") << "frames" << 0;
}

void TestVideo::everyFormatShowsItsFrames() {
    QFETCH(QString, name);
    QFETCH(int, tolerance);
    const std::optional<VideoFormat> format = videoFormatNamed(name);
    QVERIFY(format);
    QTemporaryDir tmp;
    Source source;
    QString error;
    const auto file =
        stageVideo({*format, width, height, fps}, frameCount, source.at(), tmp.path(), error);
    QVERIFY2(file, qPrintable(error));
    // Placed as the renderer places it, beside an earlier build of that name, which is kept.
    const QString extension = QStringLiteral("-build") + videoExtension(*format);
    QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("clip") + extension));
    PairName pairName;
    pairName.folder = tmp.path();
    pairName.name = QStringLiteral("clip");
    pairName.extension = extension;
    const SaveResult placed = placePair(*file, nullptr, {}, pairName);
    QVERIFY2(placed.ok, qPrintable(placed.error));
    const QString path = tmp.filePath(QStringLiteral("clip-2") + extension);
    QCOMPARE(placed.path, QDir::toNativeSeparators(path));
    QCOMPARE(entries(tmp.path()), QStringList({QStringLiteral("clip-2") + extension,
                                               QStringLiteral("clip") + extension}));

    int endMs = 0;
    int loops = -1;
    const QList<QImage> frames = *format == VideoFormat::Webp     ? decodeWebp(path, endMs, loops)
                                 : *format == VideoFormat::Frames ? readFrames(path)
                                                                  : decodeVideo(path);
    QCOMPARE(frames.size(), frameCount);
    if (*format == VideoFormat::Webp) {
        QCOMPARE(endMs, 1000 * frameCount / fps);
        QCOMPARE(loops, 0); // forever
    }
    if (*format == VideoFormat::Mp4) {
        QFile video(path);
        QVERIFY(video.open(QIODevice::ReadOnly));
        const QByteArray bytes = video.readAll();
        QVERIFY(bytes.indexOf("moov") < bytes.indexOf("mdat")); // the index comes first
    }
    for (int k = 0; k < frameCount; ++k) {
        const QImage expected = frameOf(k);
        QCOMPARE(frames[k].size(), expected.size());
        if (tolerance == 0) {
            QCOMPARE(frames[k], expected);
            continue;
        }
        for (const QPoint middle :
             {QPoint(16, 12), QPoint(48, 12), QPoint(16, 36), QPoint(48, 36)}) {
            const QColor seen = frames[k].pixelColor(middle);
            const QColor drawn = expected.pixelColor(middle);
            const int off = std::max({std::abs(seen.red() - drawn.red()),
                                      std::abs(seen.green() - drawn.green()),
                                      std::abs(seen.blue() - drawn.blue())});
            QVERIFY2(off <= tolerance, qPrintable(QStringLiteral("frame %1 at (%2, %3): %4 for %5")
                                                      .arg(k)
                                                      .arg(middle.x())
                                                      .arg(middle.y())
                                                      .arg(seen.name(), drawn.name())));
        }
    }
}

void TestVideo::refusesWhatTheFormatCannotHold_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("problem");
    QTest::newRow("mp4, odd width")
        << "mp4" << 1081 << 1080 << 30 << "mp4 needs even sides; 1081 x 1080 has an odd one";
    QTest::newRow("webm, odd height")
        << "webm" << 1080 << 1081 << 30 << "webm needs even sides; 1080 x 1081 has an odd one";
    QTest::newRow("mp4, even sides") << "mp4" << 1080 << 1080 << 30 << "";
    QTest::newRow("gif, odd sides") << "gif" << 1081 << 1079 << 30 << "";
    QTest::newRow("webp, odd sides") << "webp" << 1081 << 1081 << 30 << "";
    QTest::newRow("frames, odd sides") << "frames" << 1 << 1 << 30 << "";
    QTest::newRow("webp, too wide")
        << "webp" << 16384 << 16 << 30 << "webp takes sides of 1 to 16383 pixels, not 16384 x 16";
    QTest::newRow("gif, no frame rate")
        << "gif" << 16 << 16 << 0 << "the frame rate must be 1 to 120 frames a second, not 0";
}

void TestVideo::refusesWhatTheFormatCannotHold() {
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, rate);
    QFETCH(QString, problem);
    const VideoSettings settings{*videoFormatNamed(name), width, height, rate};
    QCOMPARE(videoProblem(settings), problem);
    if (problem.isEmpty())
        return;
    QTemporaryDir tmp;
    Source source;
    QString error;
    QVERIFY(!stageVideo(settings, frameCount, source.at(), tmp.path(), error));
    QCOMPARE(error, problem);
    QCOMPARE(entries(tmp.path()), QStringList());
}

void TestVideo::failuresLeaveNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("fullDisk"); // else cancelled
    for (const QString& name : videoFormatNames()) {
        QTest::addRow("%s, full disk", qPrintable(name)) << name << true;
        QTest::addRow("%s, cancelled", qPrintable(name)) << name << false;
    }
}

void TestVideo::failuresLeaveNothing() {
    QFETCH(QString, name);
    QFETCH(bool, fullDisk);
    const VideoSettings settings{*videoFormatNamed(name), width, height, fps};
    const bool folder = settings.format == VideoFormat::Frames;
    QTemporaryDir tmp;
    Source source;
    QString error;
    rlim_t limit = RLIM_INFINITY;
    if (fullDisk) {
        // The disk fills halfway through the video's file (a frame's file for a folder).
        const auto file = stageVideo(settings, frameCount, source.at(), tmp.path(), error);
        QVERIFY2(file, qPrintable(error));
        const QString probe = tmp.filePath(QStringLiteral("probe"));
        QCOMPARE(file->placeNew(probe), 0);
        limit =
            rlim_t(QFileInfo(folder ? probe + QStringLiteral("/000001.png") : probe).size() / 2);
        QVERIFY(folder ? QDir(probe).removeRecursively() : QFile::remove(probe));
    }

    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // get EFBIG instead of a signal
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    VideoProgress progress;
    if (!fullDisk)
        progress = [](double done) { return done < 0.6; };
    const auto file = stageVideo(settings, frameCount, source.at(), tmp.path(), error, progress);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!file);
    QCOMPARE(error, fullDisk ? QStringLiteral("File too large") : QStringLiteral("cancelled"));
    QCOMPARE(entries(tmp.path()), QStringList());
}

QTEST_MAIN(TestVideo)
#include "tst_video.moc"
