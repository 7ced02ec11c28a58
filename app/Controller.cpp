#include "Controller.h"

#include "HelpPanel.h"
#include "ImageName.h"
#include "ImageSaver.h"
#include "OpenRecipe.h"
#include "UiFont.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <memory>

Controller::Controller(const Clock& clock, const QString& saveFolder, QObject* parent)
    : QObject(parent), world_(clock), saveFolder_(saveFolder), recipeFolder_(::recipeFolder()) {
    const QFont font = uiFont();
    window_.setFont(font);
    world_.canvas.setFont(font);
    connect(&reveal_, &Reveal::advanced, this, &Controller::publish);
    connect(&reveal_, &Reveal::frameWorked, this, &Controller::frameWorked);
    connect(&reveal_, &Reveal::finished, this, &Controller::runQueue);
    connect(&cycle_, &ColourCycle::advanced, this, &Controller::publish);
    connect(&cycle_, &ColourCycle::frameWorked, this, &Controller::frameWorked);
    connect(&redraw_, &Redraw::finished, this, &Controller::redrawn);
}

QString Controller::nacname(int n) const {
    return n >= 0 && n < int(nacname_.size()) ? nacname_[std::size_t(n)] : QString();
}

void Controller::Form_Load(const QString& firstRecipe) {
    world_.seedFromClock();
    window_.setBackColor(colour::black);
    window_.cls();
    setStartUpSettings(world_.state);
    nacname_[1] = QStringLiteral("from left to right");
    nacname_[2] = QStringLiteral("from centre ortogonal");
    nacname_[3] = QStringLiteral("random point after point");
    nacname_[4] = QStringLiteral("from order to chaos and back");
    ShowGenerationType();
    MakePalette(world_);
    if (firstRecipe.isEmpty() || !open(firstRecipe))
        startImage();
    publish();
}

void Controller::post(const Action& action) {
    if (exiting_)
        return;
    queue_.push(action);
    if (!drawing() && !saving())
        runQueue();
    publish();
}

void Controller::finishImageNow(bool dropWaiting) {
    finishSaveNow(); // what waited behind it begins, as it would have had the disk been quick
    cycle_.stop();   // Shift+Esc while the colours turn gives the image its own back too
    if (dropWaiting)
        queue_.keepOnly({Command::Save, Command::Exit});
    finishRedrawNow();
    reveal_.finishNow(); // the waiting commands then run as usual
    runQueue();          // also after a picture drawn again, which no reveal ends
    publish();
}

void Controller::closeDown() {
    if (exiting_)
        return;
    exiting_ = true;
    cycle_.stop();
    const bool save = queue_.contains(Command::Save);
    queue_.clear();
    // A save being written is never cut short. Once it has gone well a waiting save would
    // write the same again, since nothing changes the image after it; one that failed is tried
    // again.
    bool written = false;
    if (save_.active()) {
        const SaveOutcome outcome = save_.wait();
        written = outcome.picture.ok && outcome.recipe.ok;
        savedOnDisk(outcome);
    }
    finishRedrawNow();
    reveal_.finishNow(); // nothing queued runs after it: exiting_ is set
    if (save && !written) {
        Command3_Click();
        savedOnDisk(save_.wait());
    }
    publish();
    emit exitRequested();
}

void Controller::runQueue() {
    while (!drawing() && !saving() && !exiting_) {
        const std::optional<Action> next = queue_.pop();
        if (!next)
            break;
        run(*next);
        publish();
    }
    if (!busy())
        emit idle();
}

void Controller::run(const Action& action) {
    // The image's own colours come back first, so a save writes them and a press finds them.
    const bool wasCycling = cycle_.stop();
    switch (action.command) {
    case Command::NewImageOldPalette:
        Command1_Click();
        break;
    case Command::Exit: // Command2_Click: ends the program at once, nothing more is drawn
        exiting_ = true;
        emit exitRequested();
        break;
    case Command::Save:
        Command3_Click();
        break;
    case Command::ChangePalette:
        Command4_Click();
        break;
    case Command::Repeat:
        Command5_Click();
        break;
    case Command::NewImageNewPalette:
        Command6_Click();
        break;
    case Command::GenerationType:
        Command7_Click();
        break;
    case Command::Help:
        Command8_Click();
        break;
    case Command::CanvasPress:
        Picture1_MouseDown(action.position);
        break;
    case Command::StripPress:
        Picture3_MouseDown(action.position);
        break;
    case Command::PreviousImage:
        moveInHistory(-1);
        break;
    case Command::NextImage:
        moveInHistory(+1);
        break;
    case Command::Undo:
        undo();
        break;
    case Command::Redo:
        redo();
        break;
    case Command::HelpKey:
        if (!closeHelp())
            Command8_Click();
        break;
    case Command::CloseHelp:
        closeHelp();
        break;
    case Command::OpenDialog:
        emit openDialogRequested();
        break;
    case Command::Open:
        open(action.path);
        break;
    case Command::Copy:
        copyImage();
        break;
    case Command::Gallery:
        emit galleryRequested();
        break;
    case Command::Export:
        if (const History::Entry* entry = history_.current())
            emit exportRequested(entry->recipe);
        break;
    case Command::Variations:
        if (const History::Entry* entry = history_.current())
            emit variationsRequested(entry->recipe);
        break;
    case Command::Use:
        if (action.recipe)
            use(*action.recipe);
        break;
    case Command::CycleColours:
        if (!wasCycling) // the key that started the turning stops it
            cycleColours();
        break;
    case Command::Show:
        emit showRequested();
        break;
    case Command::ShowImage:
        history_.add(*action.recipe); // with a file of its own, as a new image has
        showFromHistory(action.picture);
        break;
    }
}

void Controller::moveInHistory(int step) {
    const bool moved = step < 0 ? history_.back() : history_.forward();
    if (moved)
        showFromHistory();
    const QString where = tr("image %1 of %2").arg(history_.position() + 1).arg(history_.size());
    if (moved)
        emit note(where);
    else if (step < 0)
        emit note(tr("no earlier image (%1)").arg(where));
    else
        emit note(tr("no later image (%1)").arg(where));
}

bool Controller::open(const QString& argument) {
    OpenedRecipe opened;
    QString error;
    if (!openRecipe(argument, recipeFolder_, opened, error)) {
        emit openFailed(error);
        return false;
    }
    const Recipe& recipe = opened.recipe;
    putOnCanvas(recipe);
    // The window's own pair: the image's saves replace its two files while they are as they are
    // now, and nothing else. Any other file opened is only read.
    if (opened.own)
        history_.current()->file.adopt(saveFolder_, recipe.stem,
                                       ownImage(opened, saveFolder_, world_.canvas.image().size()),
                                       opened.path);
    emit note(tr("opened %1").arg(QFileInfo(opened.path).completeBaseName()));
    return true;
}

void Controller::use(Recipe recipe) {
    // Its own name, so that its save never takes its parent's files.
    recipe.stem = MakeImageName(world_.clock);
    putOnCanvas(recipe);
    const QStringList& from = recipe.parents;
    if (from.size() == 2)
        emit note(tr("cross of %1 and %2").arg(from[0], from[1]));
    else if (from.size() == 1)
        emit note(tr("variation of %1").arg(from[0]));
}

void Controller::putOnCanvas(const Recipe& recipe) {
    history_.add(recipe);
    world_.state.nac = std::int16_t(recipe.generationType);
    ShowGenerationType();
    showFromHistory();
}

void Controller::copyImage() {
    QGuiApplication::clipboard()->setImage(world_.canvas.image().copy());
    emit note(tr("image copied"));
}

void Controller::undo() {
    const std::optional<CanvasEdits::Replaced> undone = edits_.undo(world_.canvas);
    if (!undone) {
        emit note(tr("nothing to undo"));
        return;
    }
    // The recipe follows the canvas, so a save writes what is shown with a matching recipe.
    if (History::Entry* entry = history_.current(); entry && !entry->recipe.replacements.empty())
        entry->recipe.replacements.pop_back();
}

void Controller::redo() {
    const std::optional<CanvasEdits::Replaced> redone = edits_.redo(world_.canvas);
    if (!redone) {
        emit note(tr("nothing to redo"));
        return;
    }
    if (History::Entry* entry = history_.current())
        entry->recipe.replacements.push_back({redone->pressed, redone->put});
}

bool Controller::closeHelp() {
    return edits_.uncover(world_.canvas);
}

void Controller::Command1_Click() {
    startImage();
}

void Controller::Command3_Click() {
    const GeneratorState& s = world_.state;
    const History::Entry* entry = history_.current();
    if (!entry)
        return; // no image yet
    // Never two at once: the file record each save leaves is the next one's.
    if (save_.active())
        savedOnDisk(save_.wait());
    copyToSaveBuffer(world_.canvas, world_.saveBuffer, s.sir, s.vis);
    // Written on the worker, from the buffer's pixels, which nothing changes before the save
    // has been written: every command waits for it. Each image keeps its own file, also when
    // it is shown again.
    SaveRequest request{entry->file, world_.saveBuffer.image(), saveFolder_,
                        s.imeslike,  toJson(entry->recipe),     recipeFolder_};
    save_.start([r = std::move(request)]() mutable { return writeSave(std::move(r)); });
}

void Controller::savedOnDisk(const SaveOutcome& outcome) {
    // The commands behind the save waited for it, so the image on the canvas is the one saved.
    // Its name is checked all the same: another image given this file could replace it.
    if (History::Entry* entry = history_.current(); entry && outcome.stem == world_.state.imeslike)
        entry->file = outcome.file;
    if (!outcome.picture.ok) {
        emit saveFailed(outcome.picture.error); // the program keeps running; nothing is lost
        return;
    }
    emit saved(outcome.picture.path);
    if (!outcome.recipe.ok)
        emit recipeSaveFailed(tr("%1 was saved, but its recipe was not. %2")
                                  .arg(outcome.picture.path, outcome.recipe.error));
}

void Controller::finishSaveNow() {
    // The commands behind a save may begin with another save: each is awaited in turn.
    while (save_.active()) {
        savedOnDisk(save_.wait());
        publish();
        runQueue();
    }
}

void Controller::showFromHistory(const QImage& picture) {
    const History::Entry* entry = history_.current();
    if (!entry)
        return;
    const Recipe& recipe = entry->recipe;
    applyParameters(recipe, world_.state);
    restorePalette(world_, recipe.waves);
    if (picture.size() == world_.canvas.image().size())
        showPicture(picture);
    else // on the worker; the commands behind wait for it
        redraw_.start(recipe, world_.state, world_.strip);
}

void Controller::showPicture(const QImage& picture) {
    putOnCanvas(picture);
    edits_ = CanvasEdits(world_.state.sir, world_.state.vis);
    if (const History::Entry* entry = history_.current())
        for (const Replacement& r : entry->recipe.replacements)
            edits_.replace(world_.canvas, {r.pressed, r.put});
}

void Controller::redrawn(const QImage& picture) {
    showPicture(picture);
    publish();
    runQueue();
}

void Controller::finishRedrawNow() {
    if (redraw_.active())
        showPicture(redraw_.wait());
}

void Controller::putOnCanvas(const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb* const to = world_.canvas.scanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            to[x] = colour::toQRgb(colour::fromQRgb(from[x]));
    }
    world_.canvas.markChanged(picture.rect());
}

void Controller::cycleColours() {
    if (const History::Entry* entry = history_.current())
        cycle_.start(world_.canvas, world_.state, entry->recipe.waves, world_.strip, world_.waves);
}

void Controller::Command4_Click() {
    MakePalette(world_);
}

void Controller::Command5_Click() {
    world_.state.ponovi = 1;
    beginImageOnCanvas();
    const Recipe made = recipeOf(world_);
    // The same image again, unchanged, stays one history entry under the new stem, with the
    // random state of this drawing (its order and type 4's noise).
    if (History::Entry* entry = history_.current(); entry && entry->recipe.replacements.empty()) {
        Recipe renamed = entry->recipe;
        renamed.stem = made.stem;
        renamed.programVersion = made.programVersion;
        renamed.random = made.random;
        renamed.parents.clear(); // where the image came from is no part of its picture
        if (renamed == made) {
            const QStringList parents = entry->recipe.parents;
            entry->recipe = made;
            entry->recipe.parents = parents;
            return;
        }
    }
    history_.add(made);
}

void Controller::Command6_Click() {
    MakePalette(world_);
    startImage();
}

void Controller::Command7_Click() {
    GeneratorState& s = world_.state;
    s.nac = std::int16_t(s.nac + 1);
    if (s.nac > 4)
        s.nac = 1;
    ShowGenerationType();
}

void Controller::Command8_Click() {
    edits_.recordCover(world_.canvas); // closing the panel gives this canvas back
    paintHelpPanel(world_.canvas);
}

void Controller::Picture1_MouseDown(QPointF position) {
    const float x = float(position.x());
    const float y = float(position.y());
    const colour::Value pressed = world_.canvas.point(x, y);
    std::vector<int> repainted;
    replacement_.replace(world_.canvas, world_.state.sir, world_.state.vis, x, y, &repainted);
    if (pressed == colour::none)
        return;
    edits_.recordReplacement({pressed, replacement_.color()}, std::move(repainted));
    if (History::Entry* entry = history_.current())
        entry->recipe.replacements.push_back({pressed, replacement_.color()});
}

void Controller::Picture3_MouseDown(QPointF position) {
    replacement_.pick(world_.strip, float(position.x()), float(position.y()));
    if (world_.strip.point(float(position.x()), float(position.y())) == colour::none)
        return; // a press on the border picks nothing
    pickedPoint_ = position;
    emit picked();
}

std::optional<int> Controller::pickedColumn() const {
    if (!pickedPoint_)
        return std::nullopt;
    const QPointF p = *pickedPoint_;
    if (world_.strip.point(float(p.x()), float(p.y())) != replacement_.color())
        return std::nullopt; // a new strip: the picked colour is no longer there
    return int(p.x());
}

void Controller::ShowGenerationType() {
    const colour::Value grey = colour::rgb(200, 200, 200);
    for (int x = 690; x <= 850; ++x)
        window_.line(float(x), 97.0f, float(x), 112.0f, grey);
    window_.setCurrentX(700.0f);
    window_.setCurrentY(98.0f);
    window_.print(nacname(world_.state.nac));
}

void Controller::startImage() {
    beginImageOnCanvas();
    history_.add(recipeOf(world_)); // with a file of its own: it never replaces another's
}

void Controller::beginImageOnCanvas() {
    reveal_.start(beginImage(world_));
    edits_ = CanvasEdits(world_.state.sir, world_.state.vis);
}

void Controller::publish() {
    if (const QRect r = world_.canvas.takeDirty(); !r.isEmpty())
        emit canvasChanged(r);
    if (const QRect r = world_.strip.takeDirty(); !r.isEmpty())
        emit stripChanged(r);
    if (const QRect r = window_.takeDirty(); !r.isEmpty())
        emit windowChanged(r);
    if (waiting() != waitingShown_) {
        waitingShown_ = waiting();
        emit waitingChanged(waitingShown_);
    }
}
