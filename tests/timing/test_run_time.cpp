#include "timing/run_time.h"

#include <QLocale>
#include <QTest>

#include <limits>

class TestRunTime : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void ticksToMsRounds_data() {
        QTest::addColumn<qint64>("delta");
        QTest::addColumn<double>("countSpeed");
        QTest::addColumn<qint32>("ms");
        // Nanosecond counter: 1000 counts per microsecond.
        QTest::newRow("zero") << qint64(0) << 1000.0 << 0;
        QTest::newRow("just below half") << qint64(499999) << 1000.0 << 0;
        QTest::newRow("just above half") << qint64(500001) << 1000.0 << 1;
        QTest::newRow("tie 0.5 to even") << qint64(500000) << 1000.0 << 0;
        QTest::newRow("tie 1.5 to even") << qint64(1500000) << 1000.0 << 2;
        QTest::newRow("tie 2.5 to even") << qint64(2500000) << 1000.0 << 2;
        QTest::newRow("tie 3.5 to even") << qint64(3500000) << 1000.0 << 4;
        QTest::newRow("negative tie") << qint64(-2500000) << 1000.0 << -2;
        QTest::newRow("negative") << qint64(-1234567000) << 1000.0 << -1235;
        QTest::newRow("one hour") << qint64(3600000000000) << 1000.0 << 3600000;
        // ACPI-style counter of 3 579 545 counts per second.
        QTest::newRow("3.579545 MHz, 10 s") << qint64(35795450) << 3.579545 << 10000;
        QTest::newRow("3.579545 MHz, 2.5 s") << qint64(8948862) << 3.579545 << 2500;
        QTest::newRow("slow counter tie 3.5") << qint64(3500) << 1.0 << 4;
        QTest::newRow("largest value") << qint64(2147483647000000) << 1000.0 << std::numeric_limits<qint32>::max();
        QTest::newRow("saturates high") << std::numeric_limits<qint64>::max() << 1000.0
                                        << std::numeric_limits<qint32>::max();
        QTest::newRow("saturates low") << std::numeric_limits<qint64>::min() << 1000.0
                                       << std::numeric_limits<qint32>::min();
        QTest::newRow("just past qint32") << qint64(2147483648000000) << 1000.0 << std::numeric_limits<qint32>::max();
        QTest::newRow("zero speed") << qint64(1000) << 0.0 << 0;
        QTest::newRow("negative speed") << qint64(1000) << -1.0 << 0;
        QTest::newRow("NaN speed") << qint64(1000) << std::numeric_limits<double>::quiet_NaN() << 0;
        QTest::newRow("infinite speed") << qint64(1000) << std::numeric_limits<double>::infinity() << 0;
        QTest::newRow("tiny speed saturates") << qint64(1000) << 1e-300 << std::numeric_limits<qint32>::max();
    }
    void ticksToMsRounds() {
        QFETCH(qint64, delta);
        QFETCH(double, countSpeed);
        QFETCH(qint32, ms);
        QCOMPARE(ticksToMs(delta, countSpeed), ms);
    }

    void formatRunTimeWrites_data() {
        QTest::addColumn<qint32>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0,000";
        QTest::newRow("7") << 7 << "0,007";
        QTest::newRow("432") << 432 << "0,432";
        QTest::newRow("999") << 999 << "0,999";
        QTest::newRow("1000") << 1000 << "1,000";
        QTest::newRow("5432") << 5432 << "5,432";
        QTest::newRow("10000") << 10000 << "10,000";
        QTest::newRow("12345") << 12345 << "12,345";
        QTest::newRow("59999") << 59999 << "59,999";
        QTest::newRow("60000") << 60000 << "1.00,000";
        QTest::newRow("65432") << 65432 << "1.05,432";
        QTest::newRow("600000") << 600000 << "10.00,000";
        QTest::newRow("3599999") << 3599999 << "59.59,999";
        QTest::newRow("3600000") << 3600000 << "1:00.00,000";
        QTest::newRow("3600001") << 3600001 << "1:00.00,001";
        QTest::newRow("36000000") << 36000000 << "10:00.00,000";
        QTest::newRow("359999999") << 359999999 << "99:59.59,999";
        QTest::newRow("100 h wraps") << 360000000 << "0,000";
        QTest::newRow("100 h 5 s wraps") << 360005000 << "5,000";
        QTest::newRow("qint32 max") << std::numeric_limits<qint32>::max() << "96:31.23,647";
        QTest::newRow("negative") << -5432 << "-5,432";
        QTest::newRow("negative below a second") << -1 << "-0,001";
        QTest::newRow("negative hours") << -3600000 << "-1:00.00,000";
        QTest::newRow("qint32 min") << std::numeric_limits<qint32>::min() << "-96:31.23,648";
    }
    void formatRunTimeWrites() {
        QFETCH(qint32, ms);
        QFETCH(QString, text);
        QCOMPARE(formatRunTime(ms), text);
    }

    // The run-time text keeps its own separators whatever the locale says.
    void formatRunTimeIgnoresLocale() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(formatRunTime(65432), QStringLiteral("1.05,432"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(formatRunTime(3600000), QStringLiteral("1:00.00,000"));
    }

    void localeTexts_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint32>("metres");
        QTest::addColumn<qint32>("ms");
        QTest::addColumn<QString>("text");
        const QLocale de(QLocale::German, QLocale::Germany);
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        for (const auto& [locale, name, sep] : {std::tuple{de, "de", QStringLiteral(",")}, {en, "en", "."}}) {
            const auto row = [&](const char* what) -> QTestData& { return QTest::addRow("%s %s", name, what); };
            row("split 1234") << locale << "split" << 0 << 1234 << "1" + sep + "234";
            row("split 5") << locale << "split" << 0 << 5 << "0" + sep + "005";
            // No grouping separator, however long the split.
            row("split 1 h") << locale << "split" << 0 << 3600000 << "3600" + sep + "000";
            row("split negative") << locale << "split" << 0 << -1500 << "-1" + sep + "500";
            row("split zero") << locale << "split" << 0 << 0 << "-";
            row("average 100 m 8 s") << locale << "speed" << 100 << 8000 << "45" + sep + "00";
            row("vmax 10 m 250 ms") << locale << "speed" << 10 << 250 << "144" + sep + "00";
            row("vmax 10 m 280 ms") << locale << "speed" << 10 << 280 << "128" + sep + "57";
            row("rounds up") << locale << "speed" << 10 << 3 << "12000" + sep + "00";
            row("two thirds") << locale << "speed" << 1 << 5400 << "0" + sep + "67";
            row("speed zero ms") << locale << "speed" << 100 << 0 << "-";
            row("speed negative ms") << locale << "speed" << 100 << -5 << "-";
            // No measured length, no speed: "-", as for no time.
            row("speed over 0 m") << locale << "speed" << 0 << 280 << "-";
            row("speed 1 ms") << locale << "speed" << 596523 << 1 << "2147482800" + sep + "00";
        }
    }
    void localeTexts() {
        QFETCH(QLocale, locale);
        QFETCH(QString, kind);
        QFETCH(qint32, metres);
        QFETCH(qint32, ms);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(kind == u"split" ? splitText(ms) : speedText(metres, ms), text);
    }

    void displayValues_data() {
        QTest::addColumn<bool>("trap");
        QTest::addColumn<qint32>("metres");
        QTest::addColumn<qint32>("ms");
        QTest::addColumn<qint32>("value");
        QTest::newRow("vmax 10 m 280 ms") << true << 10 << 280 << 128570;
        QTest::newRow("vmax 10 m 250 ms") << true << 10 << 250 << 144000;
        QTest::newRow("average 100 m 8 s") << false << 100 << 8000 << 45000;
        // 10 * 1000 / 3 * 3600 = 12 000 000; 100 * 3600 / 7 * 1000 = 51 428 571.4
        QTest::newRow("vmax exact") << true << 10 << 3 << 12000000;
        QTest::newRow("average rounds down") << false << 100 << 7 << 51428570;
        // Round to tens: units 0 to 4 go down, 5 to 9 go up.
        QTest::newRow("vmax 5187.3 up") << true << 1 << 694 << 5190;
        QTest::newRow("vmax 5834.7 units 5 up") << true << 1 << 617 << 5840;
        QTest::newRow("average 5853.7 units 4 down") << false << 1 << 615 << 5850;
        QTest::newRow("average 5135.5 up") << false << 1 << 701 << 5140;
        QTest::newRow("vmax 0 ms") << true << 10 << 0 << 0;
        QTest::newRow("average 0 ms") << false << 100 << 0 << 0;
        QTest::newRow("vmax negative ms") << true << 10 << -280 << 0;
        QTest::newRow("average negative ms") << false << 100 << -8000 << 0;
        QTest::newRow("vmax saturates") << true << 596523 << 1 << 2147483640;
        QTest::newRow("average saturates") << false << 596523 << 1 << 2147483640;
    }
    void displayValues() {
        QFETCH(bool, trap);
        QFETCH(qint32, metres);
        QFETCH(qint32, ms);
        QFETCH(qint32, value);
        QCOMPARE(trap ? trapSpeedDisplayValue(metres, ms) : averageSpeedDisplayValue(metres, ms), value);
    }
};

QTEST_GUILESS_MAIN(TestRunTime)
#include "test_run_time.moc"
