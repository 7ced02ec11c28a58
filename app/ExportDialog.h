#pragma once

// The "Export picture" dialog: writes the picture of the image on the canvas at any size (a
// screen, 4K, A4 or A3 at 300 dpi, or a custom one), as PNG or BMP, with smoothing and a
// background colour of the user's choice, into a folder under a name that never replaces
// another file; or a video of its build-up or of its palette turning (MP4, WebM, GIF, WebP or
// PNG frames) at a frame rate and length of the user's choice. The pixels are those
// rosette-render writes for the same recipe and settings.
//
// It opens window-modal without blocking; Export (the default button, so Enter) renders and
// writes on a worker thread with a progress bar while the window goes on. On success it emits
// exported() and closes; a failure is shown in the dialog, which stays open. Cancel, Esc or
// closing it stop the export at once and close it. It deletes itself once closed.

#include "ExportJob.h"
#include "Recipe.h"

#include <QColor>
#include <QDialog>
#include <QSize>
#include <QString>
#include <QTimer>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // `recipe` is the image's on the canvas; `picturesFolder` the folder offered first;
    // `screenSize` the size in device pixels of the window's screen, the size offered first.
    ExportDialog(const Recipe& recipe, const QString& picturesFolder, QSize screenSize,
                 QWidget* parent = nullptr);
    // Stops a running export and waits for its worker.
    ~ExportDialog() override;

    // True while an export renders or writes.
    bool exporting() const { return job_.running(); }

    // Cancels a running export, then closes.
    void reject() override;

signals:
    // The picture was written to `path`.
    void exported(const QString& path);

private:
    // The name offered for the current size and format: STEM-WxH.png.
    QString defaultFileName() const;
    // The chosen format's extension without its dot ("png", "bmp", "mp4", ...); empty for a
    // folder of frames.
    QString format() const;
    // The video chosen, or nothing for a picture.
    std::optional<MotionVideo> video() const;
    // Offers the formats and settings of the kind chosen: a picture or a video.
    void kindChosen();
    // Enables the settings the kind chosen uses.
    void enableKindSettings();
    // Puts the size of the preset chosen in the spin boxes.
    void presetChosen(int index);
    // A side was edited: the size is now a custom one.
    void sideEdited();
    // Offers the default name again unless the user has written one.
    void followName();
    void showBackground();
    void chooseBackground();
    void browse();
    void startExport();
    // Shows the worker's progress; polled while it works.
    void showProgress();
    void exportFinished(const ExportResult& result);
    // Enables the settings while no export runs.
    void setWorking(bool working);

    Recipe recipe_;              // the picture's recipe, as the dialog was opened
    QColor background_;          // the colour where the formulas give no value
    bool nameEdited_ = false;    // the user wrote the file name: it no longer follows the size
    bool settingPreset_ = false; // the spin boxes are being set from a preset
    ExportJob job_;              // the worker
    QTimer progressTimer_;       // polls the worker's progress

    QComboBox* kind_ = nullptr; // a picture, a build-up video or a colour cycle video
    QComboBox* size_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QComboBox* format_ = nullptr;
    QSpinBox* smoothing_ = nullptr;
    QSpinBox* fps_ = nullptr;           // frames a second of a video
    QDoubleSpinBox* seconds_ = nullptr; // the build-up's or the loop's length
    QDoubleSpinBox* hold_ = nullptr;    // how long a build-up's complete image stays
    QPushButton* backgroundButton_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* message_ = nullptr; // what the export is doing, or why it failed
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* export_ = nullptr;
};
