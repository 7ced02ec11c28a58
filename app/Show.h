#pragma once

// The full-screen show: a window of its own filling the screen at its native pixels, over and
// over a new image builds up in its generation type for buildDuration, then its colours turn
// for cycleDuration, then the next one begins. Each image is a new image of the window's own:
// the controller puts it on the canvas and into the history when its build-up begins, so a save
// in the show (its key as in the window) saves the image on show. The frames of the next image
// are made on a worker thread while the current one turns, so the images follow without a pause;
// the UI thread only paints what changed. The pointer hides; Esc, the show's key or a click
// leaves the show.

#include "ShowFrames.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <memory>

class Controller;

class Show : public QWidget {
    Q_OBJECT
public:
    // How long an image takes to build up, and how long its colours then turn.
    static constexpr std::chrono::milliseconds buildDuration{8000};
    static constexpr std::chrono::milliseconds cycleDuration{16000};

    enum class Stage {
        preparing, // the first image's frames are being made
        building,  // an image builds up
        cycling,   // its colours turn
    };

    // A window of its own on the screen of `parent`; the images go through `controller`.
    explicit Show(Controller& controller, QWidget* parent = nullptr);
    // Stops the worker and waits for it.
    ~Show() override;
    Show(const Show&) = delete;
    Show& operator=(const Show&) = delete;

    // Fills the screen and begins the first image; again after the user left.
    void begin();
    Stage stage() const { return stage_; }
    // Begun, its window is being readied and is not on screen yet.
    bool opening() const { return warmRow_ >= 0; }
    // The size of a frame in device pixels: the screen's.
    QSize frameSize() const { return frameSize_; }

signals:
    // The user left the show; it is hidden, its images are let go, and begin() may start it
    // again.
    void left();
    // The time one frame took on the UI thread, its repaint included, for the benchmark.
    void frameWorked(qint64 nanoseconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void prepareNext(); // a new image's recipe, its frames made on the worker
    // Starts preparing the first image, once: after the black screen's first painting, or at
    // the first frame if that comes sooner.
    void prepareFirst();
    // Readies the window's backing store one step a turn of the event loop, then shows the
    // window: made at once, a new full-screen store (megabytes of new shared memory, in this
    // program and in the display server) held the event loop for tens of milliseconds.
    void warmUp();
    void prepared();  // the worker's frames have come
    void nextImage(); // the prepared image goes on the canvas and begins to build up
    void frame();     // one timer tick
    void leave();
    // Lets the worker free memory the show no longer needs, off the UI thread.
    template <typename T> void release(std::shared_ptr<T> unused);

    Controller& controller_;
    QSize frameSize_;
    double ratio_ = 1.0;
    QThreadPool pool_;        // the one worker thread
    bool firstAsked_ = false; // the first image's preparing has started
    int warmRow_ = -1;        // the next row of the backing store to touch while opening, else -1
    bool storeSized_ = false; // while opening: the backing store has been given the window's size
    QSize warmed_;            // the frame size, in device pixels, this show last went on screen at
    bool awaiting_ = false;   // the worker prepares an image for this show
    std::atomic<bool> stopping_{false}; // the user left: the worker stops where it is
    QFutureWatcher<std::shared_ptr<ShowFrames>> watcher_;
    std::shared_ptr<ShowFrames> current_; // the image on show
    std::shared_ptr<ShowFrames> next_;    // the next one, once made
    const QImage* shown_ = nullptr;       // the frame on screen
    Stage stage_ = Stage::preparing;
    QElapsedTimer clock_; // since the stage began
    QTimer timer_;
};
