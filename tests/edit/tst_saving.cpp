// Saving the canvas: a 24-bit bitmap under stem + ".jpg", written atomically, failures reported;
// an image's saves replace only its own file, never another image's.

#include "ImageFile.h"
#include "ImageSaver.h"
#include "PictureFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int side = 453;
constexpr colour::Value grey = colour::rgb(239, 239, 239);
const QString stem = QStringLiteral("T20240307090503");

// A canvas in which every pixel has its own colour.
void paintPattern(Surface& canvas, int salt) {
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            canvas.pset(float(i), float(j), colour::rgb(i % 256, j % 256, (i + j + salt) % 256));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// What another program does to a name: writes its own file and renames it over.
void replaceBehindOurBack(const QString& path, const QByteArray& bytes) {
    writeFile(path + QStringLiteral(".other"), bytes);
    QVERIFY(QFile::exists(path + QStringLiteral(".other")));
    QVERIFY(::rename(QFile::encodeName(path + ".other").constData(),
                     QFile::encodeName(path).constData()) == 0);
}

// The saved file must show exactly the canvas.
void compareWithCanvas(const QString& path, const Surface& canvas) {
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.startsWith("BM"));
    QCOMPARE(int(quint8(bytes[28])) | int(quint8(bytes[29])) << 8, 24); // bits per pixel
    QImage saved;
    QVERIFY(saved.loadFromData(bytes, "BMP"));
    QCOMPARE(saved.size(), QSize(side, side));
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            if (colour::fromQRgb(saved.pixel(i, j)) != canvas.point(float(i), float(j)))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(i).arg(j)));
}

} // namespace

class TestSaving : public QObject {
    Q_OBJECT

private slots:
    void savesCanvasAsBitmap();
    void savingTwiceReplacesTheFile();
    void failuresReportThePathAndKeepEarlierFiles_data();
    void failuresReportThePathAndKeepEarlierFiles();
    void fullDiskLeavesEarlierFileIntact_data();
    void fullDiskLeavesEarlierFileIntact();
    void recipeReplacesOnlyItsOwnFile();
    void fullDiskSaysSo();
    void imageSavesNeverReplaceAnotherFile_data();
    void imageSavesNeverReplaceAnotherFile();
    void refusingKeepsAnExistingFile();
    void programsSavingAtOnceKeepEveryImage();
};

void TestSaving::savesCanvasAsBitmap() {
    // A 453 x 453, 24-bit BMP named stem.jpg holds the canvas exactly; a missing folder is made.
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("pictures/rosette"));
    Surface canvas(side, side, grey);
    Surface buffer(side, side, grey);
    paintPattern(canvas, 0);
    const SaveResult result = SaveImage(canvas, buffer, 458, 458, folder, stem);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.error.isEmpty());
    QCOMPARE(result.path, QDir(folder).filePath(stem + ".jpg"));
    QCOMPARE(buffer.image(), canvas.image());
    compareWithCanvas(result.path, canvas);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{stem + ".jpg"});
}

void TestSaving::savingTwiceReplacesTheFile() {
    // A second save to the same stem replaces the first file, leaving one file.
    QTemporaryDir tmp;
    Surface canvas(side, side, grey);
    Surface buffer(side, side, grey);
    paintPattern(canvas, 0);
    QVERIFY(SaveImage(canvas, buffer, 458, 458, tmp.path(), stem).ok);
    paintPattern(canvas, 100);
    const SaveResult second = SaveImage(canvas, buffer, 458, 458, tmp.path(), stem);
    QVERIFY2(second.ok, qPrintable(second.error));
    compareWithCanvas(second.path, canvas);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{stem + ".jpg"});
}

void TestSaving::failuresReportThePathAndKeepEarlierFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder under a regular file") << "under file";
    QTest::newRow("folder not writable") << "read-only";
    QTest::newRow("path taken by a folder") << "folder in the way";
    QTest::newRow("folder is a file") << "is a file";
}

void TestSaving::failuresReportThePathAndKeepEarlierFiles() {
    // A failed save names the path and leaves earlier files untouched and no temporary file.
    QFETCH(QString, kind);
    QTemporaryDir tmp;
    const QDir root(tmp.path());
    Surface canvas(side, side, grey);
    Surface buffer(side, side, grey);
    paintPattern(canvas, 0);
    QString folder = root.filePath(QStringLiteral("out"));
    QVERIFY(root.mkdir(QStringLiteral("out")));

    if (kind == "under file") {
        QFile blocker(root.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("x") == 1);
        blocker.close();
        folder = blocker.fileName() + QStringLiteral("/sub");
    } else if (kind == "read-only") {
        if (geteuid() == 0)
            QSKIP("running as root: permission bits do not stop root from writing");
        QVERIFY(SaveImage(canvas, buffer, 458, 458, folder, stem).ok); // an earlier file
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    } else if (kind == "is a file") {
        QVERIFY(root.rmdir(QStringLiteral("out")));
        writeFile(folder, "x");
    } else {
        QVERIFY(QDir(folder).mkdir(stem + ".jpg"));
    }
    const QString earlier = QDir(folder).filePath(stem + ".jpg");
    const QByteArray earlierBytes = readAll(earlier);
    const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden);
    const QStringList rootBefore = root.entryList(QDir::AllEntries | QDir::Hidden);

    paintPattern(canvas, 100);
    const SaveResult result = SaveImage(canvas, buffer, 458, 458, folder, stem);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QDir::toNativeSeparators(earlier)), qPrintable(result.error));
    QCOMPARE(readAll(earlier), earlierBytes);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden), before);
    QCOMPARE(root.entryList(QDir::AllEntries | QDir::Hidden), rootBefore);
    if (kind == "under file" || kind == "is a file") {
        const QString file =
            kind == "is a file" ? folder : root.filePath(QStringLiteral("blocker"));
        QCOMPARE(readAll(file), QByteArray("x"));
        QVERIFY2(result.error.endsWith(QDir::toNativeSeparators(file) + " is not a folder"),
                 qPrintable(result.error));
    }
}

void TestSaving::fullDiskLeavesEarlierFileIntact_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("limit"); // bytes a file may grow to while the second save runs
    QTest::newRow("the canvas as a bitmap") << "bitmap" << 64 * 1024; // about 600 kB
    QTest::newRow("a picture encoded as PNG") << "png" << 1024;
    QTest::newRow("an image's recipe") << "recipe" << 512;
}

void TestSaving::fullDiskLeavesEarlierFileIntact() {
    // Running out of space (a file-size limit stands in for a full disk) fails the save with the
    // system's reason and keeps the earlier file as it was, with no temporary left.
    QFETCH(QString, kind);
    QFETCH(int, limit);
    QTemporaryDir tmp;
    Surface canvas(side, side, grey);
    Surface buffer(side, side, grey);
    ImageFile image; // whose recipe is saved
    auto save = [&](int salt) {
        paintPattern(canvas, salt);
        if (kind == "bitmap")
            return SaveImage(canvas, buffer, 458, 458, tmp.path(), stem);
        if (kind == "recipe")
            return image.saveRecipe(QByteArray(1000 + salt, 'r'), tmp.path());
        SaveResult result;
        result.path = QDir(tmp.path()).filePath(stem + ".png");
        const auto file = stagePicture(canvas.image(), tmp.path(), "png", result.error);
        result.ok = file && file->placeOver(result.path) == 0;
        return result;
    };
    if (kind == "recipe")
        QVERIFY(image.save(canvas.image(), tmp.path(), stem).ok);
    const SaveResult first = save(0);
    QVERIFY2(first.ok, qPrintable(first.error));
    const QStringList files = QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden);
    const QByteArray earlierBytes = readAll(first.path);

    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = rlim_t(limit);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // get EFBIG instead of a signal
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const SaveResult result = save(100);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QStringLiteral("File too large")), qPrintable(result.error));
    QCOMPARE(readAll(first.path), earlierBytes);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), files);
}

void TestSaving::recipeReplacesOnlyItsOwnFile() {
    // An image's recipe is saved under the saved file's name in the recipe folder; a later save
    // replaces it, but a file another program put at that name is kept, and the save says so.
    QTemporaryDir tmp;
    const QString recipes = tmp.filePath(QStringLiteral("recipes"));
    Surface canvas(side, side, grey);
    ImageFile image;
    QVERIFY(image.save(canvas.image(), tmp.path(), stem).ok);
    const SaveResult first = image.saveRecipe("{}", recipes);
    QVERIFY2(first.ok, qPrintable(first.error));
    QCOMPARE(first.path, QDir(recipes).filePath(stem + ".json"));
    QVERIFY(image.saveRecipe("{ }", recipes).ok);
    QCOMPARE(readAll(first.path), QByteArray("{ }"));

    replaceBehindOurBack(first.path, "another program's");
    const SaveResult kept = image.saveRecipe("{  }", recipes);
    QVERIFY(!kept.ok);
    QVERIFY2(kept.error.contains(QStringLiteral("exists and is kept")), qPrintable(kept.error));
    QCOMPARE(readAll(first.path), QByteArray("another program's"));
    QCOMPARE(QDir(recipes).entryList(QDir::Files | QDir::Hidden), QStringList{stem + ".json"});
}

void TestSaving::fullDiskSaysSo() {
    // A write that finds no space (the full device stands in for a full disk) says so.
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        QSKIP("no /dev/full here");
    const QString reason = writeFully(fd, QByteArray(600 * 1024, 'x'));
    ::close(fd);
    QCOMPARE(reason, QStringLiteral("No space left on device"));
}

void TestSaving::imageSavesNeverReplaceAnotherFile_data() {
    // What happens to stem.jpg before the second image's first save, and the files expected
    // afterwards: the first image's, and the second image's, which stays its own.
    QTest::addColumn<QString>("between");
    QTest::addColumn<QString>("secondName");
    QTest::newRow("another image begun in the same second") << ""
                                                            << "T20240307090503-2.jpg";
    QTest::newRow("the first file removed") << "remove"
                                            << "T20240307090503.jpg";
    QTest::newRow("a folder of that name") << "folder"
                                           << "T20240307090503-2.jpg";
    QTest::newRow("-2 taken as well") << "take -2"
                                      << "T20240307090503-3.jpg";
}

void TestSaving::imageSavesNeverReplaceAnotherFile() {
    // Each image's first save takes the first free name; its later saves replace its own file
    // (and nothing else), even after another program put its own file at that name.
    QFETCH(QString, between);
    QFETCH(QString, secondName);
    QTemporaryDir tmp;
    const QDir folder(tmp.path());
    Surface first(side, side, grey);
    Surface second(side, side, grey);
    paintPattern(first, 0);
    paintPattern(second, 50);
    ImageFile firstImage;
    ImageFile secondImage;

    const SaveResult a = firstImage.save(first.image(), tmp.path(), stem);
    QVERIFY2(a.ok, qPrintable(a.error));
    QCOMPARE(a.path, folder.filePath(stem + ".jpg"));
    const QByteArray firstBytes = readAll(a.path);
    if (between == "remove")
        QVERIFY(QFile::remove(a.path));
    else if (between == "folder")
        QVERIFY(QFile::rename(a.path, folder.filePath("elsewhere.jpg")) &&
                folder.mkdir(stem + ".jpg"));
    else if (between == "take -2")
        writeFile(folder.filePath(stem + "-2.jpg"), "someone else's");
    const QStringList before = folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const SaveResult b = secondImage.save(second.image(), tmp.path(), stem);
    QVERIFY2(b.ok, qPrintable(b.error));
    QCOMPARE(b.path, folder.filePath(secondName));
    QStringList expected = before + QStringList{secondName};
    expected.sort();
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), expected);
    compareWithCanvas(b.path, second);
    if (between.isEmpty() || between == "take -2")
        QCOMPARE(readAll(a.path), firstBytes);

    // A later save of the second image (after a recolouring, say) replaces its own file.
    paintPattern(second, 120);
    const SaveResult again = secondImage.save(second.image(), tmp.path(), stem);
    QVERIFY2(again.ok, qPrintable(again.error));
    QCOMPARE(again.path, b.path);
    compareWithCanvas(again.path, second);

    // Another program replaces that file: the next save keeps the other file and moves on.
    const QByteArray otherBytes("another program's picture");
    replaceBehindOurBack(b.path, otherBytes);
    const SaveResult moved = secondImage.save(second.image(), tmp.path(), stem);
    QVERIFY2(moved.ok, qPrintable(moved.error));
    QVERIFY(moved.path != b.path);
    QCOMPARE(readAll(b.path), otherBytes);
    compareWithCanvas(moved.path, second);
    if (between.isEmpty())
        QCOMPARE(readAll(a.path), firstBytes);
    // and keeps using its new name
    QCOMPARE(secondImage.save(second.image(), tmp.path(), stem).path, moved.path);
    const QStringList hidden = folder.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    QVERIFY2(hidden.isEmpty(), qPrintable(hidden.join(' '))); // no temporary left behind

    // A new image forgets the old name: its save never replaces the file just written.
    const QByteArray movedBytes = readAll(moved.path);
    secondImage.forget();
    const SaveResult fresh = secondImage.save(first.image(), tmp.path(), stem);
    QVERIFY(fresh.ok && fresh.path != moved.path);
    QCOMPARE(readAll(moved.path), movedBytes);
}

void TestSaving::refusingKeepsAnExistingFile() {
    // Told to refuse, a save keeps the file that has its name and says so.
    QTemporaryDir tmp;
    Surface canvas(side, side, grey);
    Surface buffer(side, side, grey);
    paintPattern(canvas, 0);
    const QString path = QDir(tmp.path()).filePath(stem + ".jpg");
    writeFile(path, "kept");
    const SaveResult result =
        SaveImage(canvas, buffer, 458, 458, tmp.path(), stem, Existing::Refuse);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains("exists already"), qPrintable(result.error));
    QCOMPARE(readAll(path), QByteArray("kept"));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{stem + ".jpg"});
}

void TestSaving::programsSavingAtOnceKeepEveryImage() {
    // Several savers writing images with one stem into one folder at the same moment: every
    // image ends in a file of its own, byte for byte.
    QTemporaryDir tmp;
    constexpr int savers = 4;
    constexpr int rounds = 3;
    std::vector<std::unique_ptr<Surface>> canvases;
    for (int k = 0; k < savers * rounds; ++k) {
        canvases.push_back(std::make_unique<Surface>(side, side, grey));
        paintPattern(*canvases.back(), 17 * k);
    }
    std::vector<SaveResult> results(canvases.size());
    std::vector<std::thread> threads;
    for (int t = 0; t < savers; ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < rounds; ++r) {
                ImageFile file; // a new image each round
                const std::size_t k = std::size_t(t * rounds + r);
                results[k] = file.save(canvases[k]->image(), tmp.path(), stem);
            }
        });
    for (std::thread& t : threads)
        t.join();
    QSet<QString> paths;
    for (std::size_t k = 0; k < results.size(); ++k) {
        QVERIFY2(results[k].ok, qPrintable(results[k].error));
        paths.insert(results[k].path);
        compareWithCanvas(results[k].path, *canvases[k]);
    }
    QCOMPARE(paths.size(), savers * rounds);
    QCOMPARE(
        QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
        savers * rounds);
}

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
