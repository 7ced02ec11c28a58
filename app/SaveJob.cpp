#include "SaveJob.h"

#include <QtConcurrent/QtConcurrentRun>

SaveJob::SaveJob(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(-1);
    connect(&watcher_, &QFutureWatcher<Outcome>::finished, this, &SaveJob::arrived);
}

SaveJob::~SaveJob() {
    watcher_.disconnect(this);
    watcher_.waitForFinished();
}

SaveJob::Outcome SaveJob::write(Request request) {
    Outcome outcome;
    outcome.picture = request.file.save(request.picture, request.folder, request.stem);
    if (outcome.picture.ok)
        outcome.recipe = request.file.saveRecipe(request.recipe, request.recipeFolder);
    outcome.file = std::move(request.file);
    return outcome;
}

void SaveJob::start(Request request) {
    if (active_)
        wait();
    active_ = true;
    watcher_.setFuture(QtConcurrent::run(
        &pool_, [r = std::move(request)]() mutable { return write(std::move(r)); }));
}

SaveJob::Outcome SaveJob::wait() {
    if (!active_)
        return {};
    watcher_.waitForFinished();
    active_ = false;
    return watcher_.result();
}

void SaveJob::arrived() {
    if (!active_)
        return; // wait() took it
    active_ = false;
    emit finished(watcher_.result());
}
