// Recipes: written as JSON, read back bit for bit, read strictly with one-line errors naming the
// file and the field, written atomically.

#include "FakeClock.h"
#include "Recipe.h"
#include "RecipeStore.h"
#include "World.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cmath>
#include <memory>

namespace {

// The recipe of the first image a world seeded at `seconds` draws.
Recipe drawnRecipe(double seconds) {
    FakeClock clock(seconds);
    World w(clock);
    setStartUpSettings(w.state);
    w.state.nac = 1;
    w.seedFromClock();
    MakePalette(w);
    beginImage(w);
    return recipeOf(w);
}

// True when every number of the two recipes has the same bits.
bool sameBits(const Recipe& a, const Recipe& b) {
    auto f = [](float v) { return std::bit_cast<std::uint32_t>(v); };
    auto d = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    const float Recipe::*singles[] = {
        &Recipe::tip,   &Recipe::barv,  &Recipe::f1,    &Recipe::f2,    &Recipe::n1,
        &Recipe::n2,    &Recipe::n3,    &Recipe::komp1, &Recipe::komp2, &Recipe::komp3,
        &Recipe::baf01, &Recipe::baf02, &Recipe::baf03};
    for (auto member : singles)
        if (f(a.*member) != f(b.*member))
            return false;
    const palette::Waves& p = a.waves;
    const palette::Waves& q = b.waves;
    return d(a.n4) == d(b.n4) && f(p.base1) == f(q.base1) && f(p.base2) == f(q.base2) &&
           f(p.base3) == f(q.base3) && d(p.phase1) == d(q.phase1) && d(p.phase2) == d(q.phase2) &&
           d(p.phase3) == d(q.phase3) && f(p.div1) == f(q.div1) && f(p.div2) == f(q.div2) &&
           f(p.div3) == f(q.div3) && a.generationType == b.generationType && a.random == b.random &&
           a.replacements == b.replacements && a.stem == b.stem &&
           a.programVersion == b.programVersion;
}

// Sets (or, with an undefined value, removes) the field at a dotted path such as
// "parameters.n1" or "replacements.0.pressed".
void setField(QJsonObject& top, const QStringList& path, const QJsonValue& value) {
    if (path.size() == 1) {
        if (value.isUndefined())
            top.remove(path[0]);
        else
            top[path[0]] = value;
        return;
    }
    if (top[path[0]].isArray()) {
        QJsonArray list = top[path[0]].toArray();
        const int k = path[1].toInt();
        if (path.size() == 2) { // a word of a list of numbers
            list[k] = value;
            top[path[0]] = list;
            return;
        }
        QJsonObject item = list[k].toObject();
        setField(item, path.mid(2), value);
        list[k] = item;
        top[path[0]] = list;
        return;
    }
    QJsonObject inner = top[path[0]].toObject();
    setField(inner, path.mid(1), value);
    top[path[0]] = inner;
}

} // namespace

class TestRecipe : public QObject {
    Q_OBJECT

private slots:
    void roundTripIsBitForBit_data();
    void roundTripIsBitForBit();
    void singlesAreWrittenShort();
    void badFieldsGiveOneLineErrors_data();
    void badFieldsGiveOneLineErrors();
    void fileIsReadBack();
    void formatOneIsStillRead_data();
    void formatOneIsStillRead();
    void recipeOfTakesTheImageAndItsStrip();
    void storeListsNewestFirst();
    void storeFindsTheRecipeNamed_data();
    void storeFindsTheRecipeNamed();
};

void TestRecipe::roundTripIsBitForBit_data() {
    QTest::addColumn<Recipe>("recipe");
    for (double seconds : {0.0, 1.0, 32703.25, 45000.5, 86399.0})
        QTest::addRow("drawn at %g s", seconds) << drawnRecipe(seconds);
    Recipe edges = drawnRecipe(7);
    // Values whose shortest text is long, the ends of the ranges, the neighbours of round values.
    edges.n1 = std::nextafter(20.0f, 30.0f);
    edges.n2 = std::nextafter(30.0f, 0.0f);
    edges.n3 = 3.0000002f;
    edges.n4 = std::nextafter(0.9, 0.0);
    edges.baf01 = 40.0f;
    edges.baf02 = std::nextafter(2.0f, 3.0f);
    edges.baf03 = 123.456789f;
    edges.waves.phase1 = 6.28;
    edges.waves.phase2 = std::nextafter(0.0, 1.0);
    edges.waves.div1 = std::nextafter(2 * edges.waves.base1, 0.0f);
    edges.replacements = {{0x123456, 0}, {16777215, 42}, {42, 0x123456}};
    edges.random = {0, 4294967295u, 1, 0x80000000u};
    QTest::newRow("edges and replacements") << edges;
}

void TestRecipe::roundTripIsBitForBit() {
    // Written and read back, every single and double has the same bits, and the replacements,
    // stem and versions are the same.
    QFETCH(Recipe, recipe);
    Recipe back;
    QString error;
    QVERIFY2(fromJson(toJson(recipe), QStringLiteral("test.json"), back, error), qPrintable(error));
    QVERIFY(sameBits(back, recipe));
    QCOMPARE(toJson(back), toJson(recipe));
}

void TestRecipe::singlesAreWrittenShort() {
    // A single is written as its shortest text (20.3, not 20.299999237060547); the double n4
    // with 17 significant digits (its shortest text would be 0.8999999999999999).
    Recipe r = drawnRecipe(3);
    r.n1 = 20.3f;
    r.baf02 = 2.5f;
    r.n4 = std::nextafter(0.9, 0.0);
    const QByteArray json = toJson(r);
    QVERIFY2(json.contains("\"n4\": 0.89999999999999991,"), json.constData());
    QVERIFY2(json.contains("\"n1\": 20.3,"), json.constData());
    QVERIFY2(json.contains("\"baf02\": 2.5,"), json.constData());
    QVERIFY(json.contains("\"formatVersion\": 2"));
}

void TestRecipe::badFieldsGiveOneLineErrors_data() {
    QTest::addColumn<QString>("path");     // the field changed, dotted
    QTest::addColumn<QJsonValue>("value"); // its new value; undefined removes it
    QTest::addColumn<QString>("named");    // the field the error names
    const QJsonValue gone(QJsonValue::Undefined);
    QTest::newRow("format version missing") << "formatVersion" << gone << "formatVersion";
    QTest::newRow("unknown format version") << "formatVersion" << QJsonValue(3) << "formatVersion";
    QTest::newRow("format version 1.5") << "formatVersion" << QJsonValue(1.5) << "formatVersion";
    QTest::newRow("format version as text")
        << "formatVersion" << QJsonValue("1") << "formatVersion";
    QTest::newRow("stem missing") << "stem" << gone << "stem";
    QTest::newRow("stem with a slash") << "stem" << QJsonValue("../T1") << "stem";
    QTest::newRow("stem a number") << "stem" << QJsonValue(5) << "stem";
    QTest::newRow("program version missing") << "programVersion" << gone << "programVersion";
    QTest::newRow("type 5") << "generationType" << QJsonValue(5) << "generationType";
    QTest::newRow("type 1.5") << "generationType" << QJsonValue(1.5) << "generationType";
    QTest::newRow("random missing") << "random" << gone << "random";
    QTest::newRow("random a number") << "random" << QJsonValue(7) << "random";
    QTest::newRow("random of three words")
        << "random" << QJsonValue(QJsonArray{1, 2, 3}) << "random";
    QTest::newRow("random four zeros")
        << "random" << QJsonValue(QJsonArray{0, 0, 0, 0}) << "random";
    QTest::newRow("random word negative") << "random.1" << QJsonValue(-1) << "random[1]";
    QTest::newRow("random word 2^32") << "random.3" << QJsonValue(4294967296.0) << "random[3]";
    QTest::newRow("random word fraction") << "random.0" << QJsonValue(2.5) << "random[0]";
    QTest::newRow("random word as text") << "random.2" << QJsonValue("5") << "random[2]";
    QTest::newRow("parameters missing") << "parameters" << gone << "parameters";
    QTest::newRow("parameters a list") << "parameters" << QJsonValue(QJsonArray{}) << "parameters";
    QTest::newRow("tip missing") << "parameters.tip" << gone << "parameters.tip";
    QTest::newRow("tip 0") << "parameters.tip" << QJsonValue(0) << "parameters.tip";
    QTest::newRow("tip 2.5") << "parameters.tip" << QJsonValue(2.5) << "parameters.tip";
    QTest::newRow("barv 6") << "parameters.barv" << QJsonValue(6) << "parameters.barv";
    QTest::newRow("f1 odd") << "parameters.f1" << QJsonValue(7) << "parameters.f1";
    QTest::newRow("f2 26") << "parameters.f2" << QJsonValue(26) << "parameters.f2";
    QTest::newRow("n1 as text") << "parameters.n1" << QJsonValue("20") << "parameters.n1";
    QTest::newRow("n1 null") << "parameters.n1" << QJsonValue(QJsonValue::Null) << "parameters.n1";
    QTest::newRow("n2 too large") << "parameters.n2" << QJsonValue(31) << "parameters.n2";
    QTest::newRow("n3 huge") << "parameters.n3" << QJsonValue(1e300) << "parameters.n3";
    QTest::newRow("n4 missing") << "parameters.n4" << gone << "parameters.n4";
    QTest::newRow("n4 negative") << "parameters.n4" << QJsonValue(-0.5) << "parameters.n4";
    QTest::newRow("komp1 fraction")
        << "parameters.komp1" << QJsonValue(120.5) << "parameters.komp1";
    QTest::newRow("komp3 150") << "parameters.komp3" << QJsonValue(150) << "parameters.komp3";
    QTest::newRow("baf01 19") << "parameters.baf01" << QJsonValue(19) << "parameters.baf01";
    QTest::newRow("baf03 missing") << "parameters.baf03" << gone << "parameters.baf03";
    QTest::newRow("palette missing") << "palette" << gone << "palette";
    QTest::newRow("base1 40") << "palette.base1" << QJsonValue(40) << "palette.base1";
    QTest::newRow("phase2 7") << "palette.phase2" << QJsonValue(7) << "palette.phase2";
    QTest::newRow("div3 beyond twice base") << "palette.div3" << QJsonValue(100) << "palette.div3";
    QTest::newRow("div1 missing") << "palette.div1" << gone << "palette.div1";
    QTest::newRow("replacements missing") << "replacements" << gone << "replacements";
    QTest::newRow("replacements an object")
        << "replacements" << QJsonValue(QJsonObject{}) << "replacements";
    QTest::newRow("pressed colour too large")
        << "replacements.0.pressed" << QJsonValue(16777216) << "replacements[0].pressed";
    QTest::newRow("put colour missing")
        << "replacements.0.colour" << gone << "replacements[0].colour";
    QTest::newRow("put colour negative")
        << "replacements.0.colour" << QJsonValue(-1) << "replacements[0].colour";
}

void TestRecipe::badFieldsGiveOneLineErrors() {
    // A recipe with one bad field is refused with one line that names the file and the field,
    // and the recipe handed in is left as it was.
    QFETCH(QString, path);
    QFETCH(QJsonValue, value);
    QFETCH(QString, named);
    Recipe good = drawnRecipe(11);
    good.replacements = {{0x102030, 0x405060}};
    QJsonObject top = QJsonDocument::fromJson(toJson(good)).object();
    setField(top, path.split(QLatin1Char('.')), value);

    Recipe read = drawnRecipe(12);
    const Recipe before = read;
    QString error;
    QVERIFY(!fromJson(QJsonDocument(top).toJson(), QStringLiteral("/tmp/x/bad.json"), read, error));
    QVERIFY2(error.startsWith(QStringLiteral("/tmp/x/bad.json: ")), qPrintable(error));
    QVERIFY2(error.contains(named + QLatin1Char(' ')), qPrintable(error));
    QVERIFY(!error.contains(QLatin1Char('\n')));
    QVERIFY(read == before);
}

void TestRecipe::fileIsReadBack() {
    // A recipe file reads back bit for bit; a broken file and a missing file give one-line
    // errors naming the path.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("T20240307090503.json"));
    Recipe r = drawnRecipe(5);
    r.replacements.push_back({1, 2});
    {
        QFile written(path);
        QVERIFY(written.open(QIODevice::WriteOnly));
        QCOMPARE(written.write(toJson(r)), toJson(r).size());
    }
    Recipe back;
    QString error;
    QVERIFY2(readRecipe(path, back, error), qPrintable(error));
    QVERIFY(sameBits(back, r));

    const QString broken = dir.filePath(QStringLiteral("broken.json"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toJson(r).left(100));
    file.close();
    QVERIFY(!readRecipe(broken, back, error));
    QVERIFY2(error.startsWith(broken + QStringLiteral(": not a recipe")), qPrintable(error));
    QVERIFY(!readRecipe(dir.filePath(QStringLiteral("none.json")), back, error));
    QVERIFY(error.contains(QStringLiteral("none.json")));
}

void TestRecipe::formatOneIsStillRead_data() {
    QTest::addColumn<QString>("stem");
    QTest::addColumn<double>("seconds"); // the time of day the random source is seeded with
    QTest::newRow("drawn at 09:05:03") << "T20240307090503" << 32703.0;
    QTest::newRow("drawn at midnight") << "T20240307000000" << 0.0;
    QTest::newRow("drawn at 23:59:59") << "T20241231235959" << 86399.0;
    QTest::newRow("a stem without a time") << "my-rosette" << 0.0;
}

void TestRecipe::formatOneIsStillRead() {
    // A recipe of format 1 kept no random state: it is read with the state of a source seeded
    // with the stem's time of day, and everything else as written.
    QFETCH(QString, stem);
    QFETCH(double, seconds);
    Recipe r = drawnRecipe(9);
    r.stem = stem;
    QJsonObject top = QJsonDocument::fromJson(toJson(r)).object();
    top[QStringLiteral("formatVersion")] = 1;
    top.remove(QStringLiteral("random"));
    Recipe back;
    QString error;
    QVERIFY2(fromJson(QJsonDocument(top).toJson(), QStringLiteral("old.json"), back, error),
             qPrintable(error));
    QCOMPARE(back.random, Random(float(seconds)).state());
    QVERIFY(back.random != r.random);
    back.random = r.random;
    QVERIFY(sameBits(back, r));
}

void TestRecipe::recipeOfTakesTheImageAndItsStrip() {
    // The recipe holds the parameters as drawn, the strip's nine values, the type and the stem;
    // restoring its strip paints the same strip again.
    FakeClock clock(1234.5);
    World w(clock);
    setStartUpSettings(w.state);
    w.state.nac = 3;
    w.seedFromClock();
    MakePalette(w);
    Sweep sweep = beginImage(w);
    const Recipe r = recipeOf(w);
    // The random state is the one the sweep's draws start from: a sweep from it on another
    // canvas paints the same image and leaves the source where the world's sweep leaves it.
    QCOMPARE(r.random, w.random.state());
    const auto replayed = std::make_unique<GeneratorState>(w.state);
    sweep.runToEnd();
    QCOMPARE(recipeOf(w).random, r.random);
    Random random;
    random.setState(r.random);
    Surface canvas(canvasSide, canvasSide, pictureBackground);
    Sweep(*replayed, random, w.strip, canvas).runToEnd();
    QCOMPARE(random.state(), w.random.state());
    QCOMPARE(canvas.image(), w.canvas.image());
    QCOMPARE(r.n4, w.state.n4);
    QCOMPARE(r.baf03, w.state.baf03);
    QCOMPARE(r.generationType, 3);
    QCOMPARE(r.stem, w.state.imeslike);
    QCOMPARE(r.waves.div2, w.waves.div2);
    QVERIFY(r.replacements.empty());

    World other(clock);
    restorePalette(other, r.waves);
    QCOMPARE(other.strip.image(), w.strip.image());
    setStartUpSettings(other.state);
    applyParameters(r, other.state);
    QCOMPARE(recipeOf(other).komp2, r.komp2);
    QCOMPARE(other.state.imeslike, r.stem);
}

namespace {

// Writes `bytes` to `path`, modified at `modified` when that is valid.
bool put(const QString& path, const QByteArray& bytes, const QDateTime& modified = {}) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    return !modified.isValid() || file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace

void TestRecipe::storeListsNewestFirst() {
    // The store lists every recipe in its folder by modification time, newest first, and by
    // name, later first, among those of one time; other files are left out.
    QTemporaryDir folder;
    const QDateTime noon(QDate(2024, 3, 7), QTime(12, 0));
    QVERIFY(put(folder.filePath("A.json"), "{}", noon.addDays(-1)));
    QVERIFY(put(folder.filePath("B.json"), "{ }", noon.addSecs(1)));
    QVERIFY(put(folder.filePath("C.json"), "{}", noon));
    QVERIFY(put(folder.filePath("D.json"), "{}", noon));
    QVERIFY(put(folder.filePath("E.jpg"), "not a recipe", noon.addDays(1)));

    const QList<StoredRecipe> listed = RecipeStore(folder.path()).list();
    QStringList stems;
    for (const StoredRecipe& recipe : listed)
        stems << recipe.stem;
    QCOMPARE(stems, QStringList({"B", "D", "C", "A"}));
    QCOMPARE(listed[0].path, folder.filePath("B.json"));
    QCOMPARE(listed[0].size, 3);
    QCOMPARE(listed[0].modified, noon.addSecs(1));
}

void TestRecipe::storeFindsTheRecipeNamed_data() {
    // In the arguments and results, "saved/" is the store's folder, "out/" another folder.
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("found"); // empty: none
    QTest::newRow("a recipe file") << "out/other.json"
                                   << "out/other.json";
    QTest::newRow("a stem") << "A"
                            << "saved/A.json";
    QTest::newRow("a stem with .json") << "A.json"
                                       << "saved/A.json";
    QTest::newRow("a saved image's name") << "B.jpg"
                                          << "saved/B.json";
    QTest::newRow("a saved image's file") << "out/B.jpg"
                                          << "saved/B.json";
    QTest::newRow("an image with its recipe beside it") << "out/D.png"
                                                        << "out/D.json";
    QTest::newRow("an image without a recipe") << "out/C.png"
                                               << "";
    QTest::newRow("an unknown stem") << "Z"
                                     << "";
    QTest::newRow("a missing file") << "out/A.json"
                                    << "";
    QTest::newRow("nothing") << ""
                             << "";
}

void TestRecipe::storeFindsTheRecipeNamed() {
    QFETCH(QString, argument);
    QFETCH(QString, found);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("saved") && QDir(root.path()).mkpath("out"));
    for (const char* name : {"saved/A.json", "saved/B.json", "saved/D.json", "out/other.json",
                             "out/B.jpg", "out/C.png", "out/D.png", "out/D.json"})
        QVERIFY(put(root.filePath(name), "{}"));
    auto inRoot = [&root](const QString& path) {
        return path.isEmpty() ? path : root.filePath(path);
    };
    const bool relative = argument.startsWith("out/");
    QCOMPARE(RecipeStore(root.filePath("saved")).find(relative ? inRoot(argument) : argument),
             inRoot(found));
}

QTEST_MAIN(TestRecipe)
#include "tst_recipe.moc"
