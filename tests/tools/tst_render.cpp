// The headless renderer rosette-render, run as a separate process; and the command line of both
// programs, which answers without a display.

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end; `inChild` runs in the child before the program starts, `folder`
// is its working folder (this process's when empty).
Run start(const QString& program, const QStringList& arguments,
          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
          const std::function<void()>& inChild = {}, const QString& folder = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

Run render(const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           const std::function<void()>& inChild = {}, const QString& folder = {}) {
    return start(QStringLiteral(ROSETTE_RENDER_PATH), arguments, environment, inChild, folder);
}

// Writes larger than `bytes` fail in the child with EFBIG, as on a disk that is full.
std::function<void()> fileSizeLimit(rlim_t bytes) {
    return [bytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
}

// The files of a folder in name order (those matching `patterns`, else all), with their contents.
QList<std::pair<QString, QByteArray>> filesIn(const QString& folder,
                                              const QStringList& patterns = {}) {
    QList<std::pair<QString, QByteArray>> files;
    for (const QString& name :
         QDir(folder).entryList(patterns, QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile f(QDir(folder).filePath(name));
        files.append({name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray()});
    }
    return files;
}

} // namespace

class TestRender : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sameSeedGivesIdenticalFiles();
    void differentSeedsGiveDifferentImages();
    void knownSeedGivesKnownFiles_data();
    void knownSeedGivesKnownFiles();
    void badOptionsExitWithUsageError_data();
    void badOptionsExitWithUsageError();
    void unwritableOutputFolderFails();
    void commandLineAnswersWithoutADisplay_data();
    void commandLineAnswersWithoutADisplay();
    void outputThatIsNotAFolderSaysSo_data();
    void outputThatIsNotAFolderSaysSo();
    void existingFilesAreKeptUnlessForced();
    void runsInTheSameSecondKeepEveryImage();
    void normalRunsPrintNoWarnings_data();
    void normalRunsPrintNoWarnings();
    void recipeRendersBackByteIdentical_data();
    void recipeRendersBackByteIdentical();
    void doubleSizeHasTheImageOnEverySecondPixel();
    void pngHoldsTheSamePixels();
    void videosShowTheBuildUpAndTheLoop();
    void variationsAndCrossesRepeatWithTheirSeed();
    void badRecipesExitWithOneLineError_data();
    void badRecipesExitWithOneLineError();
    void savedRecipesAreListedAndRenderedByStem();
    void takenNamesMoveThePairOn_data();
    void takenNamesMoveThePairOn();
    void fullDiskKeepsTheEarlierFiles_data();
    void fullDiskKeepsTheEarlierFiles();
    void stopSignalLeavesNoTemporaries_data();
    void stopSignalLeavesNoTemporaries();

private:
    QTemporaryDir data_; // the data folder where the window keeps its recipes
};

void TestRender::initTestCase() {
    // Without a runtime folder Qt warns on stderr, which would hide what the renderer says.
    static QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QVERIFY(QFile::exists(QStringLiteral(ROSETTE_RENDER_PATH)));
    QImageReader::setAllocationLimit(0); // the large pictures are read back whole
    QVERIFY(data_.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(data_.path()));
}

void TestRender::sameSeedGivesIdenticalFiles() {
    // One seed gives byte-identical stem-1.jpg and stem-2.jpg files, one printed line each.
    QTemporaryDir first;
    QTemporaryDir second;
    for (const QTemporaryDir* dir : {&first, &second}) {
        const Run run = render({"--seed", "1234", "--count", "2", "--out", dir->path()});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed().split('\n').size(), 2);
    }
    const auto a = filesIn(first.path(), {"*.jpg"});
    const auto b = filesIn(second.path(), {"*.jpg"});
    QCOMPARE(filesIn(first.path(), {"*.json"}).size(), 2); // a recipe beside each image
    QCOMPARE(a.size(), 2);
    QCOMPARE(b.size(), 2);
    const QRegularExpression name(QStringLiteral("^T\\d{14}-(\\d)\\.jpg$"));
    for (int k = 0; k < 2; ++k) {
        for (const auto& files : {a, b}) {
            const auto match = name.match(files[k].first);
            QVERIFY2(match.hasMatch(), qPrintable(files[k].first));
            QCOMPARE(match.captured(1), QString::number(k + 1));
            QVERIFY(files[k].second.startsWith("BM"));
        }
        QVERIFY(a[k].second == b[k].second);
    }
    QVERIFY(a[0].second != a[1].second);
}

void TestRender::differentSeedsGiveDifferentImages() {
    // Another seed gives another image.
    QTemporaryDir one;
    QTemporaryDir two;
    QCOMPARE(render({"--seed", "1", "--type", "1", "--out", one.path()}).exitCode, 0);
    QCOMPARE(render({"--seed", "2", "--type", "1", "--out", two.path()}).exitCode, 0);
    const auto a = filesIn(one.path(), {"*.jpg"});
    const auto b = filesIn(two.path(), {"*.jpg"});
    QCOMPARE(a.size(), 1);
    QCOMPARE(b.size(), 1);
    QVERIFY(a[0].second != b[0].second);
}

void TestRender::knownSeedGivesKnownFiles_data() {
    // SHA-256 of the two files of "--seed 7 --count 2 --type T". The first image is the same
    // for every type; from the second on, types 3 and 4 differ, as their visit orders take
    // numbers from the random source that a seeding mixes into rather than replaces.
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    const QByteArray first = "5066556c0ca9fe7dad6e81ce6dc08ada51f1c8569a7b29361e547c1bc6224051";
    QTest::newRow("type 1")
        << 1 << first
        << QByteArray("e50cfb7ab538bbd7e6b2106f2d65c3b42492568783b37a08ec3b5dfaf635a052");
    QTest::newRow("type 2")
        << 2 << first
        << QByteArray("e50cfb7ab538bbd7e6b2106f2d65c3b42492568783b37a08ec3b5dfaf635a052");
    QTest::newRow("type 3")
        << 3 << first
        << QByteArray("142123a9ff6ade2c5ae9a2015cf25ed48413b5f166f1f11a044cd2bca40e6d4b");
    QTest::newRow("type 4")
        << 4 << first
        << QByteArray("0876d8f7804c357e81792679c6ffa9f58a1856c152e4848e8994b57335ca6e0b");
}

void TestRender::knownSeedGivesKnownFiles() {
    // A fixed seed gives, byte for byte, the files it has always given.
    QFETCH(int, type);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QTemporaryDir out;
    const Run run = render(
        {"--seed", "7", "--count", "2", "--type", QString::number(type), "--out", out.path()});
    QCOMPARE(run.exitCode, 0);
    const auto files = filesIn(out.path(), {"*.jpg"});
    QCOMPARE(files.size(), 2);
    auto sha256 = [](const QByteArray& data) {
        return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
    };
    QCOMPARE(sha256(files[0].second), first);
    QCOMPARE(sha256(files[1].second), second);
}

void TestRender::badOptionsExitWithUsageError_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("says"); // the whole message, where it matters
    QTest::newRow("unknown option") << QStringList{"--bogus"} << QByteArray();
    QTest::newRow("type 5") << QStringList{"--type", "5"} << QByteArray();
    QTest::newRow("type 0") << QStringList{"--type", "0"} << QByteArray();
    QTest::newRow("count 0") << QStringList{"--count", "0"} << QByteArray();
    QTest::newRow("count not a number") << QStringList{"--count", "many"} << QByteArray();
    QTest::newRow("seed not a number")
        << QStringList{"--seed", "abc"}
        << QByteArray("rosette-render: --seed takes a whole number from 0 to 16777215, not "
                      "\"abc\" (see --help)");
    QTest::newRow("seed beyond a single's whole numbers")
        << QStringList{"--seed", "16777216"} << QByteArray();
    QTest::newRow("seed at the largest 64-bit number")
        << QStringList{"--seed", "9223372036854775807"} << QByteArray();
    QTest::newRow("seed beyond 64 bits")
        << QStringList{"--seed", "99999999999999999999"} << QByteArray();
    QTest::newRow("seed beyond the count's last")
        << QStringList{"--seed", "16777215", "--count", "3"}
        << QByteArray("rosette-render: --seed takes a whole number from 0 to 16777213 with "
                      "--count 3, not \"16777215\" (see --help)");
    QTest::newRow("seed that overflows with the count")
        << QStringList{"--seed", "9223372036854775800", "--count", "100"} << QByteArray();
    QTest::newRow("negative seed") << QStringList{"--seed", "-1"} << QByteArray();
    QTest::newRow("count beyond 32 bits") << QStringList{"--count", "4294967297"} << QByteArray();
    QTest::newRow("count negative") << QStringList{"--count", "-3"} << QByteArray();
    QTest::newRow("type beyond 32 bits") << QStringList{"--type", "4294967297"} << QByteArray();
    QTest::newRow("type with a fraction") << QStringList{"--type", "2.5"} << QByteArray();
    QTest::newRow("value missing") << QStringList{"--seed"} << QByteArray();
    QTest::newRow("stray argument") << QStringList{"extra"} << QByteArray();
    QTest::newRow("size 0") << QStringList{"--size", "0"} << QByteArray();
    QTest::newRow("size beyond 16384") << QStringList{"--size", "16385"} << QByteArray();
    QTest::newRow("height beyond 16384") << QStringList{"--size", "100x16385"} << QByteArray();
    QTest::newRow("size without height") << QStringList{"--size", "100x"} << QByteArray();
    QTest::newRow("size not a number") << QStringList{"--size", "big"} << QByteArray();
    QTest::newRow("negative size") << QStringList{"--size", "-5"} << QByteArray();
    QTest::newRow("colour by name") << QStringList{"--background", "red"} << QByteArray();
    QTest::newRow("colour of five digits") << QStringList{"--background", "#12345"} << QByteArray();
    QTest::newRow("colour not hexadecimal")
        << QStringList{"--background", "#12345g"} << QByteArray();
    QTest::newRow("format jpeg") << QStringList{"--format", "jpeg"} << QByteArray();
    QTest::newRow("smooth 0") << QStringList{"--smooth", "0"} << QByteArray();
    QTest::newRow("smooth 9") << QStringList{"--smooth", "9"} << QByteArray();
    QTest::newRow("recipe with a seed")
        << QStringList{"--recipe", "T1", "--seed", "3"} << QByteArray();
    QTest::newRow("video of an unknown kind")
        << QStringList{"--video", "grow"}
        << QByteArray("rosette-render: --video takes build or cycle, not \"grow\" (see --help)");
    QTest::newRow("fps without a video") << QStringList{"--fps", "30"} << QByteArray();
    QTest::newRow("fps 0") << QStringList{"--video", "build", "--fps", "0"} << QByteArray();
    QTest::newRow("fps 121") << QStringList{"--video", "build", "--fps", "121"} << QByteArray();
    QTest::newRow("fps with a fraction")
        << QStringList{"--video", "cycle", "--fps", "29.97"} << QByteArray();
    QTest::newRow("seconds too short")
        << QStringList{"--video", "build", "--seconds", "0.05"}
        << QByteArray("rosette-render: --seconds takes a number from 0.1 to 600, not \"0.05\" "
                      "(see --help)");
    QTest::newRow("seconds not a number")
        << QStringList{"--video", "build", "--seconds", "nan"} << QByteArray();
    QTest::newRow("hold beyond a minute")
        << QStringList{"--video", "build", "--hold", "61"} << QByteArray();
    QTest::newRow("hold of a loop")
        << QStringList{"--video", "cycle", "--hold", "1"} << QByteArray();
    QTest::newRow("video format png")
        << QStringList{"--video", "build", "--format", "png"} << QByteArray();
    QTest::newRow("odd side of an mp4")
        << QStringList{"--video", "build", "--size", "101x100"} << QByteArray();
    QTest::newRow("odd side of a webm")
        << QStringList{"--video", "cycle", "--format", "webm", "--size", "100x99"} << QByteArray();
    QTest::newRow("video far wider than tall")
        << QStringList{"--video", "build", "--format", "gif", "--size", "1700x100"} << QByteArray();
    QTest::newRow("smoothed video")
        << QStringList{"--video", "build", "--smooth", "2"} << QByteArray();
    QTest::newRow("recipe with a count")
        << QStringList{"--recipe", "T1", "--count", "2"} << QByteArray();
    // Control characters of the arguments quoted are shown as escapes: still one line.
    QTest::newRow("size with a line break")
        << QStringList{"--size", "1\n2"}
        << QByteArray("rosette-render: --size takes N or WxH, each side a whole number from 1 to "
                      "16384, not \"1\\n2\" (see --help)");
    QTest::newRow("stray argument with a terminal escape")
        << QStringList{"\x1b[2Jextra"}
        << QByteArray("rosette-render: unexpected argument \\x1b[2Jextra (see --help)");
    QTest::newRow("unknown option with a line break")
        << QStringList{"--bo\rgus"} << QByteArray("rosette-render: unknown option '--bo\\rgus'");
}

void TestRender::badOptionsExitWithUsageError() {
    // A bad option ends the renderer with exit code 2 and a one-line message on stderr.
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, says);
    QTemporaryDir out;
    const Run run = render(QStringList{"--out", out.path()} + arguments);
    QCOMPARE(run.exitCode, 2);
    const QByteArray message = run.err.trimmed();
    QVERIFY(!message.isEmpty());
    QVERIFY2(!message.contains('\n'), message.constData());
    if (!says.isEmpty())
        QCOMPARE(message, says);
    QVERIFY(filesIn(out.path()).isEmpty());
}

void TestRender::unwritableOutputFolderFails() {
    // An output folder that cannot be made fails with a message naming it.
    QTemporaryDir tmp;
    QFile blocker(tmp.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString out = blocker.fileName() + QStringLiteral("/images");
    const Run run = render({"--seed", "5", "--type", "1", "--out", out});
    QVERIFY(run.exitCode != 0 && run.exitCode != -1);
    QVERIFY2(run.err.contains(out.toLocal8Bit()), run.err.constData());
}

void TestRender::commandLineAnswersWithoutADisplay_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // a pattern for the whole of stdout
    QTest::addColumn<QByteArray>("err");
    const QString rosette = QStringLiteral(ROSETTE_PATH);
    const QString renderer = QStringLiteral(ROSETTE_RENDER_PATH);
    const QString version = QRegularExpression::escape(QStringLiteral(ROSETTE_VERSION));
    QTest::newRow("rosette --version")
        << rosette << QStringList{"--version"} << 0 << "rosette " + version + "\n"
        << QByteArray();
    QTest::newRow("rosette -v") << rosette << QStringList{"-v"} << 0 << "rosette " + version + "\n"
                                << QByteArray();
    QTest::newRow("rosette --help")
        << rosette << QStringList{"--help"} << 0
        << R"(Usage: \S*rosette \[options\] \[FILE\|STEM\]\n(.*\n)*  -v, --version .*\n  --show .*\n(.*\n)*Arguments:\n  file .*\n(.*\n)*)"
        << QByteArray();
    QTest::newRow("rosette --bogus") << rosette << QStringList{"--bogus"} << 2 << ""
                                     << QByteArray("rosette: unknown option '--bogus'\n");
    QTest::newRow("rosette -x") << rosette << QStringList{"-x"} << 2 << ""
                                << QByteArray("rosette: unknown option '-x'\n");
    const QByteArray recipes = QFile::encodeName(data_.filePath(QStringLiteral("rosette/recipes")));
    QTest::newRow("rosette with an image that has no recipe")
        << rosette << QStringList{"picture.bmp"} << 2 << ""
        << "rosette: picture.bmp: neither a recipe nor a saved image with a recipe in " + recipes +
               "\n";
    QTest::newRow("rosette with two files") << rosette << QStringList{"a.json", "b.json"} << 2 << ""
                                            << QByteArray("rosette: unexpected argument "
                                                          "'b.json'\n");
    // Control characters of the names quoted are shown as escapes: still one line.
    QTest::newRow("rosette with a file name that holds a line break")
        << rosette << QStringList{"a\nb.bmp"} << 2 << ""
        << "rosette: a\\nb.bmp: neither a recipe nor a saved image with a recipe in " + recipes +
               "\n";
    QTest::newRow("rosette with a second file that holds a terminal escape")
        << rosette << QStringList{"a.json", "\x1b[2Jb.json"} << 2 << ""
        << QByteArray("rosette: unexpected argument '\\x1b[2Jb.json'\n");
    const QString broken = data_.filePath(QStringLiteral("broken.json"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("{\"formatVersion\": 1}") > 0);
    QTest::newRow("rosette with a recipe that lacks a field")
        << rosette << QStringList{broken} << 2 << ""
        << "rosette: " + QFile::encodeName(broken) + ": programVersion is missing\n";
    QTest::newRow("rosette-render --version")
        << renderer << QStringList{"--version"} << 0 << "rosette-render " + version + "\n"
        << QByteArray();
    QTest::newRow("rosette-render --help")
        << renderer << QStringList{"--help"} << 0
        << R"(Usage: \S*rosette-render \[options\]\n(.*\n)*  --seed <S> .*\n(.*\n)*)"
        << QByteArray();
    QTest::newRow("rosette-render --bogus")
        << renderer << QStringList{"--bogus"} << 2 << ""
        << QByteArray("rosette-render: unknown option '--bogus'\n");
}

void TestRender::commandLineAnswersWithoutADisplay() {
    // --version and --help print and end with 0, an unknown option ends with one line and 2,
    // with no display and no platform chosen.
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QByteArray, err);
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QString::fromLatin1(name));
    const Run run = start(program, arguments, bare);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err, err);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(out));
    QVERIFY2(pattern.match(QString::fromLocal8Bit(run.out)).hasMatch(), run.out.constData());
}

void TestRender::outputThatIsNotAFolderSaysSo_data() {
    QTest::addColumn<QString>("out");
    QTest::addColumn<bool>("inTemporaryFolder");
    QTest::addColumn<bool>("recipe"); // rendering a recipe rather than a new image
    QTest::newRow("the null device") << "/dev/null" << false << false;
    QTest::newRow("a regular file") << "a-file" << true << false;
    QTest::newRow("a regular file, rendering a recipe") << "a-file" << true << true;
}

void TestRender::outputThatIsNotAFolderSaysSo() {
    // --out naming something that is not a folder fails before drawing, and says why.
    QFETCH(QString, out);
    QFETCH(bool, inTemporaryFolder);
    QFETCH(bool, recipe);
    QTemporaryDir tmp;
    QTemporaryDir source;
    if (inTemporaryFolder) {
        out = tmp.filePath(out);
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    QStringList arguments{"--seed", "5"};
    if (recipe) {
        QCOMPARE(render({"--seed", "5", "--type", "1", "--out", source.path()}).exitCode, 0);
        arguments = {"--recipe", source.filePath(filesIn(source.path(), {"*.json"}).at(0).first)};
    }
    const Run run = render(arguments + QStringList{"--out", out});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains((out + " is not a folder").toLocal8Bit()), run.err.constData());
    QVERIFY(run.out.isEmpty());
    if (inTemporaryFolder)
        QCOMPARE(filesIn(tmp.path()).size(), 1);
}

void TestRender::existingFilesAreKeptUnlessForced() {
    // A file with the name the second image would take is kept: that image and the next move on
    // to free numbers (-3, -4) and the run succeeds; with --force the file is replaced. The
    // names carry the clock's time, so every name the run could take in the next minute exists
    // beforehand.
    QTemporaryDir tmp;
    const QDateTime now = QDateTime::currentDateTime();
    QStringList placed;
    for (int s = -1; s <= 60; ++s) {
        const QString name =
            now.addSecs(s).toString(QStringLiteral("'T'yyyyMMddHHmmss")) + "-2.jpg";
        QFile file(QDir(tmp.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
        placed << name;
    }
    const Run kept = render({"--seed", "5", "--type", "1", "--count", "3", "--out", tmp.path()});
    QCOMPARE(kept.exitCode, 0);
    QCOMPARE(kept.err, QByteArray());
    QCOMPARE(kept.out.count('\n'), 3);
    QStringList written;
    for (const auto& [name, bytes] : filesIn(tmp.path())) {
        if (!placed.contains(name))
            written << name.mid(16); // after "T" and the 14 digits and "-"
        else
            QCOMPARE(bytes, QByteArray("kept"));
    }
    QCOMPARE(written, (QStringList{"1.jpg", "1.json", "3.jpg", "3.json", "4.jpg", "4.json"}));

    const Run forced =
        render({"--seed", "5", "--type", "1", "--count", "3", "--force", "--out", tmp.path()});
    QCOMPARE(forced.exitCode, 0);
    QCOMPARE(forced.out.count('\n'), 3);
    int replaced = 0;
    for (const auto& [name, bytes] : filesIn(tmp.path(), placed))
        replaced += bytes.startsWith("BM");
    QCOMPARE(replaced, 1);
}

void TestRender::runsInTheSameSecondKeepEveryImage() {
    // Runs one after another, within a second or not, never fail for a name and never replace
    // an image: each image takes the next free name, with its recipe beside it.
    QTemporaryDir tmp;
    for (int run = 0; run < 3; ++run) {
        const Run again = render({"--seed", "5", "--type", "1", "--out", tmp.path()});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.err, QByteArray());
    }
    const auto pictures = filesIn(tmp.path(), {"*.jpg"});
    QCOMPARE(pictures.size(), 3);
    for (const auto& [name, bytes] : pictures)
        QVERIFY2(QFile::exists(tmp.filePath(QFileInfo(name).completeBaseName() + ".json")),
                 qPrintable(name));
    QCOMPARE(filesIn(tmp.path()).size(), 6);
}

void TestRender::normalRunsPrintNoWarnings_data() {
    QTest::addColumn<bool>("quiet");
    QTest::newRow("normal") << false;
    QTest::newRow("-q") << true;
}

void TestRender::normalRunsPrintNoWarnings() {
    // Without a runtime folder, a run prints no warning; -q prints nothing at all, and progress
    // is shown only on a terminal. Without --out the images go into the current folder.
    QFETCH(bool, quiet);
    QTemporaryDir tmp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QStringList arguments{"--seed", "7", "--type", "1", "--count", "2"};
    if (quiet)
        arguments << "-q";
    const Run run = render(arguments, environment, {}, tmp.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out.isEmpty(), quiet);
    if (!quiet)
        QVERIFY2(QRegularExpression(QStringLiteral("^(T\\d{14}-\\d\\.jpg\n){2}$"))
                     .match(QString::fromLocal8Bit(run.out))
                     .hasMatch(),
                 run.out.constData());
    QCOMPARE(filesIn(tmp.path(), {"*.jpg"}).size(), 2);
    QCOMPARE(filesIn(tmp.path(), {"*.json"}).size(), 2);
}

void TestRender::recipeRendersBackByteIdentical_data() {
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("type");
    for (const char* seed : {"1", "2", "3", "8", "40", "1000"})
        QTest::addRow("type 1, seed %s", seed) << QString::fromLatin1(seed) << "1";
    // Type 3's failures show the background; type 4's show the noise of its own random state.
    for (const char* seed : {"5", "77"})
        QTest::addRow("type 3, seed %s", seed) << QString::fromLatin1(seed) << "3";
    for (const char* seed : {"1", "5", "77"})
        QTest::addRow("type 4, seed %s", seed) << QString::fromLatin1(seed) << "4";
}

void TestRender::recipeRendersBackByteIdentical() {
    // The recipe written beside a first image renders back to the same bytes.
    QFETCH(QString, seed);
    QFETCH(QString, type);
    QTemporaryDir first;
    QTemporaryDir second;
    QCOMPARE(
        render({"--seed", seed, "--count", "1", "--type", type, "--out", first.path()}).exitCode,
        0);
    const auto recipes = filesIn(first.path(), {"*.json"});
    QCOMPARE(recipes.size(), 1);
    const Run run = render({"--recipe", first.filePath(recipes[0].first), "--out", second.path()});
    QCOMPARE(run.exitCode, 0);
    const auto original = filesIn(first.path(), {"*.jpg"});
    const auto again = filesIn(second.path(), {"*.jpg"});
    QCOMPARE(original.size(), 1);
    QCOMPARE(again.size(), 1);
    QCOMPARE(again[0].first, original[0].first);
    QVERIFY(again[0].second == original[0].second);
    QVERIFY(run.out.contains(again[0].first.toLocal8Bit()));
}

void TestRender::doubleSizeHasTheImageOnEverySecondPixel() {
    // At --size 906 every second pixel in both directions is the 453 image's pixel, for a batch
    // image and for its recipe alike; --no-recipes writes no recipe.
    QTemporaryDir small;
    QTemporaryDir large;
    QTemporaryDir fromRecipe;
    QCOMPARE(render({"--seed", "77", "--type", "1", "--out", small.path()}).exitCode, 0);
    QCOMPARE(render({"--seed", "77", "--type", "1", "--size", "906", "--no-recipes", "--out",
                     large.path()})
                 .exitCode,
             0);
    QVERIFY(filesIn(large.path(), {"*.json"}).isEmpty());
    const QString recipe = small.filePath(filesIn(small.path(), {"*.json"}).at(0).first);
    QCOMPARE(render({"--recipe", recipe, "--size", "906", "--out", fromRecipe.path()}).exitCode, 0);
    const QImage canvas(small.filePath(filesIn(small.path(), {"*.jpg"}).at(0).first), "BMP");
    QCOMPARE(canvas.size(), QSize(453, 453));
    for (const QString& folder : {large.path(), fromRecipe.path()}) {
        const auto files = filesIn(folder, {"*.jpg"});
        QCOMPARE(files.size(), 1);
        const QImage big(QDir(folder).filePath(files[0].first), "BMP");
        QCOMPARE(big.size(), QSize(906, 906));
        for (int j = 0; j < 453; ++j)
            for (int i = 0; i < 453; ++i)
                if (big.pixel(2 * i, 2 * j) != canvas.pixel(i, j))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(i).arg(j)));
    }
}

void TestRender::pngHoldsTheSamePixels() {
    // --format png writes a PNG file with the bitmap's pixels.
    QTemporaryDir bmp;
    QTemporaryDir png;
    QCOMPARE(
        render({"--seed", "9", "--type", "1", "--size", "300x200", "--out", bmp.path()}).exitCode,
        0);
    QCOMPARE(render({"--seed", "9", "--type", "1", "--size", "300x200", "--format", "png", "--out",
                     png.path()})
                 .exitCode,
             0);
    const auto pngs = filesIn(png.path(), {"*.png"});
    QCOMPARE(pngs.size(), 1);
    QVERIFY(pngs[0].second.startsWith("\x89PNG"));
    const QImage a(bmp.filePath(filesIn(bmp.path(), {"*.jpg"}).at(0).first), "BMP");
    const QImage b(png.filePath(pngs[0].first), "PNG");
    QCOMPARE(b.size(), QSize(300, 200));
    QCOMPARE(a.convertToFormat(QImage::Format_RGB32), b.convertToFormat(QImage::Format_RGB32));
}

void TestRender::videosShowTheBuildUpAndTheLoop() {
    // A build-up's frames end on the still after the hold; a loop starts on it. Each video is
    // named like the still, with what it shows before the extension.
    QTemporaryDir out;
    const QStringList image{"--seed", "11", "--type", "3", "--size", "120x90", "--out", out.path()};
    const Run still = render(image + QStringList{"--format", "png"});
    QCOMPARE(still.exitCode, 0);
    const QImage picture =
        QImage(QString::fromLocal8Bit(still.out.trimmed())).convertToFormat(QImage::Format_RGB32);
    const Run build = render(image + QStringList{"--video", "build", "--format", "frames", "--fps",
                                                 "5", "--seconds", "1", "--hold", "0.4"});
    QCOMPARE(build.exitCode, 0);
    const QDir frames(QString::fromLocal8Bit(build.out.trimmed()));
    QVERIFY2(frames.dirName().endsWith("-1-build"), build.out.constData());
    QCOMPARE(frames.entryList(QDir::Files).size(), 7); // 5 of the build-up, 2 held
    QCOMPARE(QImage(frames.filePath("000007.png")).convertToFormat(QImage::Format_RGB32), picture);
    QVERIFY(QImage(frames.filePath("000001.png")) != QImage(frames.filePath("000005.png")));
    const Run cycle =
        render(image + QStringList{"--video", "cycle", "--format", "frames", "--fps", "5"});
    QCOMPARE(cycle.exitCode, 0);
    const QDir loop(QString::fromLocal8Bit(cycle.out.trimmed()));
    QVERIFY2(loop.dirName().endsWith("-1-cycle"), cycle.out.constData());
    QCOMPARE(loop.entryList(QDir::Files).size(), 40); // 8 seconds at 5 a second
    QCOMPARE(QImage(loop.filePath("000001.png")).convertToFormat(QImage::Format_RGB32), picture);
    const Run mp4 = render(image + QStringList{"--video", "build", "--size", "64", "--fps", "5"});
    QCOMPARE(mp4.exitCode, 0);
    QVERIFY2(mp4.out.trimmed().endsWith("-1-build.mp4"), mp4.out.constData());
    QVERIFY(QFileInfo(QString::fromLocal8Bit(mp4.out.trimmed())).size() > 1000);
}

void TestRender::variationsAndCrossesRepeatWithTheirSeed() {
    // Variations of a recipe with one seed are the same pictures in every run, each saved with
    // a recipe naming its parent; crosses name both parents; --sheet shows every image of a run.
    QTemporaryDir out;
    QVERIFY(render({"--seed", "12", "--type", "1", "--count", "2", "--out", out.path()}).exitCode ==
            0);
    const auto recipes = filesIn(out.path(), {"*.json"});
    QCOMPARE(recipes.size(), 2);
    const QString a = out.filePath(recipes[0].first);
    const QString b = out.filePath(recipes[1].first);
    const QByteArray stem = QFileInfo(a).completeBaseName().chopped(2).toUtf8(); // of T...-1
    QStringList pictures[2];
    for (auto& run : pictures) {
        QTemporaryDir folder;
        const Run made = render({"--recipe", a, "--variations", "3", "--strength", "0.6",
                                 "--variation-seed", "99", "--out", folder.path()});
        QCOMPARE(made.exitCode, 0);
        for (const auto& [name, bytes] : filesIn(folder.path()))
            run.append(name.endsWith(".json") ? QString() : QString(bytes.toBase64()));
        const auto json = filesIn(folder.path(), {"*.json"});
        QCOMPARE(json.size(), 3);
        QVERIFY2(json[0].second.contains("\"parents\"") && json[0].second.contains(stem),
                 json[0].second.constData());
    }
    QCOMPARE(pictures[0], pictures[1]);
    QVERIFY(pictures[0][0] != pictures[0][2]);
    QTemporaryDir crossed;
    const Run cross = render(
        {"--recipe", a, "--cross", b, "--variations", "2", "--sheet", "--out", crossed.path()});
    QCOMPARE(cross.exitCode, 0);
    const QList<QByteArray> lines = cross.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3); // two crosses and the sheet
    QVERIFY(lines[2].endsWith("-1-sheet.png"));
    QVERIFY(!QImage(QString::fromLocal8Bit(lines[2])).isNull());
    const QByteArray parents = filesIn(crossed.path(), {"*.json"}).at(0).second;
    QVERIFY2(parents.contains("\"parents\"") && parents.count(stem) >= 2, // both parents
             parents.constData());
}

void TestRender::badRecipesExitWithOneLineError_data() {
    QTest::addColumn<QByteArray>("from"); // a text to replace in a good recipe ("" for none)
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QByteArray>("named"); // what the error names besides the file
    QTest::newRow("not JSON") << QByteArray("{") << QByteArray("[[") << QByteArray("not a recipe");
    QTest::newRow("unknown format")
        << QByteArray("\"formatVersion\": 2") << QByteArray("\"formatVersion\": 7")
        << QByteArray("formatVersion");
    QTest::newRow("missing field")
        << QByteArray("\"tip\"") << QByteArray("\"top\"") << QByteArray("parameters.tip");
    QTest::newRow("number as text")
        << QByteArray("\"generationType\": 1") << QByteArray("\"generationType\": \"1\"")
        << QByteArray("generationType");
    QTest::newRow("out of range") << QByteArray("\"generationType\": 1")
                                  << QByteArray("\"generationType\": 9")
                                  << QByteArray("generationType");
    QTest::newRow("format version as text")
        << QByteArray("\"formatVersion\": 2") << QByteArray("\"formatVersion\": \"2\"")
        << QByteArray("formatVersion must be a number");
    QTest::newRow("random state of five words")
        << QByteArray("\"random\": [") << QByteArray("\"random\": [4294967296, ")
        << QByteArray("random must be a list of four");
    QTest::newRow("a key given twice")
        << QByteArray("\"n1\": ") << QByteArray("\"n1\": 999, \"n1\": ")
        << QByteArray("parameters.n1 is given twice");
    QTest::newRow("a key with a line break given twice")
        << QByteArray("\"n1\": ") << QByteArray("\"n\\n1\": 9, \"n\\n1\": 9, \"n1\": ")
        << QByteArray("parameters.n\\n1 is given twice");
    QTest::newRow("missing file") << QByteArray() << QByteArray() << QByteArray("no recipe");
}

void TestRender::badRecipesExitWithOneLineError() {
    // A bad recipe ends the renderer with exit code 2 and one line naming the file and the
    // field; nothing is written.
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QByteArray, named);
    QTemporaryDir source;
    QTemporaryDir out;
    QCOMPARE(render({"--seed", "5", "--type", "1", "--out", source.path()}).exitCode, 0);
    const auto recipes = filesIn(source.path(), {"*.json"});
    QCOMPARE(recipes.size(), 1);
    QString path = source.filePath(QStringLiteral("bad.json"));
    if (from.isEmpty()) {
        path = source.filePath(QStringLiteral("absent.json"));
    } else {
        QByteArray text = recipes[0].second;
        QVERIFY(text.contains(from));
        text.replace(text.indexOf(from), from.size(), to);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    }
    const Run run = render({"--recipe", path, "--size", "50", "--out", out.path()});
    QCOMPARE(run.exitCode, 2);
    const QByteArray message = run.err.trimmed();
    QVERIFY2(!message.contains('\n'), message.constData());
    QVERIFY2(message.contains(path.toLocal8Bit()), message.constData());
    QVERIFY2(message.contains(named), message.constData());
    QVERIFY(filesIn(out.path()).isEmpty());
}

void TestRender::savedRecipesAreListedAndRenderedByStem() {
    // A recipe in the window's recipe folder is listed by its stem with its date, and --recipe
    // STEM renders it.
    QTemporaryDir made;
    QCOMPARE(render({"--seed", "21", "--type", "1", "--out", made.path()}).exitCode, 0);
    const auto recipes = filesIn(made.path(), {"*.json"});
    QCOMPARE(recipes.size(), 1);
    const QDir saved(data_.filePath(QStringLiteral("rosette/recipes")));
    QVERIFY(saved.mkpath(QStringLiteral(".")));
    QFile file(saved.filePath(QStringLiteral("T20240307090503.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(recipes[0].second), recipes[0].second.size());
    file.close();

    const Run list = render({"--list-recipes"});
    QCOMPARE(list.exitCode, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^T20240307090503  \\d{4}-\\d\\d-\\d\\d "
                                               "\\d\\d:\\d\\d:\\d\\d$"),
                                QRegularExpression::MultilineOption)
                 .match(QString::fromLocal8Bit(list.out))
                 .hasMatch(),
             list.out.constData());

    QTemporaryDir out;
    QCOMPARE(render({"--recipe", "T20240307090503", "--out", out.path()}).exitCode, 0);
    const auto pictures = filesIn(out.path(), {"*.jpg"});
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures[0].first, QStringLiteral("T20240307090503.jpg"));
    QVERIFY(pictures[0].second == filesIn(made.path(), {"*.jpg"}).at(0).second);
}

void TestRender::takenNamesMoveThePairOn_data() {
    QTest::addColumn<QString>("before"); // what the output folder holds before the render
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("written"); // the files the render adds or changes
    const QStringList second{"X-2.jpg", "X-2.json"};
    QTest::newRow("picture's name taken") << "picture" << QStringList() << second;
    QTest::newRow("recipe's name taken") << "recipe" << QStringList() << second;
    QTest::newRow("dangling link at the picture's name") << "link" << QStringList() << second;
    QTest::newRow("the same recipe beside, another format")
        << "bmp" << QStringList{"--size", "80x60", "--format", "png"} << QStringList{"X-80x60.png"};
    QTest::newRow("the recipe rendered stays beside")
        << "own" << QStringList() << QStringList{"X.jpg"};
    QTest::newRow("--force replaces")
        << "picture" << QStringList{"--force"} << QStringList{"X.jpg", "X.json"};
}

void TestRender::takenNamesMoveThePairOn() {
    // A picture and its recipe take one name together: when another file has either name (a
    // link that leads nowhere included, which is never followed) both move on to the next free
    // name and the render succeeds; a recipe beside with the same bytes, or the very recipe
    // rendered, stays as it is. Nothing is replaced unless --force is given.
    QFETCH(QString, before);
    QFETCH(QStringList, options);
    QFETCH(QStringList, written);
    QTemporaryDir source;
    QTemporaryDir out;
    QCOMPARE(render({"--seed", "6", "--type", "1", "--out", source.path()}).exitCode, 0);
    const QByteArray recipe = filesIn(source.path(), {"*.json"}).at(0).second;
    QString recipePath = source.filePath(QStringLiteral("X.json"));
    auto put = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(put(recipePath, recipe));
    if (before == "picture") {
        QVERIFY(put(out.filePath(QStringLiteral("X.jpg")), "other"));
    } else if (before == "recipe") {
        QVERIFY(put(out.filePath(QStringLiteral("X.json")), "other"));
    } else if (before == "link") {
        QVERIFY(QFile::link(out.filePath(QStringLiteral("gone/away.jpg")),
                            out.filePath(QStringLiteral("X.jpg"))));
    } else if (before == "bmp") {
        QCOMPARE(render({"--recipe", recipePath, "--size", "80x60", "--format", "bmp", "--out",
                         out.path()})
                     .exitCode,
                 0);
    } else if (before == "own") {
        recipePath = out.filePath(QStringLiteral("X.json"));
        QVERIFY(put(recipePath, QJsonDocument::fromJson(recipe).toJson(QJsonDocument::Compact)));
    }
    const auto earlier = filesIn(out.path());

    const Run run = render(QStringList{"--recipe", recipePath, "--out", out.path()} + options);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const auto now = filesIn(out.path());
    QStringList changed;
    for (const auto& file : now)
        if (!earlier.contains(file))
            changed << file.first;
    QCOMPARE(changed, written);
    QCOMPARE(now.size(), earlier.size() + written.size() - (options.contains("--force") ? 1 : 0));
    QVERIFY2(run.out.contains(written.first().toLocal8Bit()), run.out.constData());
    QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("gone"))));
    if (before == "link")
        QVERIFY(QFileInfo(out.filePath(QStringLiteral("X.jpg"))).isSymLink());
}

void TestRender::fullDiskKeepsTheEarlierFiles_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("limit");   // bytes a file may grow to in the failing run
    QTest::addColumn<QString>("cut"); // the file that could not be written whole
    QTest::newRow("bitmap by format") << QStringList{"--format", "bmp"} << 300000 << "X.bmp";
    QTest::newRow("png") << QStringList{"--format", "png", "--size", "600"} << 20000
                         << "X-600x600.png";
    QTest::newRow("recipe") << QStringList{"--format", "png", "--size", "4"} << 400 << "X-4x4.json";
}

void TestRender::fullDiskKeepsTheEarlierFiles() {
    // A write that fails part way (a file-size limit stands in for a full disk) fails the render
    // with the system's reason: the files rendered before keep their bytes and no temporary is
    // left, even with --force.
    QFETCH(QStringList, options);
    QFETCH(int, limit);
    QFETCH(QString, cut);
    QTemporaryDir source;
    QTemporaryDir out;
    QCOMPARE(render({"--seed", "6", "--type", "1", "--out", source.path()}).exitCode, 0);
    const QString recipe = source.filePath(QStringLiteral("X.json"));
    QVERIFY(QFile::copy(source.filePath(filesIn(source.path(), {"*.json"}).at(0).first), recipe));
    const QStringList arguments =
        QStringList{"--recipe", recipe, "--out", out.path(), "--force"} + options;
    QCOMPARE(render(arguments).exitCode, 0);
    const auto earlier = filesIn(out.path());
    QCOMPARE(earlier.size(), 2);

    // A render with other colours, so every byte of the picture differs in kind.
    const Run run = render(arguments + QStringList{"--background", "#000000"},
                           QProcessEnvironment::systemEnvironment(), fileSizeLimit(rlim_t(limit)));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(cut.toLocal8Bit()) && run.err.contains("File too large") &&
                 run.err.count('\n') == 1,
             run.err.constData());
    QCOMPARE(filesIn(out.path()), earlier);
}

void TestRender::stopSignalLeavesNoTemporaries_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("ignored"); // ignored from the start, as under nohup
    QTest::newRow("SIGTERM in a batch")
        << QStringList{"--type", "1", "--count", "400", "--seed", "3"} << SIGTERM << false;
    QTest::newRow("SIGINT in a large picture")
        << QStringList{"--type", "1", "--size", "6000", "--format", "png", "--seed", "3"} << SIGINT
        << false;
    QTest::newRow("SIGHUP under nohup")
        << QStringList{"--type", "1", "--count", "60", "--seed", "3"} << SIGHUP << true;
}

void TestRender::stopSignalLeavesNoTemporaries() {
    // A stop signal while the renderer draws and writes ends it with 128 + the signal's number:
    // every picture left in the folder is complete with its recipe beside it, no temporary is
    // left, and the pictures it printed are among them. A signal ignored from the start (nohup)
    // stays ignored.
    QFETCH(QStringList, arguments);
    QFETCH(int, signal);
    QFETCH(bool, ignored);
    QTemporaryDir out;
    QProcess process;
    if (ignored)
        process.setChildProcessModifier([signal] { std::signal(signal, SIG_IGN); });
    process.start(QStringLiteral(ROSETTE_RENDER_PATH),
                  arguments + QStringList{"--out", out.path()});
    QVERIFY(process.waitForStarted());
    // Once the first picture is out, or after a while for a single large one.
    process.waitForReadyRead(arguments.contains("--count") ? 60000 : 1500);
    QTest::qWait(100);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), ignored ? 0 : 128 + signal);
    const QString printed = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QStringList all =
        QDir(out.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : all) {
        QVERIFY2(!name.startsWith('.'), qPrintable(name));
        const QString base = QFileInfo(name).completeBaseName();
        QVERIFY2(all.contains(base + ".json"), qPrintable(name));
        if (name.endsWith(".json"))
            continue;
        QImage picture;
        QVERIFY2(picture.load(out.filePath(name)), qPrintable(name));
    }
    for (const QString& line : printed.split('\n', Qt::SkipEmptyParts))
        QVERIFY2(all.contains(QFileInfo(line).fileName()), qPrintable(line));
    if (ignored)
        QCOMPARE(all.size(), 2 * 60);
}

QTEST_MAIN(TestRender)
#include "tst_render.moc"
