// The image name stem: "T" + year, month, day, hour, minute, second from the clock.

#include "FakeClock.h"
#include "ImageName.h"

#include <QTest>

class TestImageName : public QObject {
    Q_OBJECT

private slots:
    void stemFromClock_data();
    void stemFromClock();
    void startAtMidnightTakesDateAndTimeTogether_data();
    void startAtMidnightTakesDateAndTimeTogether();
    void systemClockTextIsFixedForm_data();
    void systemClockTextIsFixedForm();
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
    // The stem reorders the date's fields and takes the time's digits, from one reading.
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, stem);
    FakeClock clock(0, date, time);
    QCOMPARE(MakeImageName(clock), stem);
    QCOMPARE(clock.reads, QStringList{"date and time"});
}

void TestImageName::startAtMidnightTakesDateAndTimeTogether_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("stem");
    QTest::newRow("last second of the old year") << "12-31-2024"
                                                 << "23:59:59"
                                                 << "T20241231235959";
    QTest::newRow("first second of the new year") << "01-01-2025"
                                                  << "00:00:00"
                                                  << "T20250101000000";
}

void TestImageName::startAtMidnightTakesDateAndTimeTogether() {
    // The clock passes midnight right after it is read: the stem keeps the date and the time of
    // that one reading, never the old day with the new time.
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, stem);
    FakeClock clock(86399.9, date, time);
    clock.tickAfterNextRead({0.1, QStringLiteral("01-01-2025"), QStringLiteral("00:00:01")});
    QCOMPARE(MakeImageName(clock), stem);
    QCOMPARE(clock.reads.size(), 1);
}

void TestImageName::systemClockTextIsFixedForm_data() {
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("afternoon, 24-hour")
        << QDateTime(QDate(2026, 12, 9), QTime(13, 7, 5)) << "12-09-2026"
        << "13:07:05";
    QTest::newRow("evening") << QDateTime(QDate(2026, 1, 31), QTime(23, 59, 58)) << "01-31-2026"
                             << "23:59:58";
    QTest::newRow("morning, zero-padded")
        << QDateTime(QDate(2027, 3, 4), QTime(9, 5, 3)) << "03-04-2027"
        << "09:05:03";
    QTest::newRow("midnight") << QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0)) << "01-01-2025"
                              << "00:00:00";
}

void TestImageName::systemClockTextIsFixedForm() {
    // The computer's clock gives mm-dd-yyyy and hh:mm:ss, hours 00 to 23, zero-padded.
    QFETCH(QDateTime, moment);
    QFETCH(QString, date);
    QFETCH(QString, time);
    const ClockText text = SystemClock::textOf(moment);
    QCOMPARE(text.date, date);
    QCOMPARE(text.time, time);
    const ClockText now = SystemClock().dateAndTime();
    QCOMPARE(now.date.size(), 10);
    QCOMPARE(now.time.size(), 8);
}

QTEST_MAIN(TestImageName)
#include "tst_imagename.moc"
