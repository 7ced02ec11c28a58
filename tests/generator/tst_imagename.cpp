// The image name stem: "T" + year, month, day, hour, minute, second from the clock.

#include "FakeClock.h"
#include "ImageName.h"

#include <QTest>

class TestImageName : public QObject {
    Q_OBJECT

private slots:
    void stemFromClock_data();
    void stemFromClock();
    void startAtMidnightPairsOldDateWithNewTime();
};

void TestImageName::stemFromClock_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("stem");
    QTest::newRow("morning") << "03-07-2024"
                             << "09:05:03"
                             << "T20240307090503";
    QTest::newRow("last second of a year") << "12-31-1999"
                                           << "23:59:59"
                                           << "T19991231235959";
    QTest::newRow("midnight") << "01-01-2025"
                              << "00:00:00"
                              << "T20250101000000";
    QTest::newRow("leap day afternoon") << "02-29-2028"
                                        << "13:40:17"
                                        << "T20280229134017";
}

void TestImageName::stemFromClock() {
    // The stem reorders the date's fields, takes the time's digits, and reads the date first.
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, stem);
    FakeClock clock(0, date, time);
    QCOMPARE(MakeImageName(clock), stem);
    QCOMPARE(clock.reads, (QStringList{"date", "time"}));
}

void TestImageName::startAtMidnightPairsOldDateWithNewTime() {
    // When midnight passes between the two readings, the stem has the old day and 000000.
    FakeClock clock(86399.9, QStringLiteral("12-31-2024"), QStringLiteral("23:59:59"));
    clock.tickAfterNextRead({0.1, QStringLiteral("01-01-2025"), QStringLiteral("00:00:00")});
    QCOMPARE(MakeImageName(clock), QStringLiteral("T20241231000000"));
}

QTEST_MAIN(TestImageName)
#include "tst_imagename.moc"
