// Saving the canvas: a 24-bit bitmap under stem + ".jpg", written atomically, failures reported.

#include "ImageSaver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
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
    void fullDiskLeavesEarlierFileIntact();
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
    if (kind == "under file")
        QCOMPARE(readAll(root.filePath(QStringLiteral("blocker"))), QByteArray("x"));
}

void TestSaving::fullDiskLeavesEarlierFileIntact() {
    // Running out of space (a file-size limit stands in for a full disk) keeps the earlier file.
    QTemporaryDir tmp;
    Surface canvas(side, side, grey);
    Surface buffer(side, side, grey);
    paintPattern(canvas, 0);
    const SaveResult first = SaveImage(canvas, buffer, 458, 458, tmp.path(), stem);
    QVERIFY(first.ok);
    const QByteArray earlierBytes = readAll(first.path);

    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;                            // the bitmap is about 600 kB
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // get EFBIG instead of a signal
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    paintPattern(canvas, 100);
    const SaveResult result = SaveImage(canvas, buffer, 458, 458, tmp.path(), stem);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(first.path), qPrintable(result.error));
    QCOMPARE(readAll(first.path), earlierBytes);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{stem + ".jpg"});
}

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
