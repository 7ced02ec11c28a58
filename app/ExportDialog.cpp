#include "ExportDialog.h"

#include "Colour.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
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

    kind_ = new QComboBox;
    kind_->addItem(tr("Picture"));
    kind_->addItem(tr("Build-up video"), int(MotionVideo::Kind::Build));
    kind_->addItem(tr("Colour cycle video"), int(MotionVideo::Kind::Cycle));
    size_ = new QComboBox;
    size_->addItem(tr("This screen (%1x%2)").arg(screen.width()).arg(screen.height()),
                   QSize(screen));
    for (const Preset& preset : fixedPresets)
        size_->addItem(tr(preset.name), QSize(preset.width, preset.height));
    size_->addItem(tr("Custom"));
    width_ = sideBox(screen.width());
    height_ = sideBox(screen.height());
    format_ = new QComboBox;
    smoothing_ = new QSpinBox;
    smoothing_->setRange(1, 8);
    smoothing_->setSpecialValueText(tr("off"));
    smoothing_->setToolTip(tr("Averages N x N samples a pixel; for prints"));
    const MotionVideo defaults;
    fps_ = new QSpinBox;
    fps_->setRange(MotionVideo::fewestFps, MotionVideo::mostFps);
    fps_->setValue(defaults.video.fps);
    fps_->setSuffix(tr(" frames a second"));
    seconds_ = new QDoubleSpinBox;
    seconds_->setRange(MotionVideo::shortestSeconds, MotionVideo::longestSeconds);
    seconds_->setDecimals(1);
    seconds_->setValue(defaults.seconds);
    seconds_->setSuffix(tr(" s"));
    seconds_->setToolTip(tr("How long the image builds up, or one turn of the palette"));
    hold_ = new QDoubleSpinBox;
    hold_->setRange(0, MotionVideo::longestHold);
    hold_->setDecimals(1);
    hold_->setValue(defaults.hold);
    hold_->setSuffix(tr(" s"));
    hold_->setToolTip(tr("How long the complete image stays at the end"));
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
    form->addRow(tr("&Export:"), kind_);
    form->addRow(tr("&Size:"), size_);
    form->addRow(tr("&Width:"), width_);
    form->addRow(tr("&Height:"), height_);
    form->addRow(tr("F&ormat:"), format_);
    form->addRow(tr("S&moothing:"), smoothing_);
    form->addRow(tr("Frame &rate:"), fps_);
    form->addRow(tr("&Length:"), seconds_);
    form->addRow(tr("Ho&ld:"), hold_);
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

    const std::array<std::pair<QWidget*, QString>, 16> names{{
        {kind_, tr("What to export")},
        {fps_, tr("Frames a second")},
        {seconds_, tr("Length in seconds")},
        {hold_, tr("Seconds the complete image stays")},
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

    connect(kind_, &QComboBox::currentIndexChanged, this, &ExportDialog::kindChosen);
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
    kindChosen();
    fileName_->setFocus();
}

ExportDialog::~ExportDialog() {
    job_.disconnect(this);
}

QString ExportDialog::format() const {
    const QString name = format_->currentData().toString();
    if (const auto video = videoFormatNamed(name))
        return videoExtension(*video).mid(1);
    return name;
}

std::optional<MotionVideo> ExportDialog::video() const {
    if (kind_->currentIndex() == 0)
        return std::nullopt;
    MotionVideo motion;
    motion.kind = MotionVideo::Kind(kind_->currentData().toInt());
    // While the list still offers the pictures' formats, the first video format.
    motion.video.format =
        videoFormatNamed(format_->currentData().toString()).value_or(VideoFormat::Mp4);
    motion.video.width = width_->value();
    motion.video.height = height_->value();
    motion.video.fps = fps_->value();
    motion.background = colour::rgb(background_.red(), background_.green(), background_.blue());
    motion.seconds = seconds_->value();
    motion.hold = hold_->value();
    return motion;
}

void ExportDialog::kindChosen() {
    const std::optional<MotionVideo> motion = video();
    const QSignalBlocker blocker(format_);
    format_->clear();
    if (!motion) {
        format_->addItem(QStringLiteral("PNG"), QStringLiteral("png"));
        format_->addItem(QStringLiteral("BMP"), QStringLiteral("bmp"));
    } else {
        const QStringList labels{QStringLiteral("MP4 (H.264)"), QStringLiteral("WebM (VP9)"),
                                 QStringLiteral("GIF"), QStringLiteral("WebP"),
                                 tr("PNG frames in a folder")};
        const QStringList names = videoFormatNames();
        for (int k = 0; k < names.size(); ++k)
            format_->addItem(labels.value(k, names[k]), names[k]);
    }
    enableKindSettings();
    setWindowTitle(motion ? tr("Export video") : tr("Export picture"));
    followName();
}

void ExportDialog::enableKindSettings() {
    const std::optional<MotionVideo> motion = video();
    smoothing_->setEnabled(!motion);
    fps_->setEnabled(bool(motion));
    seconds_->setEnabled(bool(motion));
    hold_->setEnabled(motion && motion->kind == MotionVideo::Kind::Build);
}

QString ExportDialog::defaultFileName() const {
    const std::optional<MotionVideo> motion = video();
    const QString extension = format();
    return QStringLiteral("%1-%2x%3%4%5")
        .arg(recipe_.stem)
        .arg(width_->value())
        .arg(height_->value())
        .arg(motion ? motion->suffix() : QString(),
             extension.isEmpty() ? QString() : QLatin1Char('.') + extension);
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
    const QString extension = format().isEmpty() ? QString() : QLatin1Char('.') + format();
    if (!name.endsWith(extension, Qt::CaseInsensitive))
        name += extension;
    const std::optional<MotionVideo> motion = video();
    QString folder = QDir::fromNativeSeparators(folder_->text().trimmed());
    // "~" is the home folder, as in a terminal.
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    QString problem;
    if (name.isEmpty() || name == extension || name.contains(QLatin1Char('/')))
        problem = tr("The file name \"%1\" cannot be used: give a name without \"/\"")
                      .arg(fileName_->text());
    else if (folder.isEmpty())
        problem = tr("Choose a folder to save the picture in");
    else if (motion)
        problem = motionVideoProblem(*motion);
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
    settings.video = motion;
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
        message_->setText(video() ? tr("Making the video...") : tr("Drawing the picture..."));
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
         std::initializer_list<QWidget*>{kind_, size_, width_, height_, format_, backgroundButton_,
                                         folder_, browse_, fileName_, export_})
        setting->setEnabled(!working);
    if (!working)
        enableKindSettings();
    else
        for (QWidget* setting : std::initializer_list<QWidget*>{smoothing_, fps_, seconds_, hold_})
            setting->setEnabled(false);
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
    if (job_.running()) {
        // The export is asked to stop, and the dialog goes once it has: deleted now, it would
        // wait for the worker on the UI thread, which may be in the middle of writing.
        job_.cancel();
        setAttribute(Qt::WA_DeleteOnClose, false);
        connect(&job_, &ExportJob::finished, this, &QObject::deleteLater);
    }
    QDialog::reject();
}
