#include "StallWatch.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>

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
    ++ticks_;
    longestNs_ = std::max(longestNs_, gapNs);
    std::size_t bucket = 0;
    while (bucket < bucketBounds.size() && gapNs > qint64(bucketBounds[bucket]) * 1'000'000)
        ++bucket;
    ++histogram_[bucket];
    if (gapNs > qint64(noteAboveMs) * 1'000'000) {
        const qint64 start = QDateTime::currentMSecsSinceEpoch() - gapNs / 1'000'000;
        file_.write(QStringLiteral("gap %1 start %2\n")
                        .arg(double(gapNs) / 1e6, 0, 'f', 1)
                        .arg(start)
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
