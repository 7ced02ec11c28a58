#pragma once

// The program's one window: the canvas, the palette strip, the ten buttons at their fixed
// places, and the window's own drawing (the generation-type bar) behind them. It only shows
// what the controller draws and hands every user action to the controller's queue.

#include "Controller.h"

#include <QPushButton>
#include <QWidget>
#include <array>

class PictureBox;

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(const Clock& clock, const QString& saveFolder, QWidget* parent = nullptr);

    Controller& controller() { return controller_; }
    // Command1 to Command10 by their number.
    QPushButton* command(int number) const { return commands_.at(std::size_t(number - 1)); }
    PictureBox* picture1() const { return picture1_; }
    PictureBox* picture3() const { return picture3_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* addButton(int number, const QString& caption, const QRect& geometry);
    void showSaveFailure(const QString& message);

    Controller controller_;
    std::array<QPushButton*, 10> commands_{};
    PictureBox* picture1_ = nullptr; // the canvas
    PictureBox* picture3_ = nullptr; // the palette strip
};
