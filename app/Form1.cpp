#include "Form1.h"

#include "CommandTable.h"
#include "DesktopIdentity.h"
#include "ExportDialog.h"
#include "FocusRing.h"
#include "Gallery.h"
#include "LayoutArea.h"
#include "PickCursor.h"
#include "PictureBox.h"
#include "Show.h"
#include "UiFont.h"
#include "VariationsView.h"
#include "WindowTitle.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QUrl>
#include <cstdio>

namespace {
// The button that each of Command1 to Command8 queues.
constexpr std::array<Command, 8> buttonCommands{
    Command::NewImageOldPalette, Command::Exit,   Command::Save,
    Command::ChangePalette,      Command::Repeat, Command::NewImageNewPalette,
    Command::GenerationType,     Command::Help};

// What a screen reader says of the credits and title lines, Command9 and Command10; the
// buttons' names and descriptions come from the command table.
const std::array<std::pair<const char*, const char*>, 2> lineDescriptions{{
    {QT_TR_NOOP("Credits"), QT_TR_NOOP("The credits line. Pressing it does nothing.")},
    {QT_TR_NOOP("Title"), QT_TR_NOOP("The program's title. Pressing it does nothing.")},
}};

// Room for a typical window frame, until the window knows its own.
constexpr QMargins typicalFrame{4, 32, 4, 4};
} // namespace

Form1::Form1(const Clock& clock, const QString& saveFolder, QWidget* parent)
    : QWidget(parent), controller_(clock, saveFolder) {
    title_ = new WindowTitle(this);
    // A show left is kept for a minute: opened again, its window paints into memory already
    // touched, which spares the event loop most of a full-screen window's first painting.
    keepShow_.setSingleShot(true);
    keepShow_.setInterval(std::chrono::minutes(1));
    connect(&keepShow_, &QTimer::timeout, this, [this] {
        if (show_ && !show_->isVisible()) {
            show_->deleteLater();
            show_ = nullptr; // a show asked for before it goes is a new one
        }
    });
    setWindowIcon(applicationIcon());
    setFont(uiFont());

    // The controls sit on a client area of the layout's size in a frameless scroll area, which
    // shows scroll bars only when the window is smaller than the layout.
    layoutArea_ = new LayoutArea(controller_.windowSurface());
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setWidget(layoutArea_);
    placeOnScreen();

    const World& world = controller_.world();
    // Title line and credits line: ordinary buttons that do nothing.
    addButton(10, QStringLiteral("ROSETTE"), {176, 48, 297, 25});
    picture1_ = new PictureBox(world.canvas, layoutArea_);
    picture1_->setGeometry(96, 96, 457, 457);
    addButton(7, QStringLiteral("generation type"), {568, 96, 121, 17});
    addButton(6, QStringLiteral("new img / new palette"), {568, 120, 121, 17});
    addButton(1, QStringLiteral("new img / old palette"), {568, 144, 121, 17});
    addButton(5, QStringLiteral("repeat  image"), {568, 168, 121, 17});
    addButton(4, QStringLiteral("change palette"), {568, 192, 121, 17});
    addButton(3, QStringLiteral("save on disk D:"), {568, 216, 121, 17});
    addButton(8, QStringLiteral("help"), {568, 240, 57, 17});
    addButton(2, QStringLiteral("exit"), {632, 240, 57, 17});
    picture3_ = new PictureBox(world.strip, layoutArea_);
    picture3_->setGeometry(8, 568, 545, 25);
    addButton(9,
              QStringLiteral("Rosette - generative polar art   https://rosette.example.org   "
                             "hello@rosette.example.org"),
              {8, 616, 545, 25});
    for (int n = 1; n <= 8; ++n) {
        command(n)->setAccessibleName(tr(buttonRow(n)->text));
        describe(n, tr(buttonRow(n)->description));
    }
    for (int n = 9; n <= 10; ++n) {
        command(n)->setAccessibleName(tr(lineDescriptions[std::size_t(n - 9)].first));
        describe(n, tr(lineDescriptions[std::size_t(n - 9)].second));
    }
    describe(3, controller_.saveFolder().isEmpty()
                    ? tr("There is no folder to save into.")
                    : tr("Saves the image on the canvas into %1.").arg(controller_.saveFolder()));
    picture1_->setAccessibleName(tr("Image"));
    describePick();
    picture3_->setAccessibleName(tr("Palette strip"));
    picture3_->setAccessibleDescription(
        tr("The palette the image's colours come from. Pressing it picks the colour under the "
           "pointer for repainting the image."));

    // Every command's keys, from the command table; no caption changes for them. Ctrl+Q closes
    // the window as its close button does.
    for (const CommandRow& row : commandTable())
        for (const QKeyCombination keys : row.keys) {
            if (keys.toCombined() == 0)
                continue;
            auto* shortcut = new QShortcut(QKeySequence(keys), this);
            connect(shortcut, &QShortcut::activated, this, [this, c = row.command] {
                if (c == Command::Exit)
                    close();
                else
                    controller_.post({c});
            });
        }

    // The menu key and Shift+F10 open the command menu at the focused control.
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Menu), Qt::SHIFT | Qt::Key_F10}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this, [this] {
            const QWidget* at = focusWidget() ? focusWidget() : this;
            showCommandMenu(at->mapToGlobal(at->rect().center()));
        });
    }

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
    // A new strip may no longer show the picked colour; the cursor changes only with a pick.
    connect(&controller_, &Controller::stripChanged, this,
            [this] { picture3_->setMarker(controller_.pickedColumn()); });
    connect(&controller_, &Controller::picked, this, &Form1::showPick);
    connect(&controller_, &Controller::note, title_, &WindowTitle::showNote);
    connect(&controller_, &Controller::windowChanged, layoutArea_,
            qOverload<const QRect&>(&QWidget::update));
    connect(&controller_, &Controller::windowChanged, this, &Form1::describeGenerationType);
    connect(&controller_, &Controller::saveFailed, this, [this](const QString& message) {
        showFailure(tr("Image not saved"), message,
                    tr("The image is still on the canvas; nothing was changed."));
    });
    connect(&controller_, &Controller::openFailed, this, [this](const QString& message) {
        showFailure(tr("Image not opened"), message, tr("The canvas keeps what it showed."));
    });
    connect(&controller_, &Controller::openDialogRequested, this, &Form1::chooseFileToOpen);
    connect(&controller_, &Controller::galleryRequested, this, &Form1::showGallery);
    connect(&controller_, &Controller::showRequested, this, &Form1::openShow);
    connect(&controller_, &Controller::exportRequested, this, &Form1::exportPicture);
    connect(&controller_, &Controller::variationsRequested, this,
            [this](const Recipe& recipe) { showVariations(new VariationsView(recipe, this)); });
    connect(&controller_, &Controller::saved, this, [this] {
        if (gallery_)
            gallery_->reload(); // the image just saved joins it
    });
    connect(&controller_, &Controller::recipeSaveFailed, this, [this](const QString& message) {
        showFailure(tr("Recipe not saved"), message,
                    tr("The image file is complete; only its recipe is missing."));
    });
    connect(&controller_, &Controller::saved, title_, &WindowTitle::showSaved);
    connect(&controller_, &Controller::waitingChanged, title_, &WindowTitle::setWaiting);
    connect(&controller_, &Controller::exitRequested, this, [] { QCoreApplication::quit(); });

    // Esc shows the image now building up (or being drawn again) complete, or else closes the
    // help panel; Shift+Esc also drops the waiting commands but the saves and "exit". A save
    // being written is awaited first, so the key acts as it would had the disk been quick.
    auto* finish = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(finish, &QShortcut::activated, this, [this] {
        controller_.finishSaveNow();
        if (controller_.drawing())
            controller_.finishImageNow(false);
        else
            controller_.post({Command::CloseHelp, {}});
    });
    auto* cut = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Escape), this);
    connect(cut, &QShortcut::activated, this, [this] { controller_.finishImageNow(true); });
    focusRing_ = new FocusRing(layoutArea_);
    showPick();
    setAcceptDrops(true);
    command(1)->setFocus();
}

void Form1::describe(int number, const QString& description) {
    QPushButton* button = command(number);
    button->setAccessibleDescription(description);
    const CommandRow* row = buttonRow(number);
    if (!row)
        return; // the credits and title lines do nothing and have no key
    const QKeySequence keys(row->keys[0]);
    button->setToolTip(tr("%1 (%2)").arg(description, keys.toString(QKeySequence::NativeText)));
}

void Form1::showPick() {
    picture3_->setMarker(controller_.pickedColumn());
    const colour::Value picked = controller_.replacement().color();
    picture1_->setCursor(pickCursor(picked));
    describePick();
}

void Form1::describePick() {
    const QRgb rgb = colour::toQRgb(controller_.replacement().color());
    const QString text = tr("The image. Pressing it repaints every pixel of the pressed colour "
                            "with the colour picked on the palette strip, now RGB(%1, %2, %3).")
                             .arg(qRed(rgb))
                             .arg(qGreen(rgb))
                             .arg(qBlue(rgb));
    picture1_->setAccessibleDescription(text);
    picture1_->setToolTip(text);
}

QPushButton* Form1::addButton(int number, const QString& caption, const QRect& geometry) {
    auto* button = new QPushButton(caption, layoutArea_);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::StrongFocus);
    button->installEventFilter(this);
    commands_[std::size_t(number - 1)] = button;
    return button;
}

QRect Form1::openingGeometry(const QRect& available, const QMargins& frame) {
    const QSize layout(Controller::windowWidth, Controller::windowHeight);
    if (available.isEmpty()) // no screen known: the whole layout
        return QRect(QPoint(frame.left(), frame.top()), layout);
    const QPoint clientTopLeft = available.topLeft() + QPoint(frame.left(), frame.top());
    return QRect(clientTopLeft, layout.boundedTo(available.size().shrunkBy(frame)));
}

void Form1::placeOnScreen() {
    const QScreen* shown = screen();
    const QRect opening =
        openingGeometry(shown ? shown->availableGeometry() : QRect(), typicalFrame);
    resize(opening.size());
    scrollArea_->setGeometry(rect());
    // The system places a window that shows the whole layout; a smaller one starts at the
    // available area's top-left corner.
    if (opening.size() != QSize(Controller::windowWidth, Controller::windowHeight))
        move(opening.topLeft() - QPoint(typicalFrame.left(), typicalFrame.top()));
}

void Form1::describeGenerationType() {
    // The bar is drawn, not a control: the button tells a screen reader what it shows.
    const QString current = controller_.nacname(controller_.world().state.nac);
    describe(7, tr("Chooses the order in which the next image builds up; now: %1.").arg(current));
}

void Form1::resizeEvent(QResizeEvent* event) {
    // The scroll area fills the window (no layout manager: the window's size stays free).
    scrollArea_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    // The close button ends the program at once, even in the middle of an image; a waiting
    // save is carried out first.
    event->accept();
    controller_.closeDown();
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

void Form1::contextMenuEvent(QContextMenuEvent* event) {
    showCommandMenu(event->globalPos());
    event->accept();
}

void Form1::showCommandMenu(const QPoint& at) {
    // Every command with its keys; each entry queues its command as a button does.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(tr("Commands"));
    for (const CommandRow& row : commandTable()) {
        QAction* action = menu->addAction(tr(row.text));
        QList<QKeySequence> keys;
        for (const QKeyCombination k : row.keys)
            if (k.toCombined() != 0)
                keys << QKeySequence(k);
        action->setShortcuts(keys);
        action->setToolTip(tr(row.description));
        connect(action, &QAction::triggered, this,
                [this, c = row.command] { controller_.post({c}); });
        if (row.groupEnds)
            menu->addSeparator();
    }
    menu->popup(at);
}

void Form1::chooseFileToOpen() {
    // One dialog for the session, hidden between uses: it opens where the user last was, and
    // its folder model is not torn down (which waits for the thread reading the folder).
    if (!openDialog_) {
        openDialog_ = new QFileDialog(this, tr("Open recipe"), controller_.recipeFolder(),
                                      tr("Recipes and saved images (*.json *.jpg *.png *.bmp);;"
                                         "All files (*)"));
        openDialog_->setFileMode(QFileDialog::ExistingFile);
        connect(openDialog_, &QFileDialog::fileSelected, this, [this](const QString& path) {
            controller_.post({Command::Open, {}, path});
        });
        // Closed, it forgets the name typed (a name typed next time would be added to it), and
        // its name's completion list goes too: that list is a window of its own, which would
        // otherwise stay over the window and take its keys.
        connect(openDialog_, &QDialog::finished, this, [this] {
            if (auto* name = openDialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->clear();
            for (const QCompleter* completer : openDialog_->findChildren<QCompleter*>())
                if (QAbstractItemView* list = completer->popup(); list && list->isVisible())
                    list->hide();
        });
    }
    openDialog_->open();
}

void Form1::exportPicture(const Recipe& recipe) {
    // A wallpaper of this screen by default: its size in device pixels.
    const QScreen* shown = screen();
    const QSize screenSize =
        shown ? (QSizeF(shown->size()) * shown->devicePixelRatio()).toSize() : QSize(1920, 1080);
    auto* dialog = new ExportDialog(recipe, controller_.saveFolder(), screenSize, this);
    connect(dialog, &ExportDialog::exported, title_, &WindowTitle::showSaved);
    dialog->open();
}

void Form1::showGallery() {
    if (!gallery_) {
        gallery_ = new Gallery(controller_.recipeFolder(), controller_.saveFolder(), this);
        connect(gallery_, &Gallery::openRequested, this, [this](const QString& recipe) {
            controller_.post({Command::Open, {}, recipe});
        });
        connect(gallery_, &Gallery::crossRequested, this,
                [this](const Recipe& first, const Recipe& second) {
                    showVariations(new VariationsView(first, second, gallery_));
                });
    } else {
        gallery_->reload();
    }
    gallery_->show();
    gallery_->raise();
    gallery_->activateWindow();
}

void Form1::showVariations(VariationsView* view) {
    connect(view, &VariationsView::used, this, [this](const Recipe& recipe) {
        controller_.post({Command::Use, {}, {}, recipe});
    });
    view->open(); // window-modal over its parent, which waits meanwhile
}

Show* Form1::fullScreenShow() const {
    return show_ && show_->isVisible() ? show_.data() : nullptr;
}

void Form1::openShow() {
    if (fullScreenShow())
        return;
    keepShow_.stop();
    if (!show_) {
        show_ = new Show(controller_, this);
        connect(show_, &Show::left, this, [this] {
            raise();
            activateWindow(); // the window shows the last image of the show on its canvas
            keepShow_.start();
        });
    }
    show_->begin();
}

// A local file dragged over the window can be dropped to open it.
void Form1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    controller_.post({Command::Open, {}, urls.first().toLocalFile()});
}

void Form1::showFailure(const QString& title, const QString& message, const QString& more) {
    std::fprintf(stderr, "rosette: %s\n", qPrintable(message)); // seen even when closing
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Ok, this);
    box->setInformativeText(more);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
