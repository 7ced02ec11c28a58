#pragma once

// The videos of a recipe: its build-up, or its palette turning as a loop, made by the engine's
// frame sources and encoded into a staged file. rosette-render and the export dialog both make
// their videos here, so the same recipe and settings give the same frames.

#include "PlaneRender.h"
#include "Recipe.h"
#include "VideoFile.h"

#include <QString>
#include <memory>

struct MotionVideo {
    enum class Kind { Build, Cycle };
    Kind kind = Kind::Build;
    VideoSettings video;                                            // format, size and frame rate
    colour::Value background = PlaneRenderer::Options{}.background; // where no value is
    double seconds = 8; // the build-up, or one turn of the palette: 0.1 to 600
    double hold = 2;    // build-up only: the complete picture stays this long, 0 to 60

    // What the renderer's options and the export dialog accept.
    static constexpr int fewestFps = 1, mostFps = 120;
    static constexpr double shortestSeconds = 0.1, longestSeconds = 600, longestHold = 60;

    // The frames of the build-up (its visits spread over them), or of the loop.
    int motionFrames() const;
    // The frames that hold the complete picture after a build-up.
    int holdFrames() const;
    // What the video's name has before its extension: "-build" or "-cycle".
    QString suffix() const;
};

// The longest a side of a video may be against the shorter: the build-up's grid of cells widens
// with the picture, and this keeps it a few thousand cells wide.
inline constexpr int largestVideoAspect = 16;

// Why these settings cannot make a video (a side too long against the other, or what
// videoProblem() says), in one line, or an empty text.
QString motionVideoProblem(const MotionVideo& motion);

// Makes the frames of `recipe` and encodes them into a file staged in `folder`; null, with
// `error` set to one line ("cancelled" when `progress` answered false), when that fails.
// `progress` hears the fraction done, the picture's render included.
std::unique_ptr<StagedFile> stageMotionVideo(const Recipe& recipe, const MotionVideo& motion,
                                             PlaneRenderer& renderer, const QString& folder,
                                             QString& error, const VideoProgress& progress = {});
