#include "protocol/protocol_row_rules.h"
#include "protocol_test_grid.h"

#include <QTest>

class TestProtocolRowRules : public QObject {
    Q_OBJECT

private slots:
    void buttonState_data();
    void buttonState();
    void startNumbers_data();
    void startNumbers();
};

void TestProtocolRowRules::buttonState_data() {
    QTest::addColumn<QString>("firstNr");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("empty protocol") << "" << false;
    QTest::newRow("blank Nr. from a loaded file") << " " << false;
    QTest::newRow("start number") << "5" << true;
}

void TestProtocolRowRules::buttonState() {
    QFETCH(QString, firstNr);
    QFETCH(bool, enabled);
    SortGridData grid;
    fillProtocol(grid, {runRow(firstNr, "5,000"), runRow("7", "6,000")});
    QCOMPARE(protocolButtonsEnabled(grid), enabled);
    // Removing rows down to the only one, which is emptied, disables the buttons.
    grid.deleteRow(1);
    grid.deleteRow(1);
    QCOMPARE(protocolButtonsEnabled(grid), false);
}

void TestProtocolRowRules::startNumbers_data() {
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("next");
    const int absent = -1;
    QTest::newRow("two rows") << QStringList{"5", "7"} << 1 << 5 << 7;
    QTest::newRow("last row has no row below") << QStringList{"5", "7"} << 2 << 7 << absent;
    QTest::newRow("one row") << QStringList{"5"} << 1 << 5 << absent;
    QTest::newRow("blanks around numbers") << QStringList{" 12 ", "3 "} << 1 << 12 << 3;
    QTest::newRow("no number in the row") << QStringList{"x", "7"} << 1 << absent << absent;
    QTest::newRow("blank row") << QStringList{" ", "7"} << 1 << absent << absent;
    QTest::newRow("no number below") << QStringList{"5", "-"} << 1 << 5 << absent;
    QTest::newRow("header row") << QStringList{"5", "7"} << 0 << absent << absent;
    QTest::newRow("beyond the rows") << QStringList{"5", "7"} << 3 << absent << absent;
}

void TestProtocolRowRules::startNumbers() {
    QFETCH(QStringList, numbers);
    QFETCH(int, row);
    QFETCH(int, start);
    QFETCH(int, next);
    SortGridData grid;
    QList<QStringList> rows;
    for (const QString& nr : numbers)
        rows.append(runRow(nr, ""));
    fillProtocol(grid, rows);
    const StartNumbers found = startNumbersFromRow(grid, row);
    QCOMPARE(found.startNumber.value_or(-1), start);
    QCOMPARE(found.nextStarter.value_or(-1), next);
}

QTEST_GUILESS_MAIN(TestProtocolRowRules)
#include "test_protocol_row_rules.moc"
