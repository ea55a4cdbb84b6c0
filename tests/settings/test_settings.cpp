#include "settings/settings.h"

#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void monitorIndexStaysOnAttachedScreens_data() {
        QTest::addColumn<int>("monitor");
        QTest::addColumn<int>("screenCount");
        QTest::addColumn<int>("expected");
        QTest::newRow("3 with two screens") << 3 << 2 << 0;
        QTest::newRow("2 with one screen") << 2 << 1 << 0;
        QTest::newRow("last of two") << 1 << 2 << 1;
        QTest::newRow("first of one") << 0 << 1 << 0;
        QTest::newRow("negative") << -1 << 2 << 0;
        QTest::newRow("no screens") << 0 << 0 << 0;
    }
    void monitorIndexStaysOnAttachedScreens() {
        QFETCH(int, monitor);
        QFETCH(int, screenCount);
        QFETCH(int, expected);
        QCOMPARE(checkedMonitorIndex(monitor, screenCount), expected);
    }

    void lengthPresetOnlyReplacesNone() {
        QCOMPARE(lengthWithPreset(0), 100);
        QCOMPARE(lengthWithPreset(250), 250);
        QCOMPARE(lengthWithPreset(-5), -5);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
