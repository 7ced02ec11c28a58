#include "StallWatch.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
// The CPU time the calling thread has used.
qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}
} // namespace

StallWatch::StallWatch(const QString& path, QObject* parent) : QObject(parent), file_(path) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "rosette: stall log %s: %s\n", qPrintable(path),
                     qPrintable(file_.errorString()));
        return;
    }
    ticker_.setTimerType(Qt::PreciseTimer);
    ticker_.setInterval(tickMs);
    connect(&ticker_, &QTimer::timeout, this, &StallWatch::tick);
    summary_.setInterval(summaryEveryMs);
    connect(&summary_, &QTimer::timeout, this, &StallWatch::writeSummary);
    sinceTick_.start();
    cpuAtTickNs_ = threadCpuNs();
    ticker_.start();
    summary_.start();
}

StallWatch::~StallWatch() {
    if (active())
        writeSummary();
}

void StallWatch::tick() {
    const qint64 gapNs = sinceTick_.nsecsElapsed();
    sinceTick_.start();
    const qint64 cpuNs = threadCpuNs();
    const qint64 workedNs = cpuNs - cpuAtTickNs_;
    cpuAtTickNs_ = cpuNs;
    if (!looping_) { // the time up to here was the program starting, not the loop held up
        looping_ = true;
        return;
    }
    ++ticks_;
    longestNs_ = std::max(longestNs_, gapNs);
    std::size_t bucket = 0;
    while (bucket < bucketBounds.size() && gapNs > qint64(bucketBounds[bucket]) * 1'000'000)
        ++bucket;
    ++histogram_[bucket];
    if (gapNs > qint64(noteAboveMs) * 1'000'000) {
        const qint64 start = QDateTime::currentMSecsSinceEpoch() - gapNs / 1'000'000;
        file_.write(QStringLiteral("gap %1 start %2 cpu %3\n")
                        .arg(double(gapNs) / 1e6, 0, 'f', 1)
                        .arg(start)
                        .arg(double(workedNs) / 1e6, 0, 'f', 1)
                        .toLatin1());
        file_.flush();
    }
}

void StallWatch::writeSummary() {
    QString line =
        QStringLiteral("summary ticks %1 longest %2").arg(ticks_).arg(longestGapMs(), 0, 'f', 1);
    for (std::size_t k = 0; k < histogram_.size(); ++k)
        line += k < bucketBounds.size()
                    ? QStringLiteral(" upto%1 %2").arg(bucketBounds[k]).arg(histogram_[k])
                    : QStringLiteral(" over%1 %2").arg(bucketBounds.back()).arg(histogram_[k]);
    file_.write(line.toLatin1() + '\n');
    file_.flush();
}
