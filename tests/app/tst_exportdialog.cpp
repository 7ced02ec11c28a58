// The export dialog, driven through its controls: Enter writes the picture of the screen's size
// into the pictures folder with the pixels rosette-render draws, the settings change the file as
// they say, no file is ever replaced, Cancel, Esc, closing and destroying the dialog stop an
// export at once and leave nothing behind, and a failure is shown in the dialog naming the path.

#include "ExportDialog.h"
#include "WindowTestSupport.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <csignal>
#include <sys/resource.h>

namespace {

const QSize screen(640, 360);

// The recipe of the first image begun at start-up.
Recipe firstRecipe() {
    SteppingClock clock;
    World world(clock);
    setStartUpSettings(world.state);
    world.seedFromClock();
    MakePalette(world);
    beginImage(world);
    return recipeOf(world);
}

// A dialog on a shown window, opened as the window opens it.
struct Opened {
    explicit Opened(const QString& folder)
        : dialog(new ExportDialog(recipe, folder, screen, &window)) {
        window.show();
        dialog->open();
    }
    template <typename T> T* control(const QString& accessibleName) const {
        for (T* widget : dialog->findChildren<T*>())
            if (widget->accessibleName() == accessibleName)
                return widget;
        return nullptr;
    }
    // Presses a key where the keyboard is, as a user would; false when that is not the dialog.
    [[nodiscard]] bool press(Qt::Key key) {
        if (!QTest::qWaitForWindowActive(dialog) ||
            !dialog->isAncestorOf(QApplication::focusWidget()))
            return false;
        QTest::keyClick(QApplication::focusWidget(), key);
        return true;
    }
    QString message() const { return control<QLabel>(QStringLiteral("Export message"))->text(); }

    Recipe recipe = firstRecipe();
    QWidget window;
    QPointer<ExportDialog> dialog;
};

// Everything in a folder, hidden temporaries included.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestExportDialog : public QObject {
    Q_OBJECT
private slots:
    void enterWritesWhatRosetteRenderDraws_data();
    void enterWritesWhatRosetteRenderDraws();
    void stoppingLeavesNothing_data();
    void stoppingLeavesNothing();
    void failuresNameThePath_data();
    void failuresNameThePath();
    void videoOfTheBuildUpEndsOnThePicture();
};

void TestExportDialog::enterWritesWhatRosetteRenderDraws_data() {
    QTest::addColumn<QString>("preset"); // chosen in the size list; empty: left alone
    QTest::addColumn<int>("width");      // typed into the width box; 0: left alone
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("smoothing");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("taken"); // another file has the name offered, and keeps it
    QTest::newRow("opened and Enter: this screen")
        << "" << 0 << "PNG" << 1 << QColor(0xefefef) << screen << false;
    QTest::newRow("1920 x 1080 bitmap, smoothed, on black")
        << "1920 x 1080" << 0 << "BMP" << 3 << QColor(Qt::black) << QSize(1920, 1080) << false;
    QTest::newRow("a width typed in")
        << "" << 500 << "PNG" << 2 << QColor(0xefefef) << QSize(500, 360) << false;
    QTest::newRow("the name taken: -2")
        << "" << 0 << "PNG" << 1 << QColor(0xefefef) << screen << true;
}

void TestExportDialog::enterWritesWhatRosetteRenderDraws() {
    QFETCH(QString, preset);
    QFETCH(int, width);
    QFETCH(QString, format);
    QFETCH(int, smoothing);
    QFETCH(QColor, background);
    QFETCH(QSize, size);
    QFETCH(bool, taken);
    QTemporaryDir pictures;
    Opened o(pictures.path());
    auto* sizes = o.control<QComboBox>(QStringLiteral("Size"));
    if (!preset.isEmpty())
        sizes->setCurrentIndex(sizes->findText(preset));
    if (width > 0) {
        auto* box = o.control<QSpinBox>(QStringLiteral("Width in pixels"));
        box->selectAll();
        QTest::keyClicks(box, QString::number(width));
        QCOMPARE(sizes->currentText(), QStringLiteral("Custom"));
    }
    auto* formats = o.control<QComboBox>(QStringLiteral("File format"));
    formats->setCurrentIndex(formats->findText(format));
    o.control<QSpinBox>(QStringLiteral("Smoothing, samples a side"))->setValue(smoothing);
    if (background != QColor(0xefefef)) {
        QTest::mouseClick(o.control<QPushButton>(QStringLiteral("Background colour")),
                          Qt::LeftButton);
        auto* colours = o.dialog->findChild<QColorDialog*>();
        QVERIFY(colours);
        colours->setCurrentColor(background);
        colours->accept();
        QVERIFY(QTest::qWaitFor([&] { return !o.dialog->findChild<QColorDialog*>(); }));
        o.dialog->activateWindow(); // as a window manager would, which offscreen has not
    }
    const QString name = QStringLiteral("%1-%2x%3.%4")
                             .arg(o.recipe.stem)
                             .arg(size.width())
                             .arg(size.height())
                             .arg(format.toLower());
    QCOMPARE(o.control<QLineEdit>(QStringLiteral("File name"))->text(), name);

    QFile other(QDir(pictures.path()).filePath(name));
    QVERIFY(!taken || (other.open(QIODevice::WriteOnly) && other.write("other") == 5));
    other.close();

    QSignalSpy exported(o.dialog.data(), &ExportDialog::exported);
    QVERIFY(o.press(Qt::Key_Return));
    QVERIFY(QTest::qWaitFor([&] { return o.dialog.isNull(); }, 60000));
    const QString written = taken ? QString(name).insert(name.lastIndexOf('.'), "-2") : name;
    const QString path = QDir(pictures.path()).filePath(written);
    QCOMPARE(exported.count(), 1);
    QCOMPARE(exported.at(0).at(0).toString(), path);
    QCOMPARE(entries(pictures.path()), (taken ? QStringList{written, name} : QStringList{name}));
    QVERIFY(!taken || (other.open(QIODevice::ReadOnly) && other.readAll() == "other"));
    PlaneRenderer::Options options;
    options.width = size.width();
    options.height = size.height();
    options.smooth = smoothing;
    options.background = colour::rgb(background.red(), background.green(), background.blue());
    COMPARE_IMAGES(QImage(path).convertToFormat(QImage::Format_RGB32),
                   PlaneRenderer().render(o.recipe, options));
}

void TestExportDialog::stoppingLeavesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("whileWriting"); // once drawn, while the file is encoded
    for (const bool writing : {false, true}) {
        const char* when = writing ? ", while writing" : ", while drawing";
        for (const char* how : {"Cancel", "Esc", "close", "destroyed"})
            QTest::newRow(qPrintable(QString::fromLatin1(how) + QString::fromLatin1(when)))
                << QString::fromLatin1(how) << writing;
    }
}

void TestExportDialog::stoppingLeavesNothing() {
    QFETCH(QString, how);
    QFETCH(bool, whileWriting);
    QTemporaryDir pictures;
    Opened o(pictures.path());
    o.control<QComboBox>(QStringLiteral("Size"))->setCurrentIndex(4); // Square 4096
    o.control<QSpinBox>(QStringLiteral("Width in pixels"))->setValue(16384);
    QVERIFY(o.press(Qt::Key_Return));
    QVERIFY(o.dialog->exporting());
    auto* bar = o.control<QProgressBar>(QStringLiteral("Export progress"));
    QVERIFY(QTest::qWaitFor([&] { return bar->value() > 0 || bar->maximum() == 0; }, 30000));
    if (whileWriting)
        QVERIFY(QTest::qWaitFor([&] { return bar->maximum() == 0; }, 120000));
    QVERIFY(o.dialog->exporting());

    QElapsedTimer stopping;
    stopping.start();
    if (how == "Cancel")
        QTest::mouseClick(
            o.dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
            Qt::LeftButton);
    else if (how == "Esc")
        QVERIFY(o.press(Qt::Key_Escape));
    else if (how == "close")
        o.dialog->close();
    else
        delete o.dialog.data();
    QVERIFY(o.dialog.isNull() || !o.dialog->isVisible()); // gone from the screen at once
    QVERIFY(QTest::qWaitFor([&] { return o.dialog.isNull(); }, 5000));
    QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
    QCOMPARE(entries(pictures.path()), QStringList());
}

void TestExportDialog::failuresNameThePath_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder that is a file") << "file"
                                             << "is not a folder";
    QTest::newRow("a full disk") << "full"
                                 << "File too large";
}

void TestExportDialog::failuresNameThePath() {
    QFETCH(QString, what);
    QFETCH(QString, reason);
    QTemporaryDir pictures;
    QString folder = pictures.path();
    if (what == "file") {
        folder = QDir(pictures.path()).filePath(QStringLiteral("a file"));
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Opened o(folder);
    // A file-size limit stands in for a full disk.
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = what == "full" ? 1024 : saved.rlim_cur;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    QVERIFY(o.press(Qt::Key_Return));
    const bool ended = QTest::qWaitFor([&] { return !o.dialog->exporting(); }, 30000);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(ended);

    QVERIFY(o.dialog->isVisible());
    const QString path = QDir(folder).filePath(QStringLiteral("%1-640x360.png").arg(o.recipe.stem));
    QVERIFY2(o.message().contains(path) && o.message().contains(reason), qPrintable(o.message()));
    QCOMPARE(entries(pictures.path()), what == "file" ? QStringList{"a file"} : QStringList());
}

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"

void TestExportDialog::videoOfTheBuildUpEndsOnThePicture() {
    // A build-up video as PNG frames: the frames the settings ask for, in a folder named like
    // the picture, ending on the picture after the hold.
    QTemporaryDir pictures;
    Opened o(pictures.path());
    o.control<QComboBox>(QStringLiteral("What to export"))->setCurrentIndex(1);
    QVERIFY(!o.control<QSpinBox>(QStringLiteral("Smoothing, samples a side"))->isEnabled());
    auto* formats = o.control<QComboBox>(QStringLiteral("File format"));
    formats->setCurrentIndex(formats->findData(QStringLiteral("frames")));
    o.control<QSpinBox>(QStringLiteral("Width in pixels"))->setValue(64);
    o.control<QSpinBox>(QStringLiteral("Height in pixels"))->setValue(48);
    o.control<QSpinBox>(QStringLiteral("Frames a second"))->setValue(4);
    o.control<QDoubleSpinBox>(QStringLiteral("Length in seconds"))->setValue(1);
    o.control<QDoubleSpinBox>(QStringLiteral("Seconds the complete image stays"))->setValue(0.5);
    const QString name = o.recipe.stem + QStringLiteral("-64x48-build");
    QCOMPARE(o.control<QLineEdit>(QStringLiteral("File name"))->text(), name);
    QVERIFY(o.press(Qt::Key_Return));
    QVERIFY(QTest::qWaitFor([&] { return o.dialog.isNull(); }, 60000));
    const QDir frames(QDir(pictures.path()).filePath(name));
    QCOMPARE(frames.entryList(QDir::Files).size(), 6); // 4 of the build-up, 2 held
    PlaneRenderer::Options options;
    options.width = 64;
    options.height = 48;
    COMPARE_IMAGES(QImage(frames.filePath("000006.png")).convertToFormat(QImage::Format_RGB32),
                   PlaneRenderer().render(o.recipe, options));
}
