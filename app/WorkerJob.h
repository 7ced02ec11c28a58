#pragma once

// Work done on a thread of its own, one job at a time, while the UI thread goes on. The result
// comes back on the UI thread, or is waited for there when it is needed at once. The thread is
// kept from one job to the next.

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>
#include <utility>

template <typename Result> class WorkerJob {
public:
    // `arrived` is given every result that wait() has not taken, on the owner's thread.
    explicit WorkerJob(std::function<void(const Result&)> arrived) : arrived_(std::move(arrived)) {
        pool_.setMaxThreadCount(1);
        pool_.setExpiryTimeout(-1);
        QObject::connect(&watcher_, &QFutureWatcherBase::finished, [this] {
            if (!active_)
                return; // wait() took it
            active_ = false;
            arrived_(watcher_.result());
        });
    }
    ~WorkerJob() { // a job under way is finished, never cut short; its result is dropped
        watcher_.disconnect();
        watcher_.waitForFinished();
    }
    WorkerJob(const WorkerJob&) = delete;
    WorkerJob& operator=(const WorkerJob&) = delete;

    // Runs `work`, a callable returning a Result, on the job's thread. A job under way must
    // have been waited for first.
    template <typename Work> void start(Work work) {
        Q_ASSERT(!active_);
        active_ = true;
        watcher_.setFuture(QtConcurrent::run(&pool_, std::move(work)));
    }
    // True from start() until the result arrives or wait() returns.
    bool active() const { return active_; }
    // Waits for the job under way and returns its result, which then does not arrive.
    Result wait() {
        if (!active_)
            return {};
        watcher_.waitForFinished();
        active_ = false;
        return watcher_.result();
    }

private:
    QThreadPool pool_;
    QFutureWatcher<Result> watcher_;
    std::function<void(const Result&)> arrived_;
    bool active_ = false;
};
