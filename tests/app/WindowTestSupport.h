#pragma once

// What the window's tests share: a clock that moves on by one second at every reading, a window
// that reveals its images at once, waiting for the command queue to drain, pixel comparisons that
// name the first difference, and a window-less reference world that replays the button handlers
// from a snapshot of the window's own world, so a test knows exactly what the window must show.

#include "ColourReplacement.h"
#include "Form1.h"
#include "PictureBox.h"
#include "World.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <array>
#include <chrono>
#include <memory>
#include <tuple>

// Every reading of the time of day is one second after the one before, so each image gets its
// own seed and its own name, the same way in every run.
class SteppingClock final : public Clock {
public:
    double secondsSinceMidnight() const override { return ++second_ + 0.25; }
    ClockText dateAndTime() const override {
        return {QStringLiteral("03-07-2024"),
                QTime(0, 0).addSecs(second_).toString(QStringLiteral("HH:mm:ss"))};
    }

private:
    mutable int second_ = 9 * 3600 + 5 * 60 + 3;
};

// The random parameters of the image on the canvas, comparable as one value.
inline auto parameters(const GeneratorState& s) {
    return std::make_tuple(s.tip, s.barv, s.f1, s.f2, s.n1, s.n2, s.n3, s.n4, s.komp1, s.komp2,
                           s.komp3, s.baf01, s.baf02, s.baf03);
}

// A shown window with its first image complete, revealed at once.
struct TestWindow {
    explicit TestWindow(const QString& saveFolder = QStringLiteral("/nonexistent/Pictures"))
        : form(clock, saveFolder) {
        controller().setRecipeFolder(recipes.filePath(QStringLiteral("recipes")));
        controller().setPassDuration(std::chrono::milliseconds(0));
        form.show();
        controller().Form_Load();
    }
    Controller& controller() { return form.controller(); }
    World& world() { return form.controller().world(); }
    QImage canvas() { return world().canvas.image().copy(); }
    QImage strip() { return world().strip.image().copy(); }

    SteppingClock clock;
    QTemporaryDir recipes; // where saving also saves the image's recipe
    Form1 form;
};

// Waits until every queued action has run and no image is being drawn.
[[nodiscard]] inline bool waitIdle(Controller& c, int timeoutMs = 20000) {
    return QTest::qWaitFor([&c] { return !c.busy(); }, timeoutMs);
}

// Clicks button n with the mouse and waits for the queue to drain.
[[nodiscard]] inline bool clickAndWait(TestWindow& w, int n) {
    QTest::mouseClick(w.form.command(n), Qt::LeftButton);
    return waitIdle(w.controller());
}

// Presses a mouse button at a client-area position of a picture box.
inline void pressClient(PictureBox* box, QPoint client, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = box->contentsRect().topLeft() + client;
    QTest::mousePress(box, button, {}, at);
    QTest::mouseRelease(box, button, {}, at);
}

// The image with every pixel of colour `from` repainted `to`, as a replacement leaves it.
inline QImage replaced(QImage image, QRgb from, QRgb to) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == from)
                image.setPixel(x, y, to);
    return image;
}

// Empty when the images are equal, else where and how they first differ.
inline QString firstDifference(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))
                    .arg(expected.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'));
    return {};
}

#define COMPARE_IMAGES(actual, expected)                                                           \
    do {                                                                                           \
        const QString difference_ = firstDifference((actual), (expected));                         \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                                  \
    } while (false)

// Text printed the way the window prints: top-left corner at (x, y), black, no background box,
// solid (unsmoothed) pixels.
inline void printAt(QImage& image, const QFont& font, QPointF topLeft, const QString& text) {
    QFont solid = font;
    solid.setStyleStrategy(QFont::NoAntialias);
    QPainter painter(&image);
    painter.setFont(solid);
    painter.setPen(Qt::black);
    painter.drawText(topLeft + QPointF(0, QFontMetrics(font).ascent()), text);
}

// The generation-type bar as it must look with `name` on it: columns 690..850, rows 97..112.
inline QImage expectedBar(const QFont& font, const QString& name) {
    QImage bar(161, 16, QImage::Format_RGB32);
    bar.fill(qRgb(200, 200, 200));
    printAt(bar, font, QPointF(700 - 690, 98 - 97), name);
    return bar;
}

inline QImage barOf(const Controller& c) {
    return c.windowSurface().image().copy(690, 97, 161, 16);
}

// A world without a window that starts as a copy of the window's (clock reading, random source,
// state, strip, canvas, picked colour) and replays the handlers on it.
class ReferenceWorld {
public:
    ReferenceWorld(TestWindow& w)
        : clock_(w.clock), world_(std::make_unique<World>(clock_)),
          replacement_(w.controller().replacement()) {
        world_->state = w.world().state;
        world_->random = w.world().random;
        copyPixels(w.world().strip, world_->strip);
        copyPixels(w.world().canvas, world_->canvas);
    }
    void newImage() { GenerateImage(*world_); } // Command1
    void newPalette() { MakePalette(*world_); } // Command4
    void repeatImage() {                        // Command5
        world_->state.ponovi = 1;
        GenerateImage(*world_);
    }
    void nextType() { // Command7, without the bar
        std::int16_t& nac = world_->state.nac;
        nac = nac >= 4 ? 1 : std::int16_t(nac + 1);
    }
    // Presses on the strip and the canvas, handled directly by the colour replacement.
    void pick(QPoint p) { replacement_.pick(world_->strip, float(p.x()), float(p.y())); }
    void press(QPoint p) {
        replacement_.replace(world_->canvas, world_->state.sir, world_->state.vis, float(p.x()),
                             float(p.y()));
    }
    const World& world() const { return *world_; }
    QImage canvas() const { return world_->canvas.image().copy(); }
    QImage strip() const { return world_->strip.image().copy(); }

private:
    static void copyPixels(const Surface& from, Surface& to) {
        for (int y = 0; y < from.height(); ++y)
            for (int x = 0; x < from.width(); ++x)
                to.pset(float(x), float(y), from.point(float(x), float(y)));
    }

    SteppingClock clock_;
    std::unique_ptr<World> world_;
    ColourReplacement replacement_;
};
