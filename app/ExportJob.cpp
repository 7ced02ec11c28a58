#include "ExportJob.h"

#include "FilePair.h"
#include "PictureFile.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <sys/mman.h>
#include <unistd.h>

ExportJob::ExportJob(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcher<ExportResult>::finished, this, [this] {
        running_ = false;
        emit finished(watcher_.result());
    });
}

ExportJob::~ExportJob() {
    cancel();
    watcher_.disconnect(this);
    watcher_.waitForFinished();
}

void ExportJob::start(const Recipe& recipe, const ExportSettings& settings) {
    Q_ASSERT(!running_);
    progress_.cancel = false;
    progress_.renderedPermille = 0;
    progress_.writing = false;
    running_ = true;
    watcher_.setFuture(QtConcurrent::run(
        &pool_, [this, recipe, settings] { return run(recipe, settings, progress_); }));
}

void ExportJob::cancel() {
    progress_.cancel = true;
}

namespace {
// Gives a large picture's memory back a part at a time once it is written. Unmapping a gigabyte
// at once holds the process's memory map for a tenth of a second, and the window's thread,
// which needs it for every allocation, would wait that long.
void releaseGradually(const QImage& picture) {
    constexpr qsizetype part = qsizetype(64) << 20;
    const long page = sysconf(_SC_PAGESIZE);
    auto* const bits = const_cast<uchar*>(picture.constBits());
    const auto begin = (reinterpret_cast<std::uintptr_t>(bits) + page - 1) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(bits) + picture.sizeInBytes();
    for (std::uintptr_t at = begin; at + page <= end; at += part) {
        const std::size_t length = std::min<std::uintptr_t>(part, (end - at) / page * page);
        ::madvise(reinterpret_cast<void*>(at), length, MADV_DONTNEED);
    }
}
} // namespace

namespace {
// Names a staged file: the first free name among NAME.ext, NAME-2.ext, ...
ExportResult placeExport(StagedFile& file, const ExportSettings& settings, ExportResult result) {
    const QFileInfo name(settings.fileName);
    PairName pair;
    pair.folder = settings.folder;
    pair.name = name.completeBaseName();
    pair.extension = name.suffix().isEmpty() ? QString() : QLatin1Char('.') + name.suffix();
    const SaveResult saved = placePair(file, nullptr, {}, pair);
    result.path = saved.path;
    result.error = saved.error;
    return result;
}
} // namespace

ExportResult ExportJob::run(const Recipe& recipe, const ExportSettings& settings,
                            ExportProgress& progress) {
    ExportResult result;
    result.path = QDir::toNativeSeparators(fileInFolder(settings.folder, settings.fileName));
    auto cancelled = [&progress] { return progress.cancel.load(); };
    auto rendered = [&progress, &cancelled](double done) {
        progress.renderedPermille = int(done * 1000);
        return !cancelled();
    };
    PlaneRenderer renderer;
    QString problem;
    std::unique_ptr<StagedFile> file;
    if (settings.video) {
        file =
            stageMotionVideo(recipe, *settings.video, renderer, settings.folder, problem, rendered);
    } else {
        const QImage picture = renderer.render(recipe, settings.render, rendered);
        if (!cancelled() && picture.isNull()) {
            result.error =
                QStringLiteral("Could not render %1: not enough memory for %2 x %3 pixels")
                    .arg(result.path)
                    .arg(settings.render.width)
                    .arg(settings.render.height);
            return result;
        }
        if (!cancelled()) {
            progress.writing = true;
            file = stagePicture(picture, settings.folder, qPrintable(settings.format), problem,
                                cancelled);
        }
        releaseGradually(picture);
    }
    if (cancelled()) {
        result.cancelled = true;
        return result;
    }
    if (!file) {
        result.error = QStringLiteral("Could not save %1: %2").arg(result.path, problem);
        return result;
    }
    // Another file of the name is kept: the export takes the next free one.
    return placeExport(*file, settings, result);
}
