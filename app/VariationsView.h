#pragma once

// The variations view: an image at the centre of a 3 x 3 grid with eight variations of it
// around it, every picture complete at once (all nine are rendered on a worker and shown
// together, so the window keeps turning meanwhile). Clicking a variation, or choosing it with the
// arrow keys and Enter, makes it the centre with eight new variations around it; Backspace
// goes back to the centre before. The strength (a slider, or + and -) and what changes (the
// shape, the colours or both) draw the eight again at once; R draws eight others. "Use", or
// Enter on the centre, hands the centre's recipe over and closes the view. Opened on two
// images, the centre is their cross with eight more crosses around it.
//
// The variations come from the engine's vary() with seeds the view counts up from the first
// image's random state, so a view opened on the same image shows the same variations.

#include "PlaneRender.h"
#include "Variation.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QThreadPool>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;
class VariationGrid;

class VariationsView : public QDialog {
    Q_OBJECT
public:
    // The strengths the slider offers, weakest first, and the one it starts at.
    static constexpr std::array<double, 12> strengths{0.01, 0.02, 0.03, 0.05, 0.08, 0.12,
                                                      0.18, 0.25, 0.35, 0.5,  0.7,  1.0};
    static constexpr int firstStrength = 8;

    // Variations of the image whose recipe is `image`.
    explicit VariationsView(const Recipe& image, QWidget* parent = nullptr);
    // Crosses of two images.
    VariationsView(const Recipe& first, const Recipe& second, QWidget* parent = nullptr);
    ~VariationsView() override;

    // The recipe of the picture shown in a cell (0 at the top left, row by row;
    // VariationGrid::centre the centre).
    const Recipe& recipeAt(int cell) const { return recipes_.at(std::size_t(cell)); }
    const Recipe& centre() const;
    VariationGrid* grid() const { return grid_; }
    double strength() const;
    VariationScope scope() const;
    // The seed of the eight around the centre.
    std::uint64_t seed() const { return pages_.back().seed; }
    // Whether the eight around the centre are crosses of the two images rather than variations.
    bool crossing() const { return pages_.back().crossing; }
    // True while the page's pictures are being rendered.
    bool rendering() const { return pending_; }

signals:
    // The user chose to put the centre on the canvas.
    void used(const Recipe& recipe);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A page's nine cells as the worker hands them over.
    struct Rendered {
        std::array<Recipe, 9> recipes;
        std::array<QString, 9> descriptions;
        std::array<QImage, 9> pictures;
    };
    // One centre the user has been at, with what was around it.
    struct Page {
        Recipe centre;
        QImage picture;
        std::uint64_t seed;
        bool crossing; // the eight are crosses of the two images
        bool ownStem;  // the centre is an image with a name of its own, not one made here
    };

    VariationsView(QWidget* parent);
    void start(Page first);
    // Makes the eight around the centre and starts rendering all nine.
    void showPage();
    // The worker's pictures have come: they go on the grid together, with their recipes.
    void rendered();
    void picked(int cell);
    void back();
    void others();
    void stepStrength(int steps);
    void use();
    void showStrength();

    std::vector<Page> pages_;       // the centres visited, the current one last
    std::array<Recipe, 9> recipes_; // the recipes of the pictures on the grid
    Recipe first_, second_;         // the two images crossed
    std::uint64_t nextSeed_ = 0;
    // Used by the worker alone, on its own thread: the nine pictures are small, and the other
    // core stays free for the UI thread and the display server while the view opens.
    PlaneRenderer renderer_{1};
    QThreadPool pool_; // the worker: one thread
    QFutureWatcher<Rendered> rendering_;
    std::atomic<bool> stale_ = false; // the pictures being rendered are no longer wanted
    bool pending_ = false;            // the page's pictures are being rendered

    VariationGrid* grid_ = nullptr;
    QSlider* strength_ = nullptr;
    QLabel* strengthText_ = nullptr;
    QButtonGroup* scope_ = nullptr;
    QPushButton* back_ = nullptr;
};
