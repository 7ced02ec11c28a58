// The real program on a virtual X server of its own: found by its title, driven by real X mouse
// events (xdotool), and watched through screenshots of the display.
//
// The test starts Xvfb on a free display before anything else, connects to it itself (to take
// screenshots), and starts the rosette executable there with a fresh home folder. Xvfb and the
// program are children that the kernel kills if this process dies, and that the test ends on
// every normal way out.

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Window-relative places of the layout.
const QPoint canvasClient{98, 98}; // Picture1's client area, 453 x 453
const QPoint stripClient{10, 570}; // Picture3's client area, 541 x 21
const QPoint newImageOldPalette{628, 152};
const QPoint repeatImage{628, 176};
const QPoint saveOnDisk{628, 224};
const QPoint exitButton{660, 248};
constexpr int canvasSide = 453;

// Xvfb on the first free display, ended when this object goes or this process dies.
class VirtualDisplay {
public:
    VirtualDisplay() = default;
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay() { stop(); }

    // Starts the server and returns its display name (":N"), or an empty string.
    QByteArray start() {
        int fds[2];
        if (pipe(fds) != 0)
            return {};
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(1);
            close(fds[0]);
            const QByteArray fd = QByteArray::number(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        QByteArray number;
        pollfd reader{fds[0], POLLIN, 0};
        char c = 0;
        while (pid_ > 0 && poll(&reader, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.isEmpty()) {
            stop();
            return {};
        }
        return ":" + number;
    }

    void stop() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        for (int k = 0; k < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++k)
            usleep(20000);
        if (waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// The output of a short command, or nothing if it failed or took longer than the timeout.
std::optional<QString> run(const QString& program, const QStringList& arguments,
                           int timeoutMs = 10000) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Where an X window is on the screen.
std::optional<QRect> geometryOf(const QString& xdotool, const QString& window) {
    const auto geometry = run(xdotool, {"getwindowgeometry", "--shell", window});
    if (!geometry)
        return std::nullopt;
    const auto value = [&](const char* key) {
        const QRegularExpression pattern(QStringLiteral("^%1=(-?\\d+)$").arg(key),
                                         QRegularExpression::MultilineOption);
        return pattern.match(*geometry).captured(1).toInt();
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

// The first window of a process whose name matches `title`, once it is mapped; empty when
// none comes. (xdotool's own match also takes windows without a name.)
QString windowOf(const QString& xdotool, const QProcess& process, const QString& title) {
    const QRegularExpression wanted(title);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        const auto found = run(xdotool, {"search", "--onlyvisible", "--pid",
                                         QString::number(process.processId()), "--name", title});
        for (const QString& id : found.value_or(QString()).split('\n', Qt::SkipEmptyParts)) {
            const auto name = run(xdotool, {"getwindowname", id});
            if (name && wanted.match(name->trimmed()).hasMatch())
                return id.trimmed();
        }
        QTest::qWait(200);
    }
    return {};
}

int countDifferent(const QImage& a, const QImage& b) {
    int different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            different += a.pixel(x, y) != b.pixel(x, y);
    return different;
}

} // namespace

class TestWindowEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void imageBuildsUpOverSeveralFramesThenStays();
    void layoutSitsWhereItBelongs();
    void savedFileEqualsTheCanvasOnScreen();
    void pressesDuringAnImageAreHandledAfterIt();
    void exitDuringAnImageEndsTheProgramAfterIt();
    void endingKeepsAWaitingSave_data();
    void endingKeepsAWaitingSave();
    void openedImageExportsShowsTheGalleryAndCopies();
    void showOptionOpensTheFullScreenShow();
    void cleanupTestCase();

private:
    // The window's pixels in window coordinates.
    QImage grab(QRect area) const {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, window_.x() + area.x(), window_.y() + area.y(), area.width(),
                         area.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage grabCanvas() const { return grab({canvasClient, QSize(canvasSide, canvasSide)}); }
    // Real pointer events: xdotool moves the pointer into the window and clicks there.
    bool click(const QList<QPoint>& places) const {
        QStringList arguments;
        for (const QPoint& p : places)
            arguments << "mousemove"
                      << "--window" << windowId_ << QString::number(p.x()) << QString::number(p.y())
                      << "click"
                      << "1";
        return run(xdotool_, arguments).has_value();
    }
    // Waits until two canvas screenshots 400 ms apart are equal, and returns the last one.
    QImage waitForStableCanvas(int timeoutMs = 20000) const {
        QElapsedTimer waited;
        waited.start();
        QImage last = grabCanvas();
        while (waited.elapsed() < timeoutMs) {
            QTest::qWait(400);
            const QImage now = grabCanvas();
            if (now == last)
                return now;
            last = now;
        }
        return {};
    }

    QTemporaryDir home_;
    QString xdotool_;
    QProcess program_;
    QString windowId_;
    QRect window_;
    QElapsedTimer sinceMapped_;
};

void TestWindowEndToEnd::initTestCase() {
    // The program starts with a fresh home, and its window "Form1" is mapped on the display.
    xdotool_ = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    QVERIFY2(!xdotool_.isEmpty(), "xdotool is needed (scripts/install-deps installs it)");
    QVERIFY(home_.isValid());
    QVERIFY(QDir(home_.path()).mkdir(QStringLiteral("config")));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home_.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("share")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program_.setProcessEnvironment(environment);
    program_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    program_.start(QStringLiteral(ROSETTE_PATH), {});
    QVERIFY2(program_.waitForStarted(), qPrintable(program_.errorString()));

    const auto found = run(xdotool_, {"search", "--sync", "--onlyvisible", "--name", "^Form1$"});
    sinceMapped_.start();
    QVERIFY2(found && !found->trimmed().isEmpty(), "no window named Form1 appeared");
    windowId_ = found->split('\n').first().trimmed();
    const auto geometry = geometryOf(xdotool_, windowId_);
    QVERIFY(geometry.has_value());
    window_ = *geometry;
    QVERIFY(window_.width() >= 851 && window_.height() >= 641);
}

void TestWindowEndToEnd::imageBuildsUpOverSeveralFramesThenStays() {
    // The first image grows on screen over several frames, then stays as it is.
    QList<QImage> shots;
    QElapsedTimer watching;
    watching.start();
    while (watching.elapsed() < 15000) {
        shots << grabCanvas();
        if (shots.size() >= 5 && shots.last() == shots[shots.size() - 2] &&
            shots.last() == shots[shots.size() - 3])
            break;
        QTest::qWait(150);
    }
    const qint64 stableAfter = sinceMapped_.elapsed();
    int changes = 0;
    for (int k = 1; k < shots.size(); ++k)
        changes += shots[k] != shots[k - 1];
    QVERIFY2(changes >= 4, qPrintable(QString::number(changes)));
    QVERIFY2(shots.size() >= 3 && shots.last() == shots[shots.size() - 3], "never became stable");
    // A pass of visits takes about a second: the image was not there at once.
    QVERIFY2(stableAfter >= 800, qPrintable(QString::number(stableAfter)));
}

void TestWindowEndToEnd::layoutSitsWhereItBelongs() {
    // Colour probes at the layout's places: black window, image on the canvas, palette on the
    // strip, buttons in their column with black gaps, the grey type bar with its name.
    const QImage shown = grab({0, 0, 851, 641});
    QCOMPARE(shown.pixel(20, 20), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(560, 300), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(700, 400), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(695, 100), qRgb(200, 200, 200));
    QCOMPARE(shown.pixel(849, 111), qRgb(200, 200, 200));
    int nameInk = 0;
    for (int y = 98; y <= 112; ++y)
        for (int x = 700; x <= 850; ++x)
            nameInk += shown.pixel(x, y) != qRgb(200, 200, 200);
    QVERIFY2(nameInk > 100, qPrintable(QString::number(nameInk)));

    const QImage canvas = shown.copy(QRect(canvasClient, QSize(canvasSide, canvasSide)));
    int black = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            black += canvas.pixel(x, y) == qRgb(0, 0, 0);
            colours.insert(canvas.pixel(x, y));
        }
    QVERIFY2(black < canvas.width() * canvas.height() / 2, qPrintable(QString::number(black)));
    QVERIFY(colours.size() > 10);
    QVERIFY(
        shown.pixel(stripClient + QPoint(20, 10)) != shown.pixel(stripClient + QPoint(520, 10)) ||
        shown.pixel(stripClient + QPoint(20, 10)) != shown.pixel(stripClient + QPoint(270, 10)));

    // The button column: faces at x 570..686, black in the gaps between the rows.
    for (int top : {96, 120, 144, 168, 192, 216, 240}) {
        QVERIFY2(shown.pixel(575, top + 8) != qRgb(0, 0, 0), qPrintable(QString::number(top)));
        QCOMPARE(shown.pixel(575, top + 20), qRgb(0, 0, 0));
    }
    QCOMPARE(shown.pixel(628, 248), qRgb(0, 0, 0)); // between "help" and "exit"
    QVERIFY(shown.pixel(660, 248) != qRgb(0, 0, 0));
}

void TestWindowEndToEnd::savedFileEqualsTheCanvasOnScreen() {
    // A click on "save on disk D:" writes ~/Pictures/T<14 digits>.jpg with exactly the pixels
    // the canvas shows.
    const QImage onScreen = waitForStableCanvas();
    QVERIFY(!onScreen.isNull());
    QVERIFY(click({saveOnDisk}));
    const QDir pictures(home_.filePath(QStringLiteral("Pictures")));
    QStringList files;
    QVERIFY(QTest::qWaitFor([&] {
        files = pictures.entryList({QStringLiteral("*.jpg")}, QDir::Files);
        return !files.isEmpty();
    }));
    QCOMPARE(files.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral(R"(^T\d{14}\.jpg$)")).match(files[0]).hasMatch(),
             qPrintable(files[0]));
    const QImage saved =
        QImage(pictures.filePath(files[0]), "BMP").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.size(), QSize(canvasSide, canvasSide));
    QCOMPARE(countDifferent(saved, onScreen), 0);
    QCOMPARE(grabCanvas(), onScreen);
}

void TestWindowEndToEnd::pressesDuringAnImageAreHandledAfterIt() {
    // "new img / old palette", then at once a pick on the strip and a press on the canvas:
    // the press must act on the finished image. Had it been handled at once, the image drawn
    // afterwards would have painted the pressed pixel in its own colour. "repeat  image" then
    // shows what that colour is, and every pixel of it must carry the picked colour instead.
    const QPoint pressed{226, 150};
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QPoint pick{60 + 170 * attempt, 10};
        QVERIFY(click({newImageOldPalette, stripClient + pick, canvasClient + pressed}));
        const QImage early = grabCanvas();
        const QRgb picked = grab({stripClient + pick, QSize(1, 1)}).pixel(0, 0);
        const QImage finished = waitForStableCanvas();
        QVERIFY(!finished.isNull());
        QVERIFY2(countDifferent(early, finished) > 1000, "the image was complete before the press");

        QVERIFY(click({repeatImage}));
        QTest::qWait(300);
        const QImage natural = waitForStableCanvas();
        QVERIFY(!natural.isNull());
        const QRgb own = natural.pixel(pressed);
        if (own == picked)
            continue; // the image's own colour is the picked one: this attempt proves nothing
        QCOMPARE(finished.pixel(pressed), picked);
        int ofThatColour = 0;
        for (int y = 0; y < canvasSide; ++y)
            for (int x = 0; x < canvasSide; ++x)
                if (natural.pixel(x, y) == own) {
                    ++ofThatColour;
                    QVERIFY2(finished.pixel(x, y) == picked,
                             qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
                }
        QVERIFY(ofThatColour >= 1);
        return;
    }
    QFAIL("the pressed pixel had the picked colour of its own in every attempt");
}

void TestWindowEndToEnd::exitDuringAnImageEndsTheProgramAfterIt() {
    // "exit" clicked while an image builds up ends the program once the image is complete.
    QVERIFY(click({newImageOldPalette, exitButton}));
    const QImage first = grabCanvas();
    QTest::qWait(500);
    QCOMPARE(program_.state(), QProcess::Running);
    QVERIFY(grabCanvas() != first); // still drawing
    QVERIFY(program_.waitForFinished(20000));
    QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program_.exitCode(), 0);
}

void TestWindowEndToEnd::endingKeepsAWaitingSave_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("SIGTERM") << "TERM";
    QTest::newRow("SIGINT") << "INT";
    QTest::newRow("SIGHUP") << "HUP";
    QTest::newRow("window destroyed") << "windowclose";
}

void TestWindowEndToEnd::endingKeepsAWaitingSave() {
    // A save clicked while an image builds up (the title then counts it as waiting) is carried
    // out when a signal or the window's destruction ends the program, which then ends by itself.
    QFETCH(QString, how);
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("config")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ROSETTE_PATH), {});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const QString pid = QString::number(program.processId());
    const auto found = run(xdotool_, {"search", "--all", "--sync", "--onlyvisible", "--pid", pid,
                                      "--name", "^Form1$"});
    QVERIFY2(found && !found->trimmed().isEmpty(), "no window named Form1 appeared");
    const QString window = found->split('\n').first().trimmed();

    const QStringList clicks{"mousemove",
                             "--window",
                             window,
                             QString::number(newImageOldPalette.x()),
                             QString::number(newImageOldPalette.y()),
                             "click",
                             "1",
                             "mousemove",
                             "--window",
                             window,
                             QString::number(saveOnDisk.x()),
                             QString::number(saveOnDisk.y()),
                             "click",
                             "1"};
    QVERIFY(run(xdotool_, clicks).has_value());
    QVERIFY2(run(xdotool_, {"search", "--all", "--sync", "--pid", pid, "--name", "waiting$"}),
             "the title never counted a waiting command");

    QElapsedTimer ending;
    ending.start();
    if (how == "windowclose")
        QVERIFY(run(xdotool_, {"windowclose", window}).has_value());
    else
        QVERIFY(run(QStringLiteral("kill"), {"-" + how, pid}).has_value());
    QVERIFY2(program.waitForFinished(15000), "the program did not end");
    qInfo("ended %lld ms after the request", ending.elapsed());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    const QDir pictures(home.filePath(QStringLiteral("Pictures")));
    const QStringList files = pictures.entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral(R"(^T\d{14}\.jpg$)")).match(files[0]).hasMatch(),
             qPrintable(files[0]));
    const QImage saved(pictures.filePath(files[0]), "BMP");
    QCOMPARE(saved.size(), QSize(canvasSide, canvasSide));
}

void TestWindowEndToEnd::openedImageExportsShowsTheGalleryAndCopies() {
    // Started with a recipe on its command line, the window shows that image complete; Ctrl+E
    // then Enter writes the picture of this screen's size that the renderer draws of it; Ctrl+G
    // opens the gallery; Ctrl+C puts the canvas on the clipboard.
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("share")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString made = home.filePath(QStringLiteral("made"));
    QProcess renderer;
    renderer.setProcessEnvironment(environment);
    renderer.start(QStringLiteral(ROSETTE_RENDER_PATH),
                   {"--seed", "11", "--type", "1", "--out", made, "-q"});
    QVERIFY(renderer.waitForFinished(60000) && renderer.exitCode() == 0);
    const QStringList recipes = QDir(made).entryList({QStringLiteral("*.json")});
    QCOMPARE(recipes.size(), 1);
    const QString recipe = QDir(made).filePath(recipes[0]);
    const QString base = QFileInfo(recipe).completeBaseName();
    const QImage batch =
        QImage(QDir(made).filePath(base + ".jpg"), "BMP").convertToFormat(QImage::Format_RGB32);
    // The gallery lists what the recipes folder holds.
    const QDir saved(home.filePath(QStringLiteral("share/rosette/recipes")));
    QVERIFY(saved.mkpath(QStringLiteral(".")));
    QVERIFY(QFile::copy(recipe, saved.filePath(recipes[0])));

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ROSETTE_PATH), {recipe});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const QString window = windowOf(xdotool_, program, QStringLiteral("^Form1"));
    QVERIFY2(!window.isEmpty(), "no window named Form1 appeared");
    const auto geometry = geometryOf(xdotool_, window);
    QVERIFY(geometry.has_value());
    const auto canvas = [&] {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, geometry->x() + canvasClient.x(), geometry->y() + canvasClient.y(),
                         canvasSide, canvasSide)
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    QVERIFY(QTest::qWaitFor([&] { return countDifferent(canvas(), batch) == 0; }, 10000));

    // Keys go to the window the X server focuses.
    const auto keys = [&](const QString& target, const QStringList& names) {
        return run(xdotool_,
                   QStringList{"windowfocus", "--sync", target, "key", "--delay", "100"} + names)
            .has_value();
    };
    QVERIFY(keys(window, {"ctrl+e"}));
    QVERIFY2(!windowOf(xdotool_, program, QStringLiteral("^Export picture$")).isEmpty(),
             "no export dialog appeared");
    QVERIFY(run(xdotool_, {"key", "Return"}).has_value());
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString size = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    const QString exported =
        home.filePath(QStringLiteral("Pictures/%1-%2.png").arg(base.section('-', 0, 0), size));
    QVERIFY2(QTest::qWaitFor([&] { return QFile::exists(exported); }, 30000), qPrintable(exported));
    const QString drawn = home.filePath(QStringLiteral("drawn"));
    renderer.start(QStringLiteral(ROSETTE_RENDER_PATH),
                   {"--recipe", recipe, "--size", size, "--format", "png", "--out", drawn, "-q"});
    QVERIFY(renderer.waitForFinished(60000) && renderer.exitCode() == 0);
    const QImage expected(QDir(drawn).filePath(base + "-" + size + ".png"));
    QVERIFY(!expected.isNull());
    QCOMPARE(countDifferent(QImage(exported).convertToFormat(QImage::Format_RGB32),
                            expected.convertToFormat(QImage::Format_RGB32)),
             0);

    QVERIFY(keys(window, {"ctrl+g"}));
    QVERIFY2(!windowOf(xdotool_, program, QStringLiteral("^Gallery$")).isEmpty(),
             "no gallery appeared");

    QVERIFY(keys(window, {"ctrl+c"}));
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QImage copied = QGuiApplication::clipboard()->image();
            return !copied.isNull() &&
                   countDifferent(copied.convertToFormat(QImage::Format_RGB32), batch) == 0;
        },
        10000));
    program.terminate();
    QVERIFY(program.waitForFinished(15000));
}

void TestWindowEndToEnd::showOptionOpensTheFullScreenShow() {
    // rosette --show opens the window, then the show over the whole screen, where images build
    // up; Esc leaves the show for the window, which stays open.
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ROSETTE_PATH), {"--show"});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const QString show = windowOf(xdotool_, program, QStringLiteral("^Rosette show$"));
    QVERIFY2(!show.isEmpty(), "no show appeared");
    QCOMPARE(geometryOf(xdotool_, show),
             std::optional(QRect(QPoint(0, 0), QGuiApplication::primaryScreen()->size())));
    const auto screen = [] {
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
            QImage::Format_RGB32);
    };
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     const QImage before = screen();
                     QTest::qWait(300);
                     return screen() != before;
                 },
                 20000),
             "nothing moved on the screen");

    QVERIFY(run(xdotool_, {"windowfocus", "--sync", show, "key", "Escape"}).has_value());
    const QStringList visible{
        "search", "--onlyvisible", "--pid", QString::number(program.processId()), "--name", "."};
    QVERIFY2(
        QTest::qWaitFor(
            [&] { return !run(xdotool_, visible).value_or(QString()).split('\n').contains(show); },
            10000),
        "the show stayed");
    QVERIFY(!windowOf(xdotool_, program, QStringLiteral("^Form1")).isEmpty());
    QCOMPARE(program.state(), QProcess::Running);
    program.terminate();
    QVERIFY(program.waitForFinished(15000));
}

void TestWindowEndToEnd::cleanupTestCase() {
    if (program_.state() != QProcess::NotRunning) {
        program_.kill();
        program_.waitForFinished();
    }
}

int main(int argc, char** argv) {
    VirtualDisplay display;
    const QByteArray name = display.start();
    if (name.isEmpty()) {
        std::fprintf(stderr, "could not start Xvfb (scripts/install-deps installs it)\n");
        return 1;
    }
    qputenv("DISPLAY", name);
    qputenv("QT_QPA_PLATFORM", "xcb");
    int failed = 0;
    {
        QGuiApplication app(argc, argv);
        TestWindowEndToEnd test;
        failed = QTest::qExec(&test, argc, argv);
    } // the connection to the display closes before the display goes
    return failed;
}

#include "tst_windowendtoend.moc"
