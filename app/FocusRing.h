#pragma once

// The keyboard focus made plain: a ring in the palette's highlight colour, two pixels wide with
// a one-pixel white edge outside it, just outside the focused control's rectangle. It is one
// transparent widget over the whole layout that lets every mouse press through and follows the
// focus of the controls; it changes no control's geometry and draws into no picture. Like a
// browser's visible focus it rings a control the keyboard (or the program) moved the focus to,
// not one just clicked, so a click leaves what is around the button as it was.

#include <QPointer>
#include <QWidget>

class FocusRing : public QWidget {
    Q_OBJECT
public:
    // How far the ring reaches out from the focused control: two highlight pixels and the edge.
    static constexpr int reach = 3;

    // Rings the focused one among the controls now on `area`, over them.
    explicit FocusRing(QWidget* area);

    // The control ringed now, or nullptr.
    QWidget* ringed() const { return ringed_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Rings `control`, or nothing.
    void ring(QWidget* control);
    // The ring's outer rectangle around a control, in the area's pixels.
    QRect ringArea(const QWidget* control) const;

    QPointer<QWidget> ringed_; // the focused control inside the area
};
