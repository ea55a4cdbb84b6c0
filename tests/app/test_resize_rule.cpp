#include "app/resize_rule.h"

#include <QTest>

#include <numeric>

class TestResizeRule : public QObject {
    Q_OBJECT

private slots:
    void fixedColumns_data() {
        QTest::addColumn<bool>("showPlatz");
        QTest::addColumn<int>("platz");
        QTest::newRow("Platz shown") << true << 41;
        QTest::newRow("Platz hidden") << false << -1;
    }
    void fixedColumns() {
        QFETCH(bool, showPlatz);
        QFETCH(int, platz);
        const auto widths = protocolColumnWidths(846, showPlatz);
        QCOMPARE(widths[0], 28);
        QCOMPARE(widths[4], 67);
        QCOMPARE(widths[5], 57);
        QCOMPARE(widths[6], 57);
        QCOMPARE(widths[7], 57);
        QCOMPARE(widths[8], 67);
        QCOMPARE(widths[9], platz);
    }

    // A font that needs more than 28 px for "9999" widens "Nr." and takes it from the text columns.
    void numberColumnFitsFourDigits() {
        const auto design = protocolColumnWidths(846, true);
        const auto wide = protocolColumnWidths(846, true, 36);
        QCOMPARE(design[0], 28);
        QCOMPARE(protocolColumnWidths(846, true, 20)[0], 28);
        QCOMPARE(wide[0], 36);
        QCOMPARE(wide[1] + wide[2] + wide[3], design[1] + design[2] + design[3] - 8);
    }

    // The three text columns share what the fixed ones leave, half to "Name".
    void sharedColumns_data() {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<bool>("showPlatz");
        QTest::addColumn<int>("name");
        QTest::addColumn<int>("vehicle");
        // 846 - (28 + 96 + 110 + 67 + 3 * 57 + 67 + 41) - 10 = 256; 256 + 96 + 110 = 462.
        QTest::newRow("design, Platz shown") << 846 << true << 231 << 115;
        // The hidden column's -1 counts too: 846 - 538 - 10 = 298; 298 + 206 = 504.
        QTest::newRow("design, Platz hidden") << 846 << false << 252 << 126;
        QTest::newRow("wide, Platz hidden") << 1900 << false << 779 << 389;
        QTest::newRow("narrower than the fixed columns") << 300 << true << 0 << 0;
    }
    void sharedColumns() {
        QFETCH(int, clientWidth);
        QFETCH(bool, showPlatz);
        QFETCH(int, name);
        QFETCH(int, vehicle);
        const auto widths = protocolColumnWidths(clientWidth, showPlatz);
        QCOMPARE(widths[1], name);
        QCOMPARE(widths[2], vehicle);
        QCOMPARE(widths[3], vehicle);
    }

    // Hiding "Platz" hands its width to "Name", "Fahrzeug" and "Gruppe" in the ratio 2 : 1 : 1.
    void hiddenPlatzIsShared2To1To1() {
        const auto shown = protocolColumnWidths(1000, true);
        const auto hidden = protocolColumnWidths(1000, false);
        QCOMPARE(hidden[9], -1);
        QCOMPARE(hidden[2], hidden[3]);
        // Each share is rounded down on its own, so "Name" may be one pixel more than twice the others.
        QVERIFY(hidden[1] - 2 * hidden[2] >= 0 && hidden[1] - 2 * hidden[2] <= 1);
        const int freed = (hidden[1] + hidden[2] + hidden[3]) - (shown[1] + shown[2] + shown[3]);
        QVERIFY(freed >= 40 && freed <= 42); // 41 pixels and the hidden column's -1, less rounding
        // Everything together fills the client width less one pixel per column's grid line.
        const int visible = std::accumulate(shown.begin(), shown.end(), 0);
        QVERIFY(visible <= 1000 - protocolColumnCount);
    }

    void windowSizeCaption_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("caption");
        QTest::newRow("design") << QSize(850, 572) << " 850x572       ";
        QTest::newRow("full hd") << QSize(1920, 1050) << " 1920x1050       ";
    }
    void windowSizeCaption() {
        QFETCH(QSize, size);
        QFETCH(QString, caption);
        QCOMPARE(::windowSizeCaption(size), caption);
    }

    void statusPanel2() {
        QCOMPARE(statusPanel2Width(850, 50, 220, 50), 500);
        QCOMPARE(statusPanel2Width(1200, 50, 220, 50), 850);
    }
};

QTEST_GUILESS_MAIN(TestResizeRule)
#include "test_resize_rule.moc"
