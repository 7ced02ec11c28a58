#pragma once

// The program's one window: the canvas, the palette strip, the ten buttons at their fixed
// places, and the window's own drawing (the generation-type bar) behind them. It only shows
// what the controller draws and hands every user action to the controller's queue.

#include "Controller.h"

#include <QMargins>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>

class FocusRing;
class Gallery;
class LayoutArea;
class PictureBox;
class VariationsView;
class QFileDialog;
class QScrollArea;
class Show;
class WindowTitle;

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(const Clock& clock, const QString& saveFolder, QWidget* parent = nullptr);

    Controller& controller() { return controller_; }
    // Command1 to Command10 by their number.
    QPushButton* command(int number) const { return commands_.at(std::size_t(number - 1)); }
    PictureBox* picture1() const { return picture1_; }
    PictureBox* picture3() const { return picture3_; }
    // The ring round the control the keyboard focuses.
    FocusRing* focusRing() const { return focusRing_; }
    // The scroll area that holds the layout, for a window smaller than the layout.
    QScrollArea* scrollArea() const { return scrollArea_; }
    // The full-screen show while it is open, else nullptr.
    Show* fullScreenShow() const;

    // The client area the window opens with on a screen whose available area is `available`,
    // with a frame of `frame` around the client area: the whole layout where it fits, else as
    // much as fits with the frame's top-left corner at the area's top-left corner, so the title
    // bar is on screen. Only a window smaller than the layout is moved there; the system places
    // one that shows the whole layout.
    static QRect openingGeometry(const QRect& available, const QMargins& frame);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPushButton* addButton(int number, const QString& caption, const QRect& geometry);
    // A failed save's message, in a box titled `title`, with `more` under it.
    void showFailure(const QString& title, const QString& message, const QString& more);
    void describeGenerationType();
    // Sets what button n does for a screen reader, and as its tooltip with its key.
    void describe(int number, const QString& description);
    // Shows the picked colour: its place on the strip and the canvas's cursor and description.
    void showPick();
    void describePick();
    void placeOnScreen();
    // The menu of every command, at `at` on the screen.
    void showCommandMenu(const QPoint& at);
    // Asks for a saved image or recipe to open, without blocking the window.
    void chooseFileToOpen();
    // Asks how to export the image of `recipe`, and exports it without blocking the window.
    void exportPicture(const Recipe& recipe);
    // Shows the gallery of saved images, made the first time.
    void showGallery();
    // Shows a variations view (of the image on the canvas, over the window, or of two images
    // crossed, over the gallery); the picture used goes on the canvas.
    void showVariations(VariationsView* view);
    // Opens the full-screen show over the window.
    void openShow();

    Controller controller_;
    std::array<QPushButton*, 10> commands_{};
    PictureBox* picture1_ = nullptr; // the canvas
    PictureBox* picture3_ = nullptr; // the palette strip
    QScrollArea* scrollArea_ = nullptr;
    LayoutArea* layoutArea_ = nullptr; // the client area the controls sit on
    WindowTitle* title_ = nullptr;     // "Form1", with the waiting commands or a short note
    FocusRing* focusRing_ = nullptr;   // the ring around the focused control
    QPointer<Gallery> gallery_;        // the gallery window, once shown
    QPointer<QFileDialog> openDialog_; // "Open recipe", made at its first use
    QPointer<Show> show_;              // the full-screen show, kept a while after it was left
    QTimer keepShow_;                  // how long a show left is kept for the next one
};
