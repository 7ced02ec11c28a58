// The parameter draw and the opening of an image: seeding, naming, the repeat flag.

#include "FakeClock.h"
#include "World.h"

#include <QTest>
#include <cmath>

namespace {

using DrawnValues = QList<double>;

// tip, barv, f1, f2, n1, n2, n3, n4, komp1, komp2, komp3, baf01, baf02, baf03: the draw order.
DrawnValues parametersOf(const GeneratorState& s) {
    return {s.tip, s.barv,  s.f1,    s.f2,    s.n1,    s.n2,    s.n3,
            s.n4,  s.komp1, s.komp2, s.komp3, s.baf01, s.baf02, s.baf03};
}

const DrawnValues lowest{1, 1, 6, 4, 10, 10, 3, 0.1, 100, 100, 100, 20, 2, 100};
const DrawnValues highest{4, 5, 24, 16, 30, 30, 9, 0.9, 149, 149, 149, 40, 4, 200};
const float justBelowOne = std::nextafter(1.0f, 0.0f);

void compareParameters(const DrawnValues& actual, const DrawnValues& expected) {
    // Whole-number parameters must match exactly; a fraction drawn just below its upper end
    // may round to it or stay a hair below it.
    for (int k = 0; k < parameterCount; ++k)
        QVERIFY2(qAbs(actual[k] - expected[k]) < 1e-4,
                 qPrintable(QStringLiteral("parameter %1 is %2, expected %3")
                                .arg(k + 1)
                                .arg(actual[k], 0, 'g', 10)
                                .arg(expected[k])));
}

} // namespace

class TestParameters : public QObject {
    Q_OBJECT

private slots:
    void drawAtEdges_data();
    void drawAtEdges();
    void drawTakesNumbersInOrder_data();
    void drawTakesNumbersInOrder();
    void openingReseedsThenDraws_data();
    void openingReseedsThenDraws();
    void repeatKeepsParametersForOneImage();
};

void TestParameters::drawAtEdges_data() {
    QTest::addColumn<float>("rnd");
    QTest::addColumn<DrawnValues>("expected");
    QTest::newRow("zero") << 0.0f << lowest;
    QTest::newRow("just below one") << justBelowOne << highest;
    QTest::newRow("half") << 0.5f
                          << DrawnValues{3, 3, 16, 10, 20, 20, 6, 0.5, 125, 125, 125, 30, 3, 150};
}

void TestParameters::drawAtEdges() {
    // Rnd = 0 gives every lowest value, just below 1 the highest whole values, 0.5 the middle.
    QFETCH(float, rnd);
    QFETCH(DrawnValues, expected);
    GeneratorState s;
    std::array<float, parameterCount> draws{};
    draws.fill(rnd);
    drawParameters(s, draws);
    compareParameters(parametersOf(s), expected);
    if (rnd == 0.5f) // every value is exact here
        QCOMPARE(parametersOf(s), expected);
}

void TestParameters::drawTakesNumbersInOrder_data() {
    QTest::addColumn<int>("slot");
    const char* names[] = {"tip", "barv",  "f1",    "f2",    "n1",    "n2",    "n3",
                           "n4",  "komp1", "komp2", "komp3", "baf01", "baf02", "baf03"};
    for (int k = 0; k < parameterCount; ++k)
        QTest::newRow(names[k]) << k;
}

void TestParameters::drawTakesNumbersInOrder() {
    // The k-th number drawn sets the k-th parameter of the table and no other.
    QFETCH(int, slot);
    GeneratorState s;
    std::array<float, parameterCount> draws{};
    draws[std::size_t(slot)] = justBelowOne;
    drawParameters(s, draws);
    DrawnValues expected = lowest;
    expected[slot] = highest[slot];
    compareParameters(parametersOf(s), expected);
}

void TestParameters::openingReseedsThenDraws_data() {
    QTest::addColumn<int>("ponovi");
    QTest::newRow("new image") << 0;
    QTest::newRow("repeat") << 1;
}

void TestParameters::openingReseedsThenDraws() {
    // The opening re-seeds, names, clears the buffer, draws 14 numbers unless repeating.
    QFETCH(int, ponovi);
    FakeClock clock(4321.5, QStringLiteral("11-30-2023"), QStringLiteral("01:12:01"));
    World w(clock);
    setStartUpSettings(w.state);
    w.random.seed(7.0f); // an earlier sequence, part used
    w.random.next();
    w.state.tip = 42; // a marker a draw would overwrite
    w.state.ponovi = std::int16_t(ponovi);
    w.saveBuffer.pset(5, 5, colour::rgb(1, 2, 3));
    Random expected = w.random; // what the source gives once seeded with the clock's time
    expected.seed(4321.5f);

    const Sweep sweep = beginImage(w);
    QCOMPARE(sweep.visitsMade(), 0);
    QCOMPARE(w.state.ponovi, std::int16_t(0));
    QCOMPARE(w.state.imeslike, QStringLiteral("T20231130011201"));
    QCOMPARE(w.saveBuffer.point(5, 5), pictureBackground);

    if (ponovi == 0) {
        std::array<float, parameterCount> draws{};
        for (float& d : draws)
            d = expected.next();
        GeneratorState reference;
        drawParameters(reference, draws);
        QCOMPARE(parametersOf(w.state), parametersOf(reference));
    } else {
        QCOMPARE(w.state.tip, 42.0f);
    }
    QCOMPARE(w.random.next(), expected.next()); // nothing else was drawn
}

void TestParameters::repeatKeepsParametersForOneImage() {
    // A repeat keeps parameters and pixels under a new name; the image after it draws afresh.
    FakeClock clock(1000.0, QStringLiteral("03-07-2024"), QStringLiteral("09:05:03"));
    World w(clock);
    setStartUpSettings(w.state);
    w.state.nac = 1;
    w.seedFromClock();
    MakePalette(w);
    GenerateImage(w);
    const DrawnValues first = parametersOf(w.state);
    const QImage firstImage = w.canvas.image().copy();
    QCOMPARE(w.state.imeslike, QStringLiteral("T20240307090503"));

    clock.set({2000.0, QStringLiteral("03-07-2024"), QStringLiteral("09:05:04")});
    w.state.ponovi = 1;
    GenerateImage(w);
    QCOMPARE(parametersOf(w.state), first);
    QCOMPARE(w.canvas.image(), firstImage);
    QCOMPARE(w.state.ponovi, std::int16_t(0));
    QCOMPARE(w.state.imeslike, QStringLiteral("T20240307090504"));

    clock.set({3000.0, QStringLiteral("03-07-2024"), QStringLiteral("09:05:05")});
    GenerateImage(w);
    QVERIFY(parametersOf(w.state) != first);
    QCOMPARE(w.state.imeslike, QStringLiteral("T20240307090505"));
}

QTEST_MAIN(TestParameters)
#include "tst_parameters.moc"
