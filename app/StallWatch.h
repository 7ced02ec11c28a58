#pragma once

// How long the UI thread's event loop goes without turning, for soak runs (scripts/soak): a
// precise timer ticks every tickMs on the UI thread and the gap between two ticks is how long
// the loop was held up. Every gap over noteAboveMs is appended to the log file as
//   gap <ms> start <ms since the epoch> cpu <ms>
// where cpu is the time the UI thread ran meanwhile: a gap much longer than it was spent
// waiting (for a core the machine gave to others, for the disk), not working.
// and every few seconds, and when the watch ends, a line
//   summary ticks <n> longest <ms> upto16 <n> upto33 <n> upto50 <n> upto100 <n> upto250 <n>
//           upto1000 <n> over1000 <n>
// (one line; the last one counts). main() makes one only when ROSETTE_STALL_LOG names the file;
// it does no drawing work and costs one timer event every 5 ms. The watch begins at its first
// tick: what the program does before its event loop first turns is its start-up.

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <array>

class StallWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int tickMs = 5;
    static constexpr int noteAboveMs = 16;
    static constexpr int summaryEveryMs = 5000;
    // The histogram's upper bounds in milliseconds; the last bucket takes every longer gap.
    static constexpr std::array<int, 6> bucketBounds{16, 33, 50, 100, 250, 1000};

    // Starts watching and appends to the file at `path`; watches nothing when it cannot be
    // opened (active() is then false, and a line on stderr says why).
    explicit StallWatch(const QString& path, QObject* parent = nullptr);
    ~StallWatch() override; // writes the last summary

    bool active() const { return file_.isOpen(); }
    double longestGapMs() const { return double(longestNs_) / 1e6; }
    // Gaps counted so far in each bucket, the last one for gaps over bucketBounds.back().
    const std::array<qint64, bucketBounds.size() + 1>& histogram() const { return histogram_; }

    void writeSummary();

private:
    void tick();

    QFile file_;
    QTimer ticker_;
    QTimer summary_;
    QElapsedTimer sinceTick_;
    qint64 cpuAtTickNs_ = 0;
    bool looping_ = false; // the first tick has come: the event loop runs
    qint64 ticks_ = 0;
    qint64 longestNs_ = 0;
    std::array<qint64, bucketBounds.size() + 1> histogram_{};
};
