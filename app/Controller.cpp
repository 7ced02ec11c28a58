#include "Controller.h"

#include "HelpPanel.h"
#include "ImageSaver.h"
#include "UiFont.h"

#include <QDir>
#include <QFileInfo>

Controller::Controller(const Clock& clock, const QString& saveFolder, QObject* parent)
    : QObject(parent), world_(clock), saveFolder_(saveFolder), recipeFolder_(::recipeFolder()) {
    const QFont font = uiFont();
    window_.setFont(font);
    world_.canvas.setFont(font);
    connect(&reveal_, &Reveal::advanced, this, &Controller::publish);
    connect(&reveal_, &Reveal::frameWorked, this, &Controller::frameWorked);
    connect(&reveal_, &Reveal::finished, this, &Controller::runQueue);
}

QString Controller::nacname(int n) const {
    return n >= 0 && n < int(nacname_.size()) ? nacname_[std::size_t(n)] : QString();
}

void Controller::Form_Load() {
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
    startImage();
    publish();
}

void Controller::post(const Action& action) {
    if (exiting_)
        return;
    queue_.push(action);
    if (!reveal_.active())
        runQueue();
    publish();
}

void Controller::finishImageNow(bool dropWaiting) {
    if (dropWaiting)
        queue_.keepOnly({Command::Save, Command::Exit});
    reveal_.finishNow(); // the waiting commands then run as usual
    publish();
}

void Controller::closeDown() {
    if (exiting_)
        return;
    exiting_ = true;
    const bool save = queue_.contains(Command::Save);
    queue_.clear();
    reveal_.finishNow(); // nothing queued runs after it: exiting_ is set
    if (save)            // one save writes what any number of them would: the image does not change
        Command3_Click();
    publish();
    emit exitRequested();
}

void Controller::runQueue() {
    while (!reveal_.active() && !exiting_) {
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
        if (history_.back())
            showFromHistory();
        break;
    case Command::NextImage:
        if (history_.forward())
            showFromHistory();
        break;
    }
}

void Controller::Command1_Click() {
    startImage();
}

void Controller::Command3_Click() {
    const GeneratorState& s = world_.state;
    History::Entry* entry = history_.current();
    if (!entry)
        return; // no image yet
    copyToSaveBuffer(world_.canvas, world_.saveBuffer, s.sir, s.vis);
    // Each image keeps its own file, also when it is shown again.
    const SaveResult result = entry->file.save(world_.saveBuffer, saveFolder_, s.imeslike);
    if (!result.ok) {
        emit saveFailed(result.error); // the program keeps running; nothing is lost
        return;
    }
    emit saved(result.path);
    saveRecipe(*entry);
}

void Controller::saveRecipe(History::Entry& entry) {
    const SaveResult result = entry.file.saveRecipe(toJson(entry.recipe), recipeFolder_);
    if (!result.ok)
        emit recipeSaveFailed(tr("%1 was saved, but its recipe was not. %2")
                                  .arg(QDir::toNativeSeparators(entry.file.path()), result.error));
}

void Controller::showFromHistory() {
    const History::Entry* entry = history_.current();
    if (!entry)
        return;
    const Recipe& recipe = entry->recipe;
    applyParameters(recipe, world_.state);
    restorePalette(world_, recipe.waves);
    PlaneRenderer::Options options;
    options.width = canvasSide;
    options.height = canvasSide;
    options.background = pictureBackground;
    const QImage picture = renderer_.render(recipe, options);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb* const to = world_.canvas.scanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            to[x] = colour::toQRgb(colour::fromQRgb(from[x]));
    }
    world_.canvas.markChanged(picture.rect());
}

void Controller::Command4_Click() {
    MakePalette(world_);
}

void Controller::Command5_Click() {
    world_.state.ponovi = 1;
    startImage();
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
    paintHelpPanel(world_.canvas);
}

void Controller::Picture1_MouseDown(QPointF position) {
    const float x = float(position.x());
    const float y = float(position.y());
    const colour::Value pressed = world_.canvas.point(x, y);
    replacement_.replace(world_.canvas, world_.state.sir, world_.state.vis, x, y);
    if (History::Entry* entry = history_.current(); entry && pressed != colour::none)
        entry->recipe.replacements.push_back({pressed, replacement_.color()});
}

void Controller::Picture3_MouseDown(QPointF position) {
    replacement_.pick(world_.strip, float(position.x()), float(position.y()));
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
    reveal_.start(beginImage(world_));
    history_.add(recipeOf(world_)); // with a file of its own: it never replaces another's
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
