#pragma once

// The program's controller: start-up (Form_Load), the handlers of the eight buttons and of the
// presses on the canvas and the strip, and the generation-type bar. It owns the engine's world
// and the window's own drawing surface.
//
// Every user action waits in a first-in, first-out queue and runs when the one before has
// finished. An image is revealed frame by frame by a Reveal, which paces its build-up. Every
// command first stops the colours turning, so it finds the image in its own colours.

#include "CanvasEdits.h"
#include "ColourCycle.h"
#include "ColourReplacement.h"
#include "CommandQueue.h"
#include "History.h"
#include "ImageFile.h"
#include "Redraw.h"
#include "Reveal.h"
#include "SaveWrite.h"
#include "WorkerJob.h"
#include "World.h"

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <optional>

class Controller : public QObject {
    Q_OBJECT
public:
    // How long one pass of visits takes on screen.
    static constexpr std::chrono::milliseconds passDuration = Reveal::passDuration;
    // The window's client area, in which the whole layout fits.
    static constexpr int windowWidth = 851;
    static constexpr int windowHeight = 641;

    // `saveFolder` is where "save on disk D:" writes.
    Controller(const Clock& clock, const QString& saveFolder, QObject* parent = nullptr);

    // Where saving an image also saves its recipe (by default the program's data folder).
    void setRecipeFolder(const QString& folder) { recipeFolder_ = folder; }
    QString recipeFolder() const { return recipeFolder_; }

    // Changes how long a pass takes; zero reveals each image at once. For tests and benchmarks.
    void setPassDuration(std::chrono::milliseconds duration) { reveal_.setPassDuration(duration); }

    // The start-up sequence after the window is shown: seeding, background, settings, names,
    // the bar, the first palette and the first image (revealed like any other). Given a recipe
    // file, the first image is that recipe's, complete at once, instead of a random one.
    void Form_Load(const QString& firstRecipe = {});

    // Queues one user action; it runs once everything before it has finished.
    void post(const Action& action);

    // True while a command runs or waits.
    bool busy() const { return drawing() || saving() || !queue_.empty(); }
    // True while an image builds up or is drawn again: the commands behind it wait.
    bool drawing() const { return reveal_.active() || redraw_.active(); }
    // True while a save is being written: the commands behind it wait.
    bool saving() const { return save_.active(); }
    // The commands waiting behind the one that runs.
    int waiting() const { return int(queue_.size()); }

    // Shows the image now building up or being drawn again complete at once (the same pixels
    // as its paced build-up); the waiting commands then run as usual. With `dropWaiting` every
    // waiting command but the saves and "exit" is dropped first. A save being written is
    // awaited first, so the keys act as they would had it taken no time.
    void finishImageNow(bool dropWaiting);

    // Waits for the save being written, tells how it went, and runs the commands behind it,
    // until no save is being written.
    void finishSaveNow();

    // Ends the program, whatever asked for it (the close button, the window manager, a signal,
    // the window destroyed): a save being written completes, the image building up is finished
    // at once, a waiting save is carried out, every other waiting command is dropped, then
    // exitRequested is emitted.
    void closeDown();

    World& world() { return world_; }
    const World& world() const { return world_; }
    const Surface& windowSurface() const { return window_; }
    const ColourReplacement& replacement() const { return replacement_; }
    // The undo and redo steps of the image on the canvas.
    const CanvasEdits& edits() const { return edits_; }
    // The strip column of the last pick while the strip still shows the picked colour there;
    // nothing before a pick or once the strip has changed under it.
    std::optional<int> pickedColumn() const;
    // The build-up of the image being drawn.
    Reveal& reveal() { return reveal_; }
    // The colours of the canvas and the strip turning round.
    const ColourCycle& colourCycle() const { return cycle_; }
    // This session's images; the current one is the image on the canvas.
    const History& history() const { return history_; }
    QString saveFolder() const { return saveFolder_; }
    // The name of generation type n (1..4); empty for the unused entries 0 and 5..10.
    QString nacname(int n) const;

signals:
    void canvasChanged(const QRect& area);
    void stripChanged(const QRect& area);
    void windowChanged(const QRect& area);
    void saveFailed(const QString& message);
    // The image was saved, its recipe was not.
    void recipeSaveFailed(const QString& message);
    // A save wrote `path`.
    void saved(const QString& path);
    // The number of waiting commands changed.
    void waitingChanged(int waiting);
    void exitRequested();
    // A colour was picked on the strip.
    void picked();
    // A short note for the title: where the user is in the history, nothing to undo, ...
    void note(const QString& text);
    // Ctrl+O's turn has come: the window asks which file to open.
    void openDialogRequested();
    // Ctrl+E's turn has come: the window asks how to export the image on the canvas, whose
    // recipe this is.
    void exportRequested(const Recipe& recipe);
    // The gallery's turn has come: the window shows it.
    void galleryRequested();
    // Ctrl+M's turn has come: the window shows variations of the image on the canvas, whose
    // recipe this is.
    void variationsRequested(const Recipe& recipe);
    // The full-screen show's turn has come: the window opens it.
    void showRequested();
    // A file could not be opened; the message names it and says why.
    void openFailed(const QString& message);
    // Every queued action has run and no image is being drawn.
    void idle();
    // The time one reveal frame took, for the benchmark.
    void frameWorked(qint64 nanoseconds);

private:
    void Command1_Click(); // "new img / old palette"
    void Command3_Click(); // "save on disk D:"
    void Command4_Click(); // "change palette"
    void Command5_Click(); // "repeat  image"
    void Command6_Click(); // "new img / new palette"
    void Command7_Click(); // "generation type"
    void Command8_Click(); // "help"
    void undo();           // Ctrl+Z: takes back the last colour replacement
    void redo();           // Ctrl+Y: makes the last one taken back again
    // Takes the help panel off the image; false when it does not show.
    bool closeHelp();
    // Goes back (-1) or forward (+1) through the history and says where the user is.
    void moveInHistory(int step);
    // Opens a saved image or recipe (as the command line and the gallery name it) on the canvas
    // as a new history entry; false, with openFailed emitted, when it cannot be read.
    bool open(const QString& argument);
    // Puts a variation or a cross on the canvas as a new image, named as a new image is.
    void use(Recipe recipe);
    // Shows a recipe on the canvas as a new history entry, in its generation type.
    void putOnCanvas(const Recipe& recipe);
    // Puts the canvas on the clipboard.
    void copyImage();
    void Picture1_MouseDown(QPointF position);
    void Picture3_MouseDown(QPointF position);
    void ShowGenerationType();
    // Shows the current image of the history again, complete, with its strip and stem; from
    // `picture` when it is given (the image as the canvas shows it, without replacements),
    // else drawn again on a worker while the commands behind it wait.
    void showFromHistory(const QImage& picture = {});
    // Puts the current image's picture on the canvas and makes its replacements again.
    void showPicture(const QImage& picture);
    // The worker's picture has come: it is shown and the waiting commands run.
    void redrawn(const QImage& picture);
    // Waits for the picture being drawn again and shows it.
    void finishRedrawNow();
    // Starts turning the colours of the image on the canvas and of the strip.
    void cycleColours();
    // Puts a picture of the canvas's size on the canvas.
    void putOnCanvas(const QImage& picture);
    // A save has been written: the image keeps its file, and the outcome is told.
    void savedOnDisk(const SaveOutcome& outcome);

    void startImage(); // GenerateImage, revealed by the timer
    // Begins the image and starts its edits afresh, without touching the history.
    void beginImageOnCanvas();
    void runQueue(); // runs queued actions until one is still drawing or saving, or none is left
    void run(const Action& action);
    void publish(); // tells the widgets what changed
    World world_;
    Surface window_{windowWidth, windowHeight}; // the window's own drawing: the type bar
    ColourReplacement replacement_;
    CanvasEdits edits_{0, 0};            // the undo and redo steps of the image on the canvas
    std::optional<QPointF> pickedPoint_; // where on the strip the last pick was made
    History history_;
    std::array<QString, 11> nacname_; // generation-type names; only entries 1 to 4 are used
    QString saveFolder_;
    QString recipeFolder_;

    CommandQueue queue_;
    int waitingShown_ = 0; // the count last announced by waitingChanged
    bool exiting_ = false;
    Reveal reveal_; // the image being drawn
    Redraw redraw_; // an image of the history being drawn again
    // The image on the canvas being saved.
    WorkerJob<SaveOutcome> save_{[this](const SaveOutcome& outcome) {
        savedOnDisk(outcome);
        publish();
        runQueue();
    }};
    ColourCycle cycle_; // the colours turning round
};
