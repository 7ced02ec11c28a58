// Recipes: written as JSON, read back bit for bit, read strictly with one-line errors naming the
// file and the field, written atomically; and the variations and crosses made from them.

#include "FakeClock.h"
#include "PlaneRender.h"
#include "Recipe.h"
#include "RecipeStore.h"
#include "Variation.h"
#include "World.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cmath>
#include <memory>
#include <tuple>

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
           a.replacements == b.replacements && a.stem == b.stem && a.parents == b.parents &&
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
    void variationsKeepEveryValueInItsRange_data();
    void variationsKeepEveryValueInItsRange();
    void variationsComeFromTheirSeed();
    void weakVariationsChangeLittle_data();
    void weakVariationsChangeLittle();
    void crossTakesEveryValueFromAParent();
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
    Recipe variation = drawnRecipe(8);
    variation.parents = {QStringLiteral("T20240307090503")};
    QTest::newRow("a variation's parent") << variation;
    variation.parents << QStringLiteral("my-rosette.2");
    QTest::newRow("a cross's parents") << variation;
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
    QVERIFY(!json.contains("parents")); // only a variation or a cross has them
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
    QTest::newRow("parents a text") << "parents" << QJsonValue("T1") << "parents";
    QTest::newRow("no parents") << "parents" << QJsonValue(QJsonArray{}) << "parents";
    QTest::newRow("three parents")
        << "parents" << QJsonValue(QJsonArray{"T1", "T2", "T3"}) << "parents";
    QTest::newRow("a parent with a slash")
        << "parents" << QJsonValue(QJsonArray{"T1", "../T2"}) << "parents[1]";
    QTest::newRow("a parent a number") << "parents" << QJsonValue(QJsonArray{5}) << "parents[0]";
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

namespace {

// The numbers of a recipe that a variation or a cross may change, with their ranges' widths:
// the thirteen singles, n4, and the base, phase and divisor of each wave.
struct Number {
    QString name;
    double value;
    double range;
    double rounding; // how far its rounding to a whole or even number, or a single, may move it
};

QList<Number> numbersOf(const Recipe& r) {
    using recipeFields::Kind;
    QList<Number> numbers;
    for (const auto& f : recipeFields::singleFields)
        numbers.push_back({QLatin1String(f.name), r.*(f.member), f.high - f.low,
                           f.kind == Kind::Whole  ? 0.5
                           : f.kind == Kind::Even ? 1.0
                                                  : 1e-5});
    numbers.push_back({QStringLiteral("n4"), r.n4, 0.8, 0});
    const palette::Waves& w = r.waves;
    for (const auto& [name, value, range, rounding] :
         {std::tuple{"base1", double(w.base1), 19.0, 0.5},
          {"base2", w.base2, 19.0, 0.5},
          {"base3", w.base3, 19.0, 0.5},
          {"phase1", w.phase1, 6.28, 0.0},
          {"phase2", w.phase2, 6.28, 0.0},
          {"phase3", w.phase3, 6.28, 0.0},
          {"div1", w.div1, w.base1, 0.0},
          {"div2", w.div2, w.base2, 0.0},
          {"div3", w.div3, w.base3, 0.0}})
        numbers.push_back({QLatin1String(name), value, range, rounding});
    return numbers;
}

// The share of pixels of two pictures of one size that are the same.
double sameShare(const QImage& a, const QImage& b) {
    int same = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            same += a.pixel(x, y) == b.pixel(x, y);
    return double(same) / (a.width() * a.height());
}

} // namespace

void TestRecipe::variationsKeepEveryValueInItsRange_data() {
    QTest::addColumn<double>("strength");
    QTest::addColumn<int>("scope");
    QTest::newRow("wildest, both") << 1.0 << int(VariationScope::Both);
    QTest::newRow("strength 0.3, both") << 0.3 << int(VariationScope::Both);
    QTest::newRow("wildest, shape") << 1.0 << int(VariationScope::Shape);
    QTest::newRow("wildest, colours") << 1.0 << int(VariationScope::Colours);
}

void TestRecipe::variationsKeepEveryValueInItsRange() {
    // Every variation is a recipe the strict reader takes: each value in its range, whole or
    // even where the draw makes it so, each divisor from its base to twice it. A number moves by
    // at most strength^2 x its range (a phase round its circle; a whole number by its rounding
    // too); only the numbers in scope move, and over many seeds every one does. The type, the
    // random state and the replacements stay; the parent's stem is named.
    QFETCH(double, strength);
    QFETCH(int, scope);
    Recipe parent = drawnRecipe(21);
    parent.generationType = 3;
    parent.replacements = {{0x102030, 0x405060}};
    const QList<Number> before = numbersOf(parent);
    QSet<QString> moved;
    for (std::uint64_t seed = 0; seed < 1000; ++seed) {
        const Recipe v = vary(parent, strength, VariationScope(scope), seed);
        Recipe read;
        QString error;
        QVERIFY2(fromJson(toJson(v), QStringLiteral("variation"), read, error), qPrintable(error));
        QCOMPARE(v.generationType, 3);
        QCOMPARE(v.random, parent.random);
        QCOMPARE(v.replacements, parent.replacements);
        QCOMPARE(v.parents, QStringList{parent.stem});
        const QList<Number> after = numbersOf(v);
        for (qsizetype k = 0; k < after.size(); ++k) {
            const Number& a = after[k];
            const Number& b = before[k];
            if (a.value != b.value)
                moved.insert(a.name);
            if (a.name == "tip" || a.name == "barv" || a.name.startsWith("div"))
                continue; // a choice; a divisor follows its base
            double distance = std::fabs(a.value - b.value);
            if (a.name.startsWith("phase"))
                distance = std::min(distance, 6.28 - distance);
            QVERIFY2(distance <= strength * strength * b.range + b.rounding + 1e-9,
                     qPrintable(QStringLiteral("seed %1: %2 moved from %3 to %4")
                                    .arg(seed)
                                    .arg(a.name)
                                    .arg(b.value)
                                    .arg(a.value)));
        }
    }
    const bool shape = VariationScope(scope) != VariationScope::Colours;
    const bool colours = VariationScope(scope) != VariationScope::Shape;
    for (const Number& n : before) {
        const bool inScope =
            n.name.contains(QRegularExpression("^(base|phase|div)")) ? colours : shape;
        QVERIFY2(moved.contains(n.name) == inScope, qPrintable(n.name));
    }
}

void TestRecipe::variationsComeFromTheirSeed() {
    // The same recipe, strength, scope and seed give the same variation; the k-th of a series
    // from one seed is the variation of seed + k, and the series' variations differ. One seed
    // moves the shape of a Both variation as the Shape one, its colours as the Colours one.
    const Recipe parent = drawnRecipe(22);
    const std::vector<Recipe> ring = variations(parent, 0.4, VariationScope::Both, 77, 8);
    QCOMPARE(ring.size(), std::size_t(8));
    QVERIFY(ring == variations(parent, 0.4, VariationScope::Both, 77, 8));
    for (std::size_t k = 0; k < ring.size(); ++k) {
        QVERIFY(ring[k] == vary(parent, 0.4, VariationScope::Both, 77 + k));
        for (std::size_t m = 0; m < k; ++m)
            QVERIFY(!(ring[k] == ring[m]));
    }
    const Recipe shape = vary(parent, 0.4, VariationScope::Shape, 80);
    const Recipe colours = vary(parent, 0.4, VariationScope::Colours, 80);
    QCOMPARE(shape.waves, parent.waves);
    QCOMPARE(colours.n1, parent.n1);
    Recipe both = shape;
    both.waves = colours.waves;
    QVERIFY(both == ring[3]);
}

void TestRecipe::weakVariationsChangeLittle_data() {
    QTest::addColumn<double>("strength");
    QTest::addColumn<int>("scope");
    QTest::addColumn<bool>("little"); // most pixels stay as they were
    QTest::newRow("weakest, shape") << weakestVariation << int(VariationScope::Shape) << true;
    QTest::newRow("weakest, colours") << weakestVariation << int(VariationScope::Colours) << true;
    QTest::newRow("weakest, both") << weakestVariation << int(VariationScope::Both) << true;
    QTest::newRow("wildest, both") << wildestVariation << int(VariationScope::Both) << false;
}

void TestRecipe::weakVariationsChangeLittle() {
    // The weakest variations leave most pixels of a 200 x 200 picture as they were, on average
    // over ten seeds; the wildest change most of them.
    QFETCH(double, strength);
    QFETCH(int, scope);
    QFETCH(bool, little);
    PlaneRenderer renderer;
    PlaneRenderer::Options size;
    size.width = size.height = 200;
    const Recipe parent = drawnRecipe(23);
    const QImage before = renderer.render(parent, size);
    double same = 0;
    for (const Recipe& v : variations(parent, strength, VariationScope(scope), 1, 10))
        same += sameShare(renderer.render(v, size), before) / 10;
    QVERIFY2(little ? same > 0.85 : same < 0.5, qPrintable(QString::number(same)));
}

void TestRecipe::crossTakesEveryValueFromAParent() {
    // Each parameter, and each wave with its base, phase and divisor together, is one parent's
    // or the other's, and over a few seeds each parent gives each of them. The type and the
    // random state are the first parent's; the replacements are left out; both stems are named.
    Recipe a = drawnRecipe(24);
    Recipe b = drawnRecipe(25);
    a.stem = QStringLiteral("A");
    b.stem = QStringLiteral("B");
    a.replacements = {{1, 2}};
    b.generationType = 4;
    const std::vector<Recipe> made = crosses(a, b, 5, 64);
    QSet<QString> fromA, fromB;
    for (std::size_t k = 0; k < made.size(); ++k) {
        const Recipe& c = made[k];
        QVERIFY(c == cross(a, b, 5 + k));
        QCOMPARE(c.generationType, a.generationType);
        QCOMPARE(c.random, a.random);
        QVERIFY(c.replacements.empty());
        QCOMPARE(c.parents, QStringList({"A", "B"}));
        const QList<Number> mine = numbersOf(c), as = numbersOf(a), bs = numbersOf(b);
        for (qsizetype n = 0; n < mine.size(); ++n) {
            const QString name = mine[n].name;
            // A wave is taken whole: its three values are all at n, n + 3 and n + 6 of one
            // parent's, starting from its base.
            const qsizetype wave = name.startsWith("base")    ? n
                                   : name.startsWith("phase") ? n - 3
                                   : name.startsWith("div")   ? n - 6
                                                              : -1;
            auto same = [&](const QList<Number>& parent) {
                if (wave < 0)
                    return mine[n].value == parent[n].value;
                for (const qsizetype m : {wave, wave + 3, wave + 6})
                    if (mine[m].value != parent[m].value)
                        return false;
                return true;
            };
            QVERIFY2(same(as) || same(bs),
                     qPrintable(QStringLiteral("%1 of cross %2").arg(name).arg(k)));
            if (mine[n].value == as[n].value)
                fromA.insert(name);
            if (mine[n].value == bs[n].value)
                fromB.insert(name);
        }
    }
    QCOMPARE(fromA.size(), numbersOf(a).size());
    QCOMPARE(fromB.size(), numbersOf(a).size());
}

QTEST_MAIN(TestRecipe)
#include "tst_recipe.moc"
