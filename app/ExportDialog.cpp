#include "ExportDialog.h"

#include "Colour.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>

namespace {

// A size offered in the list; the first entry is the screen's, the last one "Custom".
struct Preset {
    const char* name;
    int width, height;
};

constexpr std::array<Preset, 8> fixedPresets{{
    {"1920 x 1080", 1920, 1080},
    {"3840 x 2160", 3840, 2160},
    {"Square 2048", 2048, 2048},
    {"Square 4096", 4096, 4096},
    {"A4 portrait, 300 dpi (2480 x 3508)", 2480, 3508},
    {"A4 landscape, 300 dpi (3508 x 2480)", 3508, 2480},
    {"A3 portrait, 300 dpi (3508 x 4961)", 3508, 4961},
    {"A3 landscape, 300 dpi (4961 x 3508)", 4961, 3508},
}};

// How often the progress bar follows the worker.
constexpr int progressIntervalMs = 50;

// The renderer's default background: the canvas's grey.
QColor defaultBackground() {
    return QColor::fromRgb(colour::toQRgb(PlaneRenderer::Options{}.background));
}

QSpinBox* sideBox(int value) {
    auto* box = new QSpinBox;
    box->setRange(1, largestRenderSide);
    box->setValue(value);
    box->setSuffix(QStringLiteral(" px"));
    return box;
}

} // namespace

ExportDialog::ExportDialog(const Recipe& recipe, const QString& picturesFolder, QSize screenSize,
                           QWidget* parent)
    : QDialog(parent), recipe_(recipe), background_(defaultBackground()) {
    setWindowTitle(tr("Export picture"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QSize screen =
        screenSize.boundedTo(QSize(largestRenderSide, largestRenderSide)).expandedTo(QSize(1, 1));

    size_ = new QComboBox;
    size_->addItem(tr("This screen (%1x%2)").arg(screen.width()).arg(screen.height()),
                   QSize(screen));
    for (const Preset& preset : fixedPresets)
        size_->addItem(tr(preset.name), QSize(preset.width, preset.height));
    size_->addItem(tr("Custom"));
    width_ = sideBox(screen.width());
    height_ = sideBox(screen.height());
    format_ = new QComboBox;
    format_->addItem(QStringLiteral("PNG"), QStringLiteral("png"));
    format_->addItem(QStringLiteral("BMP"), QStringLiteral("bmp"));
    smoothing_ = new QSpinBox;
    smoothing_->setRange(1, 8);
    smoothing_->setSpecialValueText(tr("off"));
    smoothing_->setToolTip(tr("Averages N x N samples a pixel; for prints"));
    backgroundButton_ = new QPushButton;
    folder_ = new QLineEdit(QDir::toNativeSeparators(picturesFolder));
    browse_ = new QPushButton(tr("Bro&wse..."));
    fileName_ = new QLineEdit;
    progress_ = new QProgressBar;
    progress_->setRange(0, 1000);
    progress_->hide();
    message_ = new QLabel;
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->hide();
    buttons_ = new QDialogButtonBox;
    export_ = buttons_->addButton(tr("&Export"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons_->addButton(QDialogButtonBox::Cancel);
    export_->setDefault(true);
    // Enter exports wherever the focus is; Space presses the focused button.
    for (QPushButton* button : {backgroundButton_, browse_, cancel})
        button->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(tr("&Size:"), size_);
    form->addRow(tr("&Width:"), width_);
    form->addRow(tr("&Height:"), height_);
    form->addRow(tr("F&ormat:"), format_);
    form->addRow(tr("S&moothing:"), smoothing_);
    form->addRow(tr("&Background:"), backgroundButton_);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    auto* folderLabel = new QLabel(tr("&Folder:"));
    folderLabel->setBuddy(folder_);
    form->addRow(folderLabel, folderRow);
    form->addRow(tr("File &name:"), fileName_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(progress_);
    layout->addWidget(message_);
    layout->addWidget(buttons_);

    const std::array<std::pair<QWidget*, QString>, 12> names{{
        {size_, tr("Size")},
        {width_, tr("Width in pixels")},
        {height_, tr("Height in pixels")},
        {format_, tr("File format")},
        {smoothing_, tr("Smoothing, samples a side")},
        {backgroundButton_, tr("Background colour")},
        {folder_, tr("Folder")},
        {browse_, tr("Choose the folder")},
        {fileName_, tr("File name")},
        {progress_, tr("Export progress")},
        {message_, tr("Export message")},
        {export_, tr("Export")},
    }};
    for (const auto& [widget, name] : names)
        widget->setAccessibleName(name);

    connect(size_, &QComboBox::currentIndexChanged, this, &ExportDialog::presetChosen);
    connect(width_, &QSpinBox::valueChanged, this, &ExportDialog::sideEdited);
    connect(height_, &QSpinBox::valueChanged, this, &ExportDialog::sideEdited);
    connect(format_, &QComboBox::currentIndexChanged, this, &ExportDialog::followName);
    connect(backgroundButton_, &QPushButton::clicked, this, &ExportDialog::chooseBackground);
    connect(browse_, &QPushButton::clicked, this, &ExportDialog::browse);
    connect(fileName_, &QLineEdit::textEdited, this, [this] { nameEdited_ = true; });
    connect(buttons_, &QDialogButtonBox::accepted, this, &ExportDialog::startExport);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
    connect(&job_, &ExportJob::finished, this, &ExportDialog::exportFinished);
    progressTimer_.setInterval(progressIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, &ExportDialog::showProgress);

    showBackground();
    followName();
    fileName_->setFocus();
}

ExportDialog::~ExportDialog() {
    job_.disconnect(this);
}

QString ExportDialog::format() const {
    return format_->currentData().toString();
}

QString ExportDialog::defaultFileName() const {
    return QStringLiteral("%1-%2x%3.%4")
        .arg(recipe_.stem)
        .arg(width_->value())
        .arg(height_->value())
        .arg(format());
}

void ExportDialog::presetChosen(int index) {
    const QSize size = size_->itemData(index).toSize();
    if (!size.isValid())
        return; // "Custom" keeps the size as it is
    settingPreset_ = true;
    width_->setValue(size.width());
    height_->setValue(size.height());
    settingPreset_ = false;
    followName();
}

void ExportDialog::sideEdited() {
    if (!settingPreset_)
        size_->setCurrentIndex(size_->count() - 1);
    followName();
}

void ExportDialog::followName() {
    if (!nameEdited_)
        fileName_->setText(defaultFileName());
}

void ExportDialog::showBackground() {
    QPixmap swatch(16, 16);
    swatch.fill(background_);
    backgroundButton_->setIcon(QIcon(swatch));
    backgroundButton_->setText(background_.name().toUpper());
}

void ExportDialog::chooseBackground() {
    auto* dialog = new QColorDialog(background_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Background colour"));
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& colour) {
        background_ = colour;
        showBackground();
    });
    dialog->open();
}

void ExportDialog::browse() {
    auto* dialog = new QFileDialog(this, tr("Folder for the picture"), folder_->text());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& folder) { folder_->setText(QDir::toNativeSeparators(folder)); });
    dialog->open();
}

void ExportDialog::startExport() {
    if (job_.running())
        return;
    QString name = fileName_->text().trimmed();
    const QString extension = QLatin1Char('.') + format();
    if (!name.endsWith(extension, Qt::CaseInsensitive))
        name += extension;
    QString folder = QDir::fromNativeSeparators(folder_->text().trimmed());
    // "~" is the home folder, as in a terminal.
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    QString problem;
    if (name == extension || name.contains(QLatin1Char('/')))
        problem = tr("The file name \"%1\" cannot be used: give a name without \"/\"")
                      .arg(fileName_->text());
    else if (folder.isEmpty())
        problem = tr("Choose a folder to save the picture in");
    if (!problem.isEmpty()) {
        message_->setText(problem);
        message_->show();
        return;
    }
    ExportSettings settings;
    settings.render.width = width_->value();
    settings.render.height = height_->value();
    settings.render.background =
        colour::rgb(background_.red(), background_.green(), background_.blue());
    settings.render.smooth = smoothing_->value();
    settings.folder = folder;
    settings.fileName = name;
    settings.format = format();
    setWorking(true);
    job_.start(recipe_, settings);
    showProgress();
    progressTimer_.start();
}

void ExportDialog::showProgress() {
    if (job_.writing()) {
        progress_->setRange(0, 0); // busy: the encoder does not say how far it is
        message_->setText(tr("Writing the file..."));
    } else {
        progress_->setValue(int(job_.rendered() * 1000));
        message_->setText(tr("Drawing the picture..."));
    }
}

void ExportDialog::exportFinished(const ExportResult& result) {
    progressTimer_.stop();
    setWorking(false);
    if (result.cancelled)
        return;
    if (!result.ok()) {
        message_->setText(result.error);
        return;
    }
    emit exported(result.path);
    accept();
}

void ExportDialog::setWorking(bool working) {
    for (QWidget* setting :
         std::initializer_list<QWidget*>{size_, width_, height_, format_, smoothing_,
                                         backgroundButton_, folder_, browse_, fileName_, export_})
        setting->setEnabled(!working);
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    progress_->setVisible(working);
    message_->setVisible(true);
    if (working)
        message_->clear();
    else
        fileName_->setFocus(); // the settings had to give the focus away
}

void ExportDialog::reject() {
    job_.cancel();
    QDialog::reject();
}
