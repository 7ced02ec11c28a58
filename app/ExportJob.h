#pragma once

// Exports the picture of a recipe, or a video of it, on a worker thread: rendered at the size
// asked for by the same renderer (and frame sources) rosette-render uses, encoded into a staged
// file, and given the first free name
// among NAME.ext, NAME-2.ext, NAME-3.ext, ... so that no file is ever replaced. It can be
// cancelled at any point until the file has its name; a cancelled or failed export leaves no
// file and no temporary behind.

#include "PlaneRender.h"
#include "Recipe.h"
#include "RecipeVideo.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <optional>

// What to export, and where.
struct ExportSettings {
    PlaneRenderer::Options render;    // size, background and smoothing of the picture
    QString folder;                   // made when missing
    QString fileName;                 // the first name tried, with its extension
    QString format;                   // "png" or "bmp"
    std::optional<MotionVideo> video; // a video instead of a picture: its format and motion
};

// How an export ended.
struct ExportResult {
    QString path;  // the file written, or the one that could not be
    QString error; // one line naming the path and the reason; empty on success
    bool cancelled = false;

    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Where an export has got to, shared between the worker and whoever watches it.
struct ExportProgress {
    std::atomic<bool> cancel{false};      // set to stop the export as soon as it can
    std::atomic<int> renderedPermille{0}; // how much of the picture (or video) is made, 0..1000
    std::atomic<bool> writing{false};     // the picture is rendered and being written
};

class ExportJob : public QObject {
    Q_OBJECT
public:
    explicit ExportJob(QObject* parent = nullptr);
    // Cancels a running export and waits for its thread; finished() is not emitted then.
    ~ExportJob() override;
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    // Starts exporting on the worker thread; finished() follows. Not while running().
    void start(const Recipe& recipe, const ExportSettings& settings);
    // Asks the running export to stop; finished() then reports it cancelled.
    void cancel();

    bool running() const { return running_; }
    // The fraction of the picture rendered so far.
    double rendered() const { return progress_.renderedPermille.load() / 1000.0; }
    // True once the picture is rendered and its file is being written.
    bool writing() const { return progress_.writing.load(); }

    // The whole export on the calling thread, watching and reporting through `progress`.
    static ExportResult run(const Recipe& recipe, const ExportSettings& settings,
                            ExportProgress& progress);

signals:
    // The export ended: written, failed or cancelled.
    void finished(const ExportResult& result);

private:
    QThreadPool pool_;                     // the one worker thread
    ExportProgress progress_;              // the running export's progress and cancel flag
    QFutureWatcher<ExportResult> watcher_; // reports the end on the UI thread
    bool running_ = false;
};
