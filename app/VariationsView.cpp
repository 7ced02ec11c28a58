#include "VariationsView.h"

#include "VariationGrid.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtConcurrent/QtConcurrentRun>
#include <bit>
#include <cmath>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The seeds of a view start from its images' random states: the same images, the same views.
std::uint64_t seedOf(const Random::State& words) {
    return (std::uint64_t(words[0]) << 32 | words[1]) ^ (std::uint64_t(words[2]) << 32 | words[3]);
}

// The cell of the k-th of the eight around the centre.
int ringCell(int k) {
    return k < VariationGrid::centre ? k : k + 1;
}

} // namespace

VariationsView::VariationsView(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    pool_.setMaxThreadCount(1);
    connect(&rendering_, &QFutureWatcher<Rendered>::finished, this, &VariationsView::rendered);
    grid_ = new VariationGrid;
    connect(grid_, &VariationGrid::picked, this, &VariationsView::picked);

    strength_ = new QSlider(Qt::Horizontal);
    strength_->setRange(0, int(strengths.size()) - 1);
    strength_->setValue(firstStrength);
    strength_->setPageStep(2);
    strength_->setTickPosition(QSlider::TicksBelow);
    strength_->setAccessibleName(tr("Strength"));
    strength_->setToolTip(tr("How far the variations go from the centre, from barely to wild "
                             "(+ and -)"));
    strengthText_ = new QLabel;
    strengthText_->setMinimumWidth(strengthText_->fontMetrics().horizontalAdvance("0.00") + 4);
    auto* strengthLabel = new QLabel(tr("&Strength:"));
    strengthLabel->setBuddy(strength_);

    scope_ = new QButtonGroup(this);
    auto* scopeBox = new QGroupBox(tr("Change"));
    auto* scopeColumn = new QVBoxLayout(scopeBox);
    const std::array<std::pair<QString, VariationScope>, 3> scopes{{
        {tr("Sh&ape"), VariationScope::Shape},
        {tr("&Colours"), VariationScope::Colours},
        {tr("Bo&th"), VariationScope::Both},
    }};
    for (const auto& [text, scope] : scopes) {
        auto* button = new QRadioButton(text);
        scope_->addButton(button, int(scope));
        scopeColumn->addWidget(button);
    }
    scope_->button(int(VariationScope::Both))->setChecked(true);

    back_ = new QPushButton(tr("&Back"));
    back_->setToolTip(tr("Goes back to the centre before (Backspace)"));
    auto* others = new QPushButton(tr("&Others"));
    others->setToolTip(tr("Draws eight other variations (R)"));
    auto* use = new QPushButton(tr("&Use"));
    use->setToolTip(tr("Puts the centre on the canvas (Enter on the centre)"));
    auto* close = new QPushButton(tr("Close"));
    for (QPushButton* button : {back_, others, use, close})
        button->setAutoDefault(false); // Enter belongs to the grid
    connect(back_, &QPushButton::clicked, this, &VariationsView::back);
    connect(others, &QPushButton::clicked, this, &VariationsView::others);
    connect(use, &QPushButton::clicked, this, &VariationsView::use);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* hint = new QLabel(tr("A click, or the arrow keys and Enter, make a picture the "
                               "centre, with eight new ones around it.\n\nBackspace goes back, "
                               "+ and - change the strength, R draws others.\n\nEnter on the "
                               "centre, or a double click, uses it."));
    hint->setWordWrap(true);

    // The grid, and beside it a column of what changes them (it fits a screen 768 pixels
    // high).
    auto* strengthRow = new QHBoxLayout;
    strengthRow->addWidget(strength_, 1);
    strengthRow->addWidget(strengthText_);
    auto* side = new QVBoxLayout;
    side->addWidget(strengthLabel);
    side->addLayout(strengthRow);
    side->addSpacing(8);
    side->addWidget(scopeBox);
    auto* moves = new QHBoxLayout;
    moves->addWidget(back_);
    moves->addWidget(others);
    side->addLayout(moves);
    side->addSpacing(8);
    side->addWidget(hint);
    side->addStretch(1);
    auto* ends = new QHBoxLayout;
    ends->addWidget(use);
    ends->addWidget(close);
    side->addLayout(ends);
    auto* whole = new QHBoxLayout(this);
    whole->addWidget(grid_, 0, Qt::AlignTop);
    whole->addLayout(side);
    whole->setSizeConstraint(QLayout::SetFixedSize);
    constexpr int sideWidth = 220;
    hint->setFixedWidth(sideWidth);
    scopeBox->setFixedWidth(sideWidth);

    connect(strength_, &QSlider::valueChanged, this, [this] {
        showStrength();
        pages_.back().crossing = false; // a strength is for variations
        showPage();
    });
    connect(scope_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (!checked)
            return;
        pages_.back().crossing = false;
        showPage();
    });
    showStrength();
    setFocusProxy(grid_);
}

VariationsView::VariationsView(const Recipe& image, QWidget* parent) : VariationsView(parent) {
    setWindowTitle(tr("Variations of %1").arg(image.stem));
    nextSeed_ = seedOf(image.random);
    start({image, {}, nextSeed_, false, true});
    nextSeed_ += 8;
}

VariationsView::~VariationsView() {
    stale_ = true;
    rendering_.disconnect(this);
    rendering_.waitForFinished();
}

VariationsView::VariationsView(const Recipe& first, const Recipe& second, QWidget* parent)
    : VariationsView(parent) {
    setWindowTitle(tr("Crosses of %1 and %2").arg(first.stem, second.stem));
    first_ = first;
    second_ = second;
    nextSeed_ = seedOf(first.random) ^ std::rotl(seedOf(second.random), 1);
    // The centre is the first of nine crosses, the eight around it the others.
    start({cross(first, second, nextSeed_), {}, nextSeed_ + 1, true, false});
    nextSeed_ += 9;
}

void VariationsView::start(Page first) {
    pages_.push_back(std::move(first));
    showPage();
}

const Recipe& VariationsView::centre() const {
    return pages_.back().centre;
}

double VariationsView::strength() const {
    return strengths.at(std::size_t(strength_->value()));
}

VariationScope VariationsView::scope() const {
    return VariationScope(scope_->checkedId());
}

void VariationsView::showPage() {
    const Page& page = pages_.back();
    std::array<Recipe, 9> recipes;
    std::array<QString, 9> descriptions;
    recipes[VariationGrid::centre] = page.centre;
    descriptions[VariationGrid::centre] = tr("The centre");
    const std::vector<Recipe> ring =
        page.crossing ? crosses(first_, second_, page.seed, 8)
                      : variations(page.centre, strength(), scope(), page.seed, 8);
    for (int k = 0; k < 8; ++k) {
        Recipe made = ring[std::size_t(k)];
        // A variation of a picture made here comes from the images that picture came from.
        if (!page.crossing && !page.ownStem)
            made.parents = page.centre.parents;
        recipes[std::size_t(ringCell(k))] = made;
        descriptions[std::size_t(ringCell(k))] =
            page.crossing ? tr("Cross %1 of 8").arg(k + 1) : tr("Variation %1 of 8").arg(k + 1);
    }
    back_->setEnabled(pages_.size() > 1);

    // The pictures before are not wanted any more; the worker stops at the next one.
    stale_ = true;
    rendering_.waitForFinished();
    stale_ = false;
    pending_ = true;
    // As many pixels as a cell has on this screen; the centre's is kept from the page before.
    const double ratio = devicePixelRatioF();
    PlaneRenderer::Options options;
    options.width = options.height = int(std::lround(VariationGrid::cellSide * ratio));
    const QImage centre = page.picture;
    rendering_.setFuture(QtConcurrent::run(
        &pool_, [this, recipes, descriptions, centre, options, ratio]() -> Rendered {
            setpriority(PRIO_PROCESS, pid_t(gettid()), 10); // behind the UI thread
            Rendered made{recipes, descriptions, {}};
            for (std::size_t cell = 0; cell < recipes.size() && !stale_; ++cell) {
                QImage& picture = made.pictures[cell];
                if (cell == std::size_t(VariationGrid::centre) && !centre.isNull()) {
                    picture = centre;
                    continue;
                }
                picture = renderer_.render(recipes[cell], options);
                picture.setDevicePixelRatio(ratio);
            }
            return made;
        }));
}

void VariationsView::rendered() {
    if (!pending_)
        return;
    pending_ = false;
    // The recipes change with the pictures: a cell picks what it shows.
    const Rendered made = rendering_.result();
    recipes_ = made.recipes;
    Page& page = pages_.back();
    if (page.picture.isNull())
        page.picture = made.pictures[VariationGrid::centre];
    for (int cell = 0; cell < int(recipes_.size()); ++cell)
        grid_->setPicture(cell, made.pictures.at(std::size_t(cell)),
                          made.descriptions.at(std::size_t(cell)));
}

void VariationsView::picked(int cell) {
    if (grid_->picture(cell).isNull())
        return; // nothing shows there yet
    if (cell == VariationGrid::centre) {
        use();
        return;
    }
    pages_.push_back(
        {recipes_.at(std::size_t(cell)), grid_->picture(cell), nextSeed_, false, false});
    nextSeed_ += 8;
    grid_->setCurrent(VariationGrid::centre);
    showPage();
}

void VariationsView::back() {
    if (pages_.size() < 2)
        return;
    pages_.pop_back();
    grid_->setCurrent(VariationGrid::centre);
    showPage();
}

void VariationsView::others() {
    pages_.back().seed = nextSeed_;
    nextSeed_ += 8;
    showPage();
}

void VariationsView::stepStrength(int steps) {
    strength_->setValue(strength_->value() + steps); // redraws the eight when it changes
}

void VariationsView::showStrength() {
    strengthText_->setText(QString::number(strength(), 'f', 2));
}

void VariationsView::use() {
    emit used(centre());
    accept();
}

void VariationsView::keyPressEvent(QKeyEvent* event) {
    // Any modifier but Shift (+ is shifted on many keyboards) leaves the key to the dialog.
    const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    switch (plain ? event->key() : 0) {
    case Qt::Key_Backspace:
        back();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        stepStrength(+1);
        return;
    case Qt::Key_Minus:
        stepStrength(-1);
        return;
    case Qt::Key_R:
        others();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
