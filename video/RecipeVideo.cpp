#include "RecipeVideo.h"

#include "BuildFrames.h"
#include "CycleFrames.h"

#include <algorithm>
#include <cmath>

int MotionVideo::motionFrames() const {
    return std::max(1, int(std::lround(video.fps * seconds)));
}

int MotionVideo::holdFrames() const {
    return kind == Kind::Build ? int(std::lround(video.fps * hold)) : 0;
}

QString MotionVideo::suffix() const {
    return kind == Kind::Build ? QStringLiteral("-build") : QStringLiteral("-cycle");
}

QString motionVideoProblem(const MotionVideo& motion) {
    const int width = motion.video.width;
    const int height = motion.video.height;
    if (std::max(width, height) > largestVideoAspect * std::min(width, height))
        return QStringLiteral("a video's longer side may be at most %1 times its shorter, "
                              "not %2 x %3")
            .arg(largestVideoAspect)
            .arg(width)
            .arg(height);
    return videoProblem(motion.video);
}

std::unique_ptr<StagedFile> stageMotionVideo(const Recipe& recipe, const MotionVideo& motion,
                                             PlaneRenderer& renderer, const QString& folder,
                                             QString& error, const VideoProgress& progress) {
    // The picture's render is the first tenth of the work, the frames and their encoding the
    // rest.
    constexpr double renderShare = 0.1;
    bool cancelled = false;
    auto rendering = [&](double done) {
        cancelled = progress && !progress(done * renderShare);
        return !cancelled;
    };
    auto encoding = [&](double done) {
        return !progress || progress(renderShare + done * (1 - renderShare));
    };
    PlaneRenderer::Options options;
    options.width = motion.video.width;
    options.height = motion.video.height;
    options.background = motion.background;
    auto notMade = [&] {
        error = cancelled ? QStringLiteral("cancelled")
                          : QStringLiteral("not enough memory for %1 x %2 pixels")
                                .arg(options.width)
                                .arg(options.height);
        return nullptr;
    };
    if (motion.kind == MotionVideo::Kind::Build) {
        BuildFrames frames(recipe, options, renderer, rendering);
        if (!frames.ok())
            return notMade();
        // Frame k of the build-up shows round((k + 1) x V / F) visits; the hold, all of them.
        const int motionFrames = motion.motionFrames();
        const std::int64_t visits = frames.totalVisits();
        const FrameAt frameAt = [&](int k) -> const QImage& {
            return frames.showVisits(k < motionFrames ? visitsAtFrame(k + 1, motionFrames, visits)
                                                      : visits);
        };
        return stageVideo(motion.video, motionFrames + motion.holdFrames(), frameAt, folder, error,
                          encoding);
    }
    CycleFrames frames(recipe, options, renderer, rendering);
    if (!frames.ok())
        return notMade();
    const int loop = motion.motionFrames();
    const FrameAt frameAt = [&](int k) -> const QImage& { return frames.frame(k, loop); };
    return stageVideo(motion.video, loop, frameAt, folder, error, encoding);
}
