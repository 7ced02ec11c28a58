// The four generation sweeps: visit orders and counts, resumability, unpainted pixels, symmetry.

#include "FakeClock.h"
#include "World.h"

#include <QSet>
#include <QTest>
#include <cmath>

namespace {

using Visit = std::pair<int, int>;
constexpr colour::Value marker = colour::rgb(255, 255, 255); // never on a strip (max 252)

void startWorld(World& w, int type) {
    setStartUpSettings(w.state);
    w.state.nac = std::int16_t(type);
    w.seedFromClock();
    MakePalette(w);
}

// The cells an image's sweep visits, in order, read from i and j after every single visit.
std::vector<Visit> recordVisits(World& w) {
    Sweep sweep = beginImage(w);
    std::vector<Visit> visits;
    visits.reserve(std::size_t(sweep.totalVisits()));
    while (!sweep.done()) {
        sweep.advance(1);
        visits.emplace_back(w.state.i, w.state.j);
    }
    return visits;
}

// Formula set 2 with an n4 large enough to leave the corners unpainted, kept by a repeat.
void useFormulaSet2(GeneratorState& s) {
    s.tip = 2, s.barv = 1, s.f1 = 10, s.f2 = 8, s.n1 = 15, s.n2 = 20, s.n3 = 6, s.n4 = 0.89;
    s.komp1 = 120, s.komp2 = 130, s.komp3 = 140, s.baf01 = 30, s.baf02 = 3, s.baf03 = 150;
    s.ponovi = 1;
}

QSet<colour::Value> paletteColours(const Surface& strip) {
    QSet<colour::Value> colours;
    for (int k = 0; k <= 67; ++k)
        colours.insert(strip.point(float(10 + 5 * k), 10));
    return colours;
}

} // namespace

class TestSweeps : public QObject {
    Q_OBJECT

private slots:
    void leftToRightOrder();
    void centreRingsOrder();
    void randomPassesVisitEveryCellOnce_data();
    void randomPassesVisitEveryCellOnce();
    void randomPassDrawsColumnBeforeRow_data();
    void randomPassDrawsColumnBeforeRow();
    void chunkedAdvanceMatchesRunToEnd_data();
    void chunkedAdvanceMatchesRunToEnd();
    void unpaintedPixelsKeepEarlierColours_data();
    void unpaintedPixelsKeepEarlierColours();
    void imageIsSymmetricUnderHalfTurn_data();
    void imageIsSymmetricUnderHalfTurn();
};

void TestSweeps::leftToRightOrder() {
    // Type 1 runs column by column from (0, 0) to (458, 458), each column top to bottom.
    FakeClock clock;
    World w(clock);
    startWorld(w, 1);
    Sweep sweep = beginImage(w);
    sweep.advance(1);
    QCOMPARE(Visit(w.state.i, w.state.j), Visit(0, 0));
    QCOMPARE(w.state.x, -3.0);
    QCOMPARE(w.state.y, 3.0);

    const std::vector<Visit> visits = recordVisits(w);
    QCOMPARE(visits.size(), std::size_t(210681));
    QCOMPARE(visits[458], Visit(0, 458));
    QCOMPARE(visits[459], Visit(1, 0));
    QCOMPARE(visits.back(), Visit(458, 458));
    QVERIFY(qFuzzyCompare(w.state.x, 3.0));
    QVERIFY(qFuzzyCompare(w.state.y, -3.0));
}

void TestSweeps::centreRingsOrder() {
    // Type 2 grows rings from (229, 229), ends at (-1, 0) and covers 0..458 exactly once.
    const std::vector<Visit> expectedStart{
        {229, 229}, {230, 229}, {230, 230}, {229, 230}, {228, 230}, {228, 229}, // ring 1
        {228, 228}, {229, 228}, {230, 228}, {231, 228}, {231, 229}, {231, 230}, {231, 231},
        {230, 231}, {229, 231}, {228, 231}, {227, 231}, {227, 230}, {227, 229}, {227, 228}};
    FakeClock clock;
    World w(clock);
    startWorld(w, 2);
    const std::vector<Visit> visits = recordVisits(w);
    QCOMPARE(std::vector<Visit>(visits.begin(), visits.begin() + 20), expectedStart);
    QCOMPARE(visits.size(), std::size_t(212060));
    QCOMPARE(visits.back(), Visit(-1, 0));

    const auto rings = Sweep::ringOrder(458, 458);
    QCOMPARE(rings.size(), visits.size());
    std::vector<int> seen(459 * 459, 0);
    for (std::size_t k = 0; k < rings.size(); ++k) {
        const auto [i, j] = rings[k];
        QCOMPARE(Visit(i, j), visits[k]); // the sweep follows the planned order
        QVERIFY(i >= -1 && i <= 459 && j >= 0 && j <= 459);
        if (i >= 0 && i <= 458 && j <= 458)
            ++seen[std::size_t(j * 459 + i)];
    }
    QVERIFY(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
}

void TestSweeps::randomPassesVisitEveryCellOnce_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("passes");
    QTest::newRow("random point after point") << 3 << 1;
    QTest::newRow("from order to chaos and back") << 4 << 2;
}

void TestSweeps::randomPassesVisitEveryCellOnce() {
    // Each random pass visits every cell of columns and rows 0..457 exactly once, nothing else.
    QFETCH(int, type);
    QFETCH(int, passes);
    FakeClock clock;
    World w(clock);
    startWorld(w, type);
    const std::vector<Visit> visits = recordVisits(w);
    constexpr std::size_t cells = 458 * 458;
    QCOMPARE(visits.size(), cells * std::size_t(passes));
    for (int pass = 0; pass < passes; ++pass) {
        std::vector<int> seen(cells, 0);
        for (std::size_t k = 0; k < cells; ++k) {
            const auto [i, j] = visits[std::size_t(pass) * cells + k];
            QVERIFY2(i >= 0 && i <= 457 && j >= 0 && j <= 457,
                     qPrintable(QStringLiteral("visit (%1, %2)").arg(i).arg(j)));
            ++seen[std::size_t(j * 458 + i)];
        }
        QVERIFY(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
    }
    if (passes == 2) // the second pass draws a new order
        QVERIFY(!std::equal(visits.begin(), visits.begin() + 1000, visits.begin() + cells));
}

void TestSweeps::randomPassDrawsColumnBeforeRow_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("seconds");
    QTest::newRow("random point after point") << 3 << 32703.25;
    QTest::newRow("random point after point, other seed") << 3 << 61.5;
    QTest::newRow("from order to chaos and back") << 4 << 32703.25;
}

void TestSweeps::randomPassDrawsColumnBeforeRow() {
    // The first cells of a random pass for a fixed seed: each is Int(sir * Rnd) for the column,
    // then Int(vis * Rnd) for the row (type 4's first pass then draws the cell's noise).
    QFETCH(int, type);
    QFETCH(double, seconds);
    FakeClock clock(seconds);
    World w(clock);
    startWorld(w, type);
    Sweep sweep = beginImage(w);
    Random numbers = w.random; // the numbers the sweep is about to draw
    QSet<Visit> taken;
    for (int k = 0; k < 20; ++k) {
        Visit expected;
        do {
            expected.first = int(std::floor(double(w.state.sir) * double(numbers.next())));
            expected.second = int(std::floor(double(w.state.vis) * double(numbers.next())));
        } while (taken.contains(expected));
        taken.insert(expected);
        if (type == 4)
            numbers.next();
        sweep.advance(1);
        QCOMPARE(Visit(w.state.i, w.state.j), expected);
    }
    QVERIFY(std::any_of(taken.begin(), taken.end(), [](Visit v) { return v.first != v.second; }));
}

void TestSweeps::chunkedAdvanceMatchesRunToEnd_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("failing"); // formula set 2 with unpainted corners
    for (int type = 1; type <= 4; ++type) {
        QTest::addRow("type %d", type) << type << false;
        QTest::addRow("type %d, unpainted pixels", type) << type << true;
    }
}

void TestSweeps::chunkedAdvanceMatchesRunToEnd() {
    // Chunked advances paint the same pixels and draw the same numbers as one runToEnd, and so
    // does a sweep that colours every visit with the literal pipeline.
    QFETCH(int, type);
    QFETCH(bool, failing);
    FakeClock clock(5000.5);
    World whole(clock);
    World chunked(clock);
    World literal(clock);
    for (World* w : {&whole, &chunked, &literal}) {
        startWorld(*w, type);
        if (failing)
            useFormulaSet2(w->state);
    }
    const QImage before = whole.canvas.image().copy();

    beginImage(whole).runToEnd();
    Sweep sweep = beginImage(chunked);
    int calls = 1;
    while (!sweep.advance(997)) // a prime, so chunks straddle columns, rings and passes
        ++calls;
    QCOMPARE(calls, int((sweep.totalVisits() + 996) / 997));
    Sweep reference = beginImage(literal);
    reference.useLiteralColouring();
    reference.runToEnd();
    QVERIFY(whole.canvas.image() != before);
    QCOMPARE(chunked.canvas.image(), whole.canvas.image());
    QCOMPARE(literal.canvas.image(), whole.canvas.image());
    const float next = whole.random.next();
    QCOMPARE(chunked.random.next(), next);
    QCOMPARE(literal.random.next(), next);
    // The state is left holding the last visit, as after visiting one at a time.
    QCOMPARE(chunked.state.i, literal.state.i);
    QCOMPARE(chunked.state.j, literal.state.j);
    QCOMPARE(chunked.state.x, literal.state.x);
    QCOMPARE(chunked.state.y, literal.state.y);
}

void TestSweeps::unpaintedPixelsKeepEarlierColours_data() {
    QTest::addColumn<int>("type");
    for (int type = 1; type <= 4; ++type)
        QTest::addRow("type %d", type) << type;
}

void TestSweeps::unpaintedPixelsKeepEarlierColours() {
    // Set 2's failed pixels keep noise after type 4, the old picture after 1-3; others are painted.
    QFETCH(int, type);
    FakeClock clock(777.0);
    World w(clock);
    startWorld(w, type);
    useFormulaSet2(w.state);
    w.canvas.setBackColor(marker);
    GenerateImage(w);
    const QSet<colour::Value> palette = paletteColours(w.strip);

    int failed = 0;
    for (int i = 0; i < canvasSide; ++i) {
        for (int j = 0; j < canvasSide; ++j) {
            const double x = (i - 229) / (458 / 6.0);
            const double y = (229 - j) / (458 / 6.0);
            const bool fails = !(std::sin(0.89 * std::sqrt(x * x + y * y)) > 0);
            const colour::Value c = w.canvas.point(float(i), float(j));
            if (!fails) {
                QVERIFY2(palette.contains(c), qPrintable(QStringLiteral("(%1, %2)").arg(i).arg(j)));
                continue;
            }
            ++failed;
            if (type == 4)
                QVERIFY(c != marker && !palette.contains(c));
            else
                QCOMPARE(c, marker);
        }
    }
    // The centre and the four corner regions.
    QVERIFY(failed > 5);
    for (const Visit& p : {Visit(229, 229), Visit(0, 0), Visit(452, 0), Visit(0, 452)})
        QCOMPARE(w.canvas.point(float(p.first), float(p.second)) == marker, type != 4);
}

void TestSweeps::imageIsSymmetricUnderHalfTurn_data() {
    QTest::addColumn<float>("tip");
    QTest::addColumn<float>("barv");
    QTest::newRow("set 1, combination 2") << 1.0f << 2.0f;
    QTest::newRow("set 2, combination 5") << 2.0f << 5.0f;
    QTest::newRow("set 3, combination 3") << 3.0f << 3.0f;
    QTest::newRow("set 4, combination 4") << 4.0f << 4.0f;
    QTest::newRow("set 4, combination 1") << 4.0f << 1.0f;
}

void TestSweeps::imageIsSymmetricUnderHalfTurn() {
    // An image maps onto itself under a half turn about (229, 229), but for a few pixels.
    QFETCH(float, tip);
    QFETCH(float, barv);
    FakeClock clock(43210.0);
    World w(clock);
    startWorld(w, 1);
    std::array<float, parameterCount> draws{}; // parameters from the fixed seed
    for (float& d : draws)
        d = w.random.next();
    drawParameters(w.state, draws);
    w.state.tip = tip;
    w.state.barv = barv;
    w.state.ponovi = 1;
    GenerateImage(w);

    int pairs = 0;
    int mismatches = 0;
    for (int d = -223; d <= 223; ++d) {
        for (int e = -223; e <= 223; ++e) {
            ++pairs;
            mismatches += w.canvas.point(float(229 + d), float(229 + e)) !=
                          w.canvas.point(float(229 - d), float(229 - e));
        }
    }
    qInfo("%d of %d pixels differ from their mirror", mismatches, pairs);
    QVERIFY(mismatches < pairs / 200);
}

QTEST_MAIN(TestSweeps)
#include "tst_sweeps.moc"
