// The headless renderer rosette-render, run as a separate process; and the command line of both
// programs, which answers without a display.

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run start(const QString& program, const QStringList& arguments,
          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
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
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    return start(QStringLiteral(ROSETTE_RENDER_PATH), arguments, environment);
}

// The files of a folder in name order, with their contents.
QList<std::pair<QString, QByteArray>> filesIn(const QString& folder) {
    QList<std::pair<QString, QByteArray>> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
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
    void normalRunsPrintNoWarnings_data();
    void normalRunsPrintNoWarnings();
};

void TestRender::initTestCase() {
    // Without a runtime folder Qt warns on stderr, which would hide what the renderer says.
    static QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QVERIFY(QFile::exists(QStringLiteral(ROSETTE_RENDER_PATH)));
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
    const auto a = filesIn(first.path());
    const auto b = filesIn(second.path());
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
    const auto a = filesIn(one.path());
    const auto b = filesIn(two.path());
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
    const auto files = filesIn(out.path());
    QCOMPARE(files.size(), 2);
    auto sha256 = [](const QByteArray& data) {
        return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
    };
    QCOMPARE(sha256(files[0].second), first);
    QCOMPARE(sha256(files[1].second), second);
}

void TestRender::badOptionsExitWithUsageError_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--bogus"};
    QTest::newRow("type 5") << QStringList{"--type", "5"};
    QTest::newRow("type 0") << QStringList{"--type", "0"};
    QTest::newRow("count 0") << QStringList{"--count", "0"};
    QTest::newRow("count not a number") << QStringList{"--count", "many"};
    QTest::newRow("seed not a number") << QStringList{"--seed", "x"};
    QTest::newRow("seed beyond a single's whole numbers") << QStringList{"--seed", "16777216"};
    QTest::newRow("seed at the largest 64-bit number")
        << QStringList{"--seed", "9223372036854775807"};
    QTest::newRow("seed beyond 64 bits") << QStringList{"--seed", "99999999999999999999"};
    QTest::newRow("seed that overflows with the count")
        << QStringList{"--seed", "9223372036854775800", "--count", "100"};
    QTest::newRow("negative seed") << QStringList{"--seed", "-1"};
    QTest::newRow("count beyond 32 bits") << QStringList{"--count", "4294967297"};
    QTest::newRow("count negative") << QStringList{"--count", "-3"};
    QTest::newRow("type beyond 32 bits") << QStringList{"--type", "4294967297"};
    QTest::newRow("type with a fraction") << QStringList{"--type", "2.5"};
    QTest::newRow("value missing") << QStringList{"--seed"};
    QTest::newRow("stray argument") << QStringList{"extra"};
}

void TestRender::badOptionsExitWithUsageError() {
    // A bad option ends the renderer with exit code 2 and a one-line message on stderr.
    QFETCH(QStringList, arguments);
    QTemporaryDir out;
    const Run run = render(QStringList{"--out", out.path()} + arguments);
    QCOMPARE(run.exitCode, 2);
    const QByteArray message = run.err.trimmed();
    QVERIFY(!message.isEmpty());
    QVERIFY2(!message.contains('\n'), message.constData());
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
        << R"(Usage: \S*rosette \[options\]\n(.*\n)*  -v, --version .*\n)" << QByteArray();
    QTest::newRow("rosette --bogus") << rosette << QStringList{"--bogus"} << 2 << ""
                                     << QByteArray("rosette: unknown option '--bogus'\n");
    QTest::newRow("rosette -x") << rosette << QStringList{"-x"} << 2 << ""
                                << QByteArray("rosette: unknown option '-x'\n");
    QTest::newRow("rosette with an argument") << rosette << QStringList{"picture.bmp"} << 2 << ""
                                              << QByteArray("rosette: unexpected argument "
                                                            "'picture.bmp'\n");
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
    QTest::newRow("the null device") << "/dev/null" << false;
    QTest::newRow("a regular file") << "a-file" << true;
}

void TestRender::outputThatIsNotAFolderSaysSo() {
    // --out naming something that is not a folder fails before drawing, and says why.
    QFETCH(QString, out);
    QFETCH(bool, inTemporaryFolder);
    QTemporaryDir tmp;
    if (inTemporaryFolder) {
        out = tmp.filePath(out);
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    const Run run = render({"--seed", "5", "--out", out});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains((out + " is not a folder").toLocal8Bit()), run.err.constData());
    QVERIFY(run.out.isEmpty());
    if (inTemporaryFolder)
        QCOMPARE(filesIn(tmp.path()).size(), 1);
}

void TestRender::existingFilesAreKeptUnlessForced() {
    // A file with the name of the image to save is kept, and the renderer stops with a message,
    // unless --force is given. The names carry the clock's time, so every name the run could
    // take in the next minute exists beforehand.
    QTemporaryDir tmp;
    const QDateTime now = QDateTime::currentDateTime();
    QStringList placed;
    for (int s = -1; s <= 60; ++s) {
        const QString name =
            now.addSecs(s).toString(QStringLiteral("'T'yyyyMMddHHmmss")) + "-1.jpg";
        QFile file(QDir(tmp.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
        placed << name;
    }
    const Run refused = render({"--seed", "5", "--type", "1", "--out", tmp.path()});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("--force"), refused.err.constData());
    QVERIFY(!refused.err.trimmed().contains('\n'));
    auto files = filesIn(tmp.path());
    QCOMPARE(files.size(), placed.size());
    for (const auto& [name, bytes] : files)
        QCOMPARE(bytes, QByteArray("kept"));

    const Run forced = render({"--seed", "5", "--type", "1", "--force", "--out", tmp.path()});
    QCOMPARE(forced.exitCode, 0);
    files = filesIn(tmp.path());
    QCOMPARE(files.size(), placed.size());
    int replaced = 0;
    for (const auto& [name, bytes] : files)
        replaced += bytes.startsWith("BM");
    QCOMPARE(replaced, 1);
}

void TestRender::normalRunsPrintNoWarnings_data() {
    QTest::addColumn<bool>("quiet");
    QTest::newRow("normal") << false;
    QTest::newRow("-q") << true;
}

void TestRender::normalRunsPrintNoWarnings() {
    // Without a runtime folder, a run prints no warning; -q prints nothing at all, and progress
    // is shown only on a terminal.
    QFETCH(bool, quiet);
    QTemporaryDir tmp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QStringList arguments{"--seed", "7", "--type", "1", "--count", "2", "--out", tmp.path()};
    if (quiet)
        arguments << "-q";
    const Run run = render(arguments, environment);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out.isEmpty(), quiet);
    if (!quiet)
        QCOMPARE(run.out.trimmed().split('\n').size(), 2);
    QCOMPARE(filesIn(tmp.path()).size(), 2);
}

QTEST_MAIN(TestRender)
#include "tst_render.moc"
