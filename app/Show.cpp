#include "Show.h"

#include "CommandTable.h"
#include "Controller.h"
#include "DisplayRate.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace {
// The most memory of the backing store touched in one turn of the event loop while the show opens.
constexpr qsizetype warmBytes = qsizetype(1) << 20;

// The worker's niceness: ahead of it, the UI thread, the display server and the pool threads
// that share out a frame's pixels get a core whenever they want one.
constexpr int workerNice = 10;

template <typename Duration> double fractionOf(qint64 nanoseconds, Duration duration) {
    return double(nanoseconds) / double(std::chrono::nanoseconds(duration).count());
}

// The command of the table whose keys these are, if any.
std::optional<Command> commandOfKeys(QKeyCombination keys) {
    for (const CommandRow& row : commandTable())
        for (const QKeyCombination k : row.keys)
            if (k.toCombined() != 0 && k == keys)
                return row.command;
    return std::nullopt;
}
} // namespace

Show::Show(Controller& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller) {
    setWindowTitle(tr("Rosette show"));
    setAccessibleName(tr("Full-screen show"));
    setAccessibleDescription(tr("New images building up and turning their colours. Esc, F11 or "
                                "a click ends the show; Ctrl+S saves the image on show."));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::BlankCursor);
    setFocusPolicy(Qt::StrongFocus);
    pool_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcher<std::shared_ptr<ShowFrames>>::finished, this,
            &Show::prepared);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Show::frame);
}

Show::~Show() {
    stopping_ = true;
    watcher_.disconnect(this);
    watcher_.waitForFinished();
    pool_.waitForDone();
}

void Show::begin() {
    if (warmRow_ >= 0)
        return; // opening already
    // A show before this one may still be stopping its worker.
    watcher_.waitForFinished();
    stopping_ = false;
    firstAsked_ = false;
    stage_ = Stage::preparing;
    shown_ = nullptr;
    clock_.invalidate();
    const QScreen* onScreen = screen();
    ratio_ = onScreen ? onScreen->devicePixelRatio() : devicePixelRatioF();
    const QSize logical = onScreen ? onScreen->geometry().size() : QSize(1920, 1080);
    frameSize_ = (QSizeF(logical) * ratio_).toSize();
    if (onScreen)
        setGeometry(onScreen->geometry()); // full screen also without a window manager
    else
        resize(logical);
    warmRow_ = 0;
    storeSized_ = false;
    QMetaObject::invokeMethod(this, &Show::warmUp, Qt::QueuedConnection);
}

void Show::warmUp() {
    if (warmRow_ < 0)
        return; // left while opening (closed before it showed)
    QBackingStore* store = backingStore();
    if (!store) {
        winId(); // the native window, and with it the backing store
        store = backingStore();
    }
    const QRect all = rect();
    // A new store may already have the window's size, its memory not yet touched.
    if (store && warmRow_ == 0 && store->size() == all.size() && warmed_ == frameSize_)
        warmRow_ = all.height(); // kept from the show before, its memory already touched
    if (store && warmRow_ == 0 && !storeSized_) {
        store->resize(all.size()); // the shared memory, not yet touched
        storeSized_ = true;
    } else if (store && warmRow_ < all.height()) {
        // Black, as the first painting leaves it: a band of rows a turn.
        const double rowBytes = double(all.width()) * ratio_ * ratio_ * 4.0;
        const int rows = std::max(1, int(double(warmBytes) / rowBytes));
        const QRect band(0, warmRow_, all.width(), std::min(rows, all.height() - warmRow_));
        store->beginPaint(band);
        {
            QPainter painter(store->paintDevice());
            painter.fillRect(band, Qt::black);
        }
        store->endPaint();
        warmRow_ += band.height();
    } else {
        warmRow_ = -1;
        warmed_ = frameSize_;
        showFullScreen();
        raise();
        activateWindow();
        setFocus();
        timer_.start(frameIntervalMs()); // the display's rate may have changed since the last show
        // The first image is prepared once the black screen is up: painting a full-screen
        // window is work enough for one turn of the event loop.
        return;
    }
    QMetaObject::invokeMethod(this, &Show::warmUp, Qt::QueuedConnection);
}

void Show::prepareNext() {
    const Recipe recipe = newImageRecipe(controller_.world());
    awaiting_ = true;
    // The frames on screen come first, also while the first image is awaited: then the black
    // screen's first painting.
    watcher_.setFuture(QtConcurrent::run(&pool_, [this, recipe, size = frameSize_, r = ratio_] {
        setpriority(PRIO_PROCESS, pid_t(gettid()), workerNice);
        return ShowFrames::make(recipe, size, r, [this] { return stopping_.load(); });
    }));
}

void Show::prepared() {
    if (!awaiting_)
        return; // made for a show the user has left
    awaiting_ = false;
    next_ = watcher_.result();
    // A ready empty future in its place, so that the worker's future keeps no copy of the frames.
    watcher_.setFuture(QtFuture::makeReadyFuture(std::shared_ptr<ShowFrames>()));
    if (!next_) { // memory is short: back to the window
        leave();
        return;
    }
    if (stage_ == Stage::preparing)
        nextImage();
}

void Show::nextImage() {
    release(std::move(current_));
    current_ = std::move(next_);
    controller_.post({Command::ShowImage, {}, {}, current_->recipe, current_->canvas});
    current_->canvas = {};
    stage_ = Stage::building;
    clock_.start();
    shown_ = &current_->build->showVisits(0);
    repaint();
}

void Show::prepareFirst() {
    if (firstAsked_)
        return;
    firstAsked_ = true;
    prepareNext();
}

void Show::frame() {
    prepareFirst(); // in case the screen was not painted yet
    QElapsedTimer work;
    work.start();
    QRect changed; // in frame pixels
    const qint64 elapsed = clock_.isValid() ? clock_.nsecsElapsed() : 0;
    if (stage_ == Stage::building) {
        BuildFrames& build = *current_->build;
        const double done = std::min(1.0, fractionOf(elapsed, buildDuration));
        const auto visits = std::int64_t(std::llround(done * double(build.totalVisits())));
        shown_ = &build.showVisits(visits);
        changed = build.changed();
        if (visits == build.totalVisits()) { // the still: now its colours turn
            stage_ = Stage::cycling;
            clock_.start();
            shown_ = &current_->cycle->turned(0); // the same pixels
            release(std::shared_ptr<BuildFrames>(std::move(current_->build)));
            prepareNext();
        }
    } else if (stage_ == Stage::cycling) {
        if (next_ && elapsed >= std::chrono::nanoseconds(cycleDuration).count()) {
            nextImage();
            emit frameWorked(work.nsecsElapsed());
            return;
        }
        const double turns = fractionOf(elapsed, ColourCycle::turnDuration);
        shown_ = &current_->cycle->turned(turns - std::floor(turns));
        changed = shown_->rect();
    }
    if (!changed.isEmpty()) {
        const QRectF area(QPointF(changed.topLeft()) / ratio_, QSizeF(changed.size()) / ratio_);
        repaint(area.toAlignedRect());
    }
    emit frameWorked(work.nsecsElapsed());
}

template <typename T> void Show::release(std::shared_ptr<T> unused) {
    if (unused) // the last owner goes on the worker
        pool_.start([last = std::move(unused)]() mutable { last.reset(); });
}

void Show::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    if (!shown_) {
        painter.fillRect(area, Qt::black);
        QMetaObject::invokeMethod(this, &Show::prepareFirst, Qt::QueuedConnection);
        return;
    }
    // The frame carries the screen's ratio: one frame pixel on one device pixel.
    const QRectF source(QPointF(area.topLeft()) * ratio_, QSizeF(area.size()) * ratio_);
    painter.drawImage(QRectF(area), *shown_, source);
    // A screen larger than the frames (it changed while the show ran) is black around them.
    const QRect frame = QRectF(QPointF(), QSizeF(shown_->size()) / ratio_).toAlignedRect();
    for (const QRect& rest : QRegion(area).subtracted(frame))
        painter.fillRect(rest, Qt::black);
}

void Show::keyPressEvent(QKeyEvent* event) {
    const std::optional<Command> command = commandOfKeys(event->keyCombination());
    if (event->key() == Qt::Key_Escape || command == Command::Show)
        leave();
    else if (command == Command::Save)
        controller_.post({Command::Save});
    else
        QWidget::keyPressEvent(event);
}

void Show::mousePressEvent(QMouseEvent* event) {
    event->accept();
    leave();
}

void Show::closeEvent(QCloseEvent* event) {
    event->accept();
    leave();
}

void Show::leave() {
    if (stopping_)
        return; // already left
    stopping_ = true;
    awaiting_ = false;
    warmRow_ = -1;
    timer_.stop();
    hide(); // the window may serve the next show (see Form1)
    shown_ = nullptr;
    release(std::move(current_));
    release(std::move(next_));
    emit left();
}
