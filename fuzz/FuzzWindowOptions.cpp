// The window program's command line on any arguments (the input split on NUL bytes), in a
// folder with a recipe folder of a good and a broken recipe and a saved image: it either ends
// the program with help, the version or one line and exit code 2, or names no recipe or a
// recipe file that reads.

#include "FuzzSupport.h"
#include "Recipe.h"
#include "WindowCommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QString folder;  // the fuzz target's own, where relative arguments start
QString recipes; // the recipe folder

void write(const QString& path, const QByteArray& contents) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        fuzz::broken("the fuzz target's files can be written", path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv, "rosette");
    static QTemporaryDir root;
    if (!root.isValid() || !QDir(root.path()).mkpath(QStringLiteral("recipes")))
        fuzz::broken("the fuzz target's folder can be made", root.path());
    recipes = root.filePath(QStringLiteral("recipes"));
    Recipe good;
    good.stem = QStringLiteral("T20240307090503");
    good.random = randomOfStem(good.stem);
    good.programVersion = programVersion();
    write(recipes + QStringLiteral("/T20240307090503.json"), toJson(good));
    write(recipes + QStringLiteral("/broken.json"), "{\"formatVersion\": 1}");
    write(root.filePath(QStringLiteral("T20240307090503.jpg")), "not a picture");
    folder = root.path();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList arguments = fuzz::arguments("rosette", data, size);
    const fuzz::InFolder here(folder);
    // One parser for every input: each read starts afresh (QCommandLineParser::parse forgets the
    // last line), and making the parser's options is most of an input's time otherwise.
    static WindowCommandLine commandLine;
    const WindowRequest r = commandLine.read(arguments, recipes);
    const QString shown = arguments.join(QLatin1Char(' '));
    if (fuzz::ended(r, shown))
        return 0;
    Recipe recipe;
    QString error;
    if (!r.opened.isEmpty() && !readRecipe(r.opened, recipe, error))
        fuzz::broken("a recipe named on the command line reads", error);
    return 0;
}
