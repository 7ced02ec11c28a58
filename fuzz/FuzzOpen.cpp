// Opening a file as the command line, the open command and a file dropped on the window do
// (openRecipe, ownImage), with the fuzzer's bytes as the recipe and the image: the input's first
// byte picks the argument and which files hold the bytes; the rest is the recipe's text, then
// after a NUL byte the image's bytes. A file opened reads to the recipe the store holds; a file
// refused gives one line.

#include "FuzzSupport.h"
#include "OpenRecipe.h"
#include "World.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString stem = QStringLiteral("T20240307090503");
QString folder;  // the fuzz target's own, where relative arguments start
QString recipes; // the recipe folder
QString saves;   // the save folder
QString other;   // any other folder

// The file at `path` holds `contents`, or is not there without them.
void place(const QString& path, bool there, const QByteArray& contents) {
    if (!there) {
        QFile::remove(path);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(contents) != contents.size())
        fuzz::broken("the fuzz target's files can be written", path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv, "rosette");
    // In memory where there is a memory file system: every input writes its files.
    const QString shm = QStringLiteral("/dev/shm");
    static QTemporaryDir root(QFileInfo(shm).isDir() && QFileInfo(shm).isWritable()
                                  ? shm + QStringLiteral("/rosette-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/rosette-fuzz-XXXXXX"));
    for (const char* folder : {"recipes", "saves", "other"})
        if (!root.isValid() || !QDir(root.path()).mkpath(QString::fromLatin1(folder)))
            fuzz::broken("the fuzz target's folders can be made", root.path());
    recipes = root.filePath(QStringLiteral("recipes"));
    saves = root.filePath(QStringLiteral("saves"));
    other = root.filePath(QStringLiteral("other"));
    folder = root.path();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const fuzz::InFolder here(folder);
    const unsigned mode = data[0];
    const QByteArray rest = fuzz::bytes(data + 1, size - 1);
    const qsizetype split = rest.indexOf('\0');
    const QByteArray recipeBytes = split < 0 ? rest : rest.left(split);
    const QByteArray imageBytes = split < 0 ? QByteArray() : rest.mid(split + 1);

    // Which files hold the bytes.
    place(recipes + '/' + stem + QStringLiteral(".json"), mode & 0x08, recipeBytes);
    place(other + QStringLiteral("/picture.json"), mode & 0x10, recipeBytes);
    place(saves + '/' + stem + QStringLiteral(".jpg"), mode & 0x20, imageBytes);
    place(other + QStringLiteral("/picture.png"), mode & 0x40, imageBytes);

    // What names the file.
    const QString arguments[] = {
        QStringLiteral("other/picture.json"), // a recipe file
        stem,                                 // a stem
        stem + QStringLiteral(".json"),       // a stem with .json
        stem + QStringLiteral(".jpg"),        // a saved image's name
        QStringLiteral("other/picture.png"),  // an image with its recipe beside
        recipes + '/' + stem + ".json",       // the window's own recipe file
        QStringLiteral("other/missing.jpg"),  // an image that is not there
        QStringLiteral("recipes/") + stem + QStringLiteral(".json"), // the same, relative
    };
    const QString argument = arguments[mode & 0x07];

    OpenedRecipe opened;
    QString error;
    if (!openRecipe(argument, recipes, opened, error)) {
        if (error.isEmpty() || !fuzz::oneLine(error))
            fuzz::broken("a file refused gives one line", error);
        return 0;
    }
    Recipe again;
    if (!readRecipe(opened.path, again, error) || !(again == opened.recipe))
        fuzz::broken("the recipe opened is the one its file holds", opened.path);
    const bool inRecipes =
        QFileInfo(opened.path).absolutePath() == QFileInfo(recipes).absoluteFilePath();
    if (opened.own != inRecipes)
        fuzz::broken("the recipes of the recipe folder and only those are the window's own",
                     opened.path);
    if (opened.own) {
        const QString image = ownImage(opened, saves, QSize(canvasSide, canvasSide));
        if (!image.isEmpty() && image != saves + '/' + stem + QStringLiteral(".jpg"))
            fuzz::broken("an own recipe's image is the one of its stem in the save folder", image);
    }
    return 0;
}
