#include "Reveal.h"

#include "DisplayRate.h"

#include <algorithm>

namespace {
// The most work one frame does before it hands the thread back to the event loop.
constexpr qint64 frameBudgetNs = 2'500'000;
// The work between looks at the clock within a frame. Visits near the end of a random-order
// pass cost far more than early ones, so the number of visits per look adapts.
constexpr qint64 chunkTargetNs = 200'000;
constexpr std::int64_t largestChunk = 4096;
} // namespace

Reveal::Reveal(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(frameIntervalMs());
    connect(&timer_, &QTimer::timeout, this, &Reveal::frame);
}

void Reveal::start(Sweep sweep) {
    sweep_.emplace(std::move(sweep));
    clock_.start();
    timer_.start();
}

void Reveal::finishNow() {
    if (!sweep_)
        return;
    QElapsedTimer work;
    work.start();
    sweep_->runToEnd();
    emit advanced();
    emit frameWorked(work.nsecsElapsed());
    endIfDone();
}

void Reveal::frame() {
    if (!sweep_) {
        timer_.stop();
        return;
    }
    QElapsedTimer work;
    work.start();
    Sweep& sweep = *sweep_;
    const bool paced = passDuration_.count() > 0; // unpaced images are drawn in one go
    std::int64_t due = sweep.totalVisits();
    if (paced) {
        const double passes = double(clock_.elapsed()) / double(passDuration_.count());
        due = std::min<std::int64_t>(due, std::int64_t(passes * double(sweep.passLength())));
    }
    qint64 spent = 0;
    while (sweep.visitsMade() < due && (!paced || spent < frameBudgetNs)) {
        sweep.advance(std::min(chunk_, due - sweep.visitsMade()));
        const qint64 now = work.nsecsElapsed();
        const qint64 took = std::max<qint64>(now - spent, 1);
        chunk_ = std::clamp<std::int64_t>(chunk_ * chunkTargetNs / took, 1, largestChunk);
        spent = now;
    }
    emit advanced();
    emit frameWorked(work.nsecsElapsed());
    endIfDone();
}

void Reveal::endIfDone() {
    if (!sweep_ || !sweep_->done())
        return;
    sweep_.reset();
    timer_.stop();
    emit finished(); // may start the next image at once
}
