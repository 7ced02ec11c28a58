#include "Form1.h"

#include "PictureBox.h"
#include "UiFont.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>

namespace {
// The button that each of Command1 to Command8 queues.
constexpr std::array<Command, 8> buttonCommands{
    Command::NewImageOldPalette, Command::Exit,   Command::Save,
    Command::ChangePalette,      Command::Repeat, Command::NewImageNewPalette,
    Command::GenerationType,     Command::Help};
} // namespace

Form1::Form1(const Clock& clock, const QString& saveFolder, QWidget* parent)
    : QWidget(parent), controller_(clock, saveFolder) {
    setWindowTitle(QStringLiteral("Form1"));
    setFont(uiFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(Controller::windowWidth, Controller::windowHeight);

    const World& world = controller_.world();
    // Title line and credits line: ordinary buttons that do nothing.
    addButton(10, QStringLiteral("ROSETTE"), {176, 48, 297, 25});
    picture1_ = new PictureBox(world.canvas, this);
    picture1_->setGeometry(96, 96, 457, 457);
    addButton(7, QStringLiteral("generation type"), {568, 96, 121, 17});
    addButton(6, QStringLiteral("new img / new palette"), {568, 120, 121, 17});
    addButton(1, QStringLiteral("new img / old palette"), {568, 144, 121, 17});
    addButton(5, QStringLiteral("repeat  image"), {568, 168, 121, 17});
    addButton(4, QStringLiteral("change palette"), {568, 192, 121, 17});
    addButton(3, QStringLiteral("save on disk D:"), {568, 216, 121, 17});
    addButton(8, QStringLiteral("help"), {568, 240, 57, 17});
    addButton(2, QStringLiteral("exit"), {632, 240, 57, 17});
    picture3_ = new PictureBox(world.strip, this);
    picture3_->setGeometry(8, 568, 545, 25);
    addButton(9,
              QStringLiteral("Rosette - generative polar art   https://rosette.example.org   "
                             "hello@rosette.example.org"),
              {8, 616, 545, 25});
    command(3)->setToolTip(tr("Saves the image into %1").arg(controller_.saveFolder()));

    // Keyboard focus order; the hidden save buffer would come between Command4 and Command5.
    const std::array<QWidget*, 12> ordered{command(1), command(2), picture1_,  command(3),
                                           picture3_,  command(4), command(5), command(6),
                                           command(7), command(8), command(9), command(10)};
    for (std::size_t k = 1; k < ordered.size(); ++k)
        setTabOrder(ordered[k - 1], ordered[k]);

    for (int n = 1; n <= 8; ++n) {
        const Command c = buttonCommands[std::size_t(n - 1)];
        connect(command(n), &QPushButton::clicked, this, [this, c] { controller_.post({c, {}}); });
    }
    connect(picture1_, &PictureBox::pressed, this, [this](QPointF p) {
        controller_.post({Command::CanvasPress, p});
    });
    connect(picture3_, &PictureBox::pressed, this, [this](QPointF p) {
        controller_.post({Command::StripPress, p});
    });

    connect(&controller_, &Controller::canvasChanged, picture1_, &PictureBox::refresh);
    connect(&controller_, &Controller::stripChanged, picture3_, &PictureBox::refresh);
    connect(&controller_, &Controller::windowChanged, this,
            qOverload<const QRect&>(&QWidget::update));
    connect(&controller_, &Controller::saveFailed, this, &Form1::showSaveFailure);
    connect(&controller_, &Controller::exitRequested, this, [] { QCoreApplication::quit(); });
    command(1)->setFocus();
}

QPushButton* Form1::addButton(int number, const QString& caption, const QRect& geometry) {
    auto* button = new QPushButton(caption, this);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::StrongFocus);
    button->installEventFilter(this);
    commands_[std::size_t(number - 1)] = button;
    return button;
}

void Form1::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false); // crisp on scaled screens
    painter.fillRect(rect(),
                     QColor::fromRgb(colour::toQRgb(controller_.windowSurface().backColor())));
    painter.drawImage(QPoint(0, 0), controller_.windowSurface().image());
}

void Form1::closeEvent(QCloseEvent* event) {
    // The close button ends the program at once, even in the middle of an image.
    event->accept();
    QCoreApplication::quit();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // Enter and Return press the focused button, as the space bar does.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The keypad's Enter arrives with the keypad modifier.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (auto* button = qobject_cast<QPushButton*>(watched)) {
                button->click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::showSaveFailure(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Image not saved"), message,
                                QMessageBox::Ok, this);
    box->setInformativeText(tr("The image is still on the canvas; nothing was changed."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
