#pragma once

// A save of the image on the canvas written on a worker thread: the picture, then its recipe,
// each made durable on the disk before it takes its name. The disk may keep a save waiting for
// a tenth of a second or more; the window keeps turning meanwhile, and the commands behind the
// save wait for it as they wait for an image building up.

#include "ImageFile.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

class SaveJob : public QObject {
    Q_OBJECT
public:
    // What to save: the picture as the canvas shows it under the image's name, and its recipe.
    struct Request {
        ImageFile file; // the image's file as its earlier saves left it
        QImage picture;
        QString folder; // where the picture goes
        QString stem;   // the image's name
        QByteArray recipe;
        QString recipeFolder;
    };
    struct Outcome {
        ImageFile file;     // the image's file after this save, to keep for its next one
        SaveResult picture; // the picture's save
        SaveResult recipe;  // the recipe's, tried only once the picture is saved
    };

    explicit SaveJob(QObject* parent = nullptr);
    ~SaveJob() override; // waits for a save under way: it is never cut short

    // Starts writing; a save already under way is awaited first (its outcome is then lost, so
    // callers wait() for it themselves).
    void start(Request request);
    // True from start() until finished is emitted or wait() returns.
    bool active() const { return active_; }
    // Waits for the save under way and returns its outcome; finished is then not emitted.
    Outcome wait();

    // The save itself, on the calling thread.
    static Outcome write(Request request);

signals:
    void finished(const SaveJob::Outcome& outcome);

private:
    void arrived();

    QThreadPool pool_; // one thread, kept from one save to the next
    QFutureWatcher<Outcome> watcher_;
    bool active_ = false;
};
