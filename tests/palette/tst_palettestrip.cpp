// The palette strip: three sine waves painted as solid columns, channels rounded half to even.

#include "FakeClock.h"
#include "PaletteStrip.h"
#include "World.h"

#include <QTest>
#include <cmath>

namespace {
constexpr colour::Value marker = colour::rgb(255, 255, 255); // a channel no strip reaches
}

class TestPaletteStrip : public QObject {
    Q_OBJECT

private slots:
    void channelRoundsHalfToEven_data();
    void channelRoundsHalfToEven();
    void stripsAreSolidColumnsOfSineChannels();
    void lowestDrawsSpanTheWholeChannelRange();
    void makePaletteTakesNineNumbersAndKeepsLastColumn();
};

void TestPaletteStrip::channelRoundsHalfToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("byte");
    QTest::newRow("126.5") << 126.5 << 126;
    QTest::newRow("127.5") << 127.5 << 128;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("251.5") << 251.5 << 252;
    QTest::newRow("126.4999") << 126.4999 << 126;
    QTest::newRow("126.5001") << 126.5001 << 127;
    QTest::newRow("252") << 252.0 << 252;
}

void TestPaletteStrip::channelRoundsHalfToEven() {
    // A channel goes to the nearest whole number, an exact half to the even neighbour.
    QFETCH(double, value);
    QFETCH(int, byte);
    QCOMPARE(palette::channelByte(value), byte);
}

void TestPaletteStrip::stripsAreSolidColumnsOfSineChannels() {
    // Random strips are painted fully in solid columns, channels <= 252, column 0 from the phases.
    Random random(2024.0f);
    for (int strip = 0; strip < 300; ++strip) {
        palette::Draws draws{};
        for (float& d : draws)
            d = random.next();
        Surface s(stripWidth, stripHeight, marker);
        palette::paintStrip(palette::wavesFrom(draws), s);
        for (int c = 0; c < stripWidth; ++c) {
            const colour::Value top = s.point(float(c), 0);
            QVERIFY(colour::red(top) <= 252 && colour::green(top) <= 252 &&
                    colour::blue(top) <= 252);
            for (int row = 1; row < stripHeight; ++row)
                QCOMPARE(s.point(float(c), float(row)), top);
        }
        auto columnZero = [&draws](int k) {
            return palette::channelByte((std::sin(double(draws[std::size_t(k)]) * 6.28) + 1) * 126);
        };
        QCOMPARE(s.point(0, 0), colour::rgb(columnZero(3), columnZero(4), columnZero(5)));
    }
}

void TestPaletteStrip::lowestDrawsSpanTheWholeChannelRange() {
    // All draws 0 (period 40 pi, phase 0): column 0 is 126 grey, a channel spans 0 to 252 exactly.
    palette::Draws draws{};
    Surface s(stripWidth, stripHeight, marker);
    palette::paintStrip(palette::wavesFrom(draws), s);
    QCOMPARE(s.point(0, 0), colour::rgb(126, 126, 126));
    int lowest = 255;
    int highest = 0;
    for (int c = 0; c < stripWidth; ++c) {
        lowest = std::min(lowest, colour::red(s.point(float(c), 10)));
        highest = std::max(highest, colour::red(s.point(float(c), 10)));
    }
    QCOMPARE(lowest, 0);
    QCOMPARE(highest, 252);
    // The sine peaks at column 31 (31 / 20 is near pi / 2) and bottoms out near column 94.
    QCOMPARE(colour::red(s.point(31, 10)), 252);
    QCOMPARE(colour::red(s.point(94, 10)), 0);
}

void TestPaletteStrip::makePaletteTakesNineNumbersAndKeepsLastColumn() {
    // MakePalette takes nine numbers, leaves column 541's raw channels, and differs when repeated.
    FakeClock clock(3600.0);
    World w(clock);
    w.seedFromClock();
    Random copy = w.random;
    MakePalette(w);

    palette::Draws draws{};
    for (float& d : draws)
        d = copy.next();
    const palette::Waves waves = palette::wavesFrom(draws);
    const palette::Channels last = palette::channelsAt(waves, palette::lastColumn);
    QCOMPARE(w.state.re, last.re);
    QCOMPARE(w.state.gr, last.gr);
    QCOMPARE(w.state.bl, last.bl);
    QVERIFY(w.state.re != std::round(w.state.re) || w.state.gr != std::round(w.state.gr));
    for (int c = 0; c < stripWidth; ++c) {
        const palette::Channels ch = palette::channelsAt(waves, c);
        QCOMPARE(w.strip.point(float(c), 10),
                 colour::rgb(palette::channelByte(ch.re), palette::channelByte(ch.gr),
                             palette::channelByte(ch.bl)));
    }
    QCOMPARE(w.random.next(), copy.next());

    const QImage first = w.strip.image().copy();
    MakePalette(w);
    QVERIFY(w.strip.image() != first);
}

QTEST_MAIN(TestPaletteStrip)
#include "tst_palettestrip.moc"
