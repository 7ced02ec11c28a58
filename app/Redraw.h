#pragma once

// An image of the history drawn again on a worker thread, so the window keeps turning while it
// is made: a type-4 image replays both of its sweeps from its random state (its pixels without
// a value then show its own noise), any other is rendered from the plane. The picture is the
// canvas's size, without the recipe's colour replacements.

#include "GeneratorState.h"
#include "PlaneRender.h"
#include "Recipe.h"
#include "WorkerJob.h"

#include <QImage>
#include <QObject>
#include <memory>

class Surface;

class Redraw : public QObject {
    Q_OBJECT
public:
    explicit Redraw(QObject* parent = nullptr) : QObject(parent) {}

    // Starts drawing `recipe` again. `state` is the generator state with the recipe's parameters
    // applied and `strip` the palette strip made from its values; both are copied. A drawing
    // already under way is awaited first.
    void start(const Recipe& recipe, const GeneratorState& state, const Surface& strip);
    // True from start() until finished is emitted or wait() returns.
    bool active() const { return job_.active(); }
    // Waits for the drawing under way and returns its picture; finished is then not emitted.
    QImage wait() { return job_.wait(); }

    // The drawing itself, on the calling thread: `state` is the worker's own copy (a type-4
    // sweep moves it on).
    static QImage draw(const Recipe& recipe, GeneratorState& state, const Surface& strip,
                       PlaneRenderer& renderer);

signals:
    void finished(const QImage& picture);

private:
    std::shared_ptr<PlaneRenderer> renderer_ = std::make_shared<PlaneRenderer>();
    WorkerJob<QImage> job_{[this](const QImage& picture) { emit finished(picture); }};
};
