#include "protocol/protocol_ranking.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/run_corrections.h"
#include "protocol_test_grid.h"

#include <QTest>

class TestProtocolRowRules : public QObject {
    Q_OBJECT

private slots:
    void buttonState_data();
    void buttonState();
    void startNumbers_data();
    void startNumbers();
    void competitorTakesRealNamesOnly();
    void timedRuns();
    void corrections();
    void changeNumberOfARunInAnotherDriversRow();
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

// An accident filled the first run's empty names with "-"; the driver's names come from the
// rows that hold real ones, cell by cell, never from a marker.
void TestProtocolRowRules::competitorTakesRealNamesOnly() {
    SortGridData grid;
    fillProtocol(grid, {{"7", "-", "-", "-", "-", "-", "-", "-", "-", "-"},
                        {"8", "Bert", "Polo", "B"},
                        {"7", "Anna", "", "AUS"},
                        {"7", "Zoe", "Golf", "A"}});
    const Competitor seven = competitorOf(grid, QStringLiteral("7"));
    QCOMPARE(seven.name, QStringLiteral("Anna"));
    QCOMPARE(seven.vehicle, QStringLiteral("Golf"));
    QCOMPARE(seven.group, QStringLiteral("A"));
    QCOMPARE(competitorOf(grid, QStringLiteral("8")).name, QStringLiteral("Bert"));
    const Competitor unknown = competitorOf(grid, QStringLiteral("9"));
    QVERIFY(unknown.name.isEmpty() && unknown.vehicle.isEmpty() && unknown.group.isEmpty());
}

void TestProtocolRowRules::timedRuns() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", ""), runRow("2", "-"), runRow("3", "AUS"), runRow("4", " ")});
    QVERIFY(!hasTimedRuns(grid));
    for (int row = 0; row <= 5; ++row)
        QVERIFY(!rowHasTime(grid, row));
    grid.setCell(colZeit, 2, QStringLiteral("9,876"));
    QVERIFY(rowHasTime(grid, 2));
    QVERIFY(hasTimedRuns(grid));
}

void TestProtocolRowRules::corrections() {
    SortGridData grid;
    fillProtocol(grid, {{"7", "Anna", "Golf", "A", "2,100", "80,00", "120,00", "0,900", "6,500", "1"}, runRow("", "")});
    // Only a run with a start number can be corrected; nothing changes otherwise.
    QVERIFY(!markRunInvalid(grid, 2));
    QVERIFY(!markRunInvalid(grid, 0));
    QVERIFY(!changeStartNumber(grid, 2, 5));
    QVERIFY(!changeStartNumber(grid, 1, 0));
    QVERIFY(!changeStartNumber(grid, 1, 10000));
    QCOMPARE(grid.cell(colNr, 1), QStringLiteral("7"));

    QVERIFY(markRunInvalid(grid, 1));
    QCOMPARE(grid.rowCells(1), (QStringList{"7", "Anna", "Golf", "A", "AUS", "AUS", "AUS", "AUS", "AUS", "1"}));
    QVERIFY(changeStartNumber(grid, 1, 9999));
    QCOMPARE(grid.cell(colNr, 1), QStringLiteral("9999"));
    // A run started under a wrong number takes the names of its right one where it has none.
    grid.setRowCount(4);
    const QStringList carl{"3", "Carl", "Kart", "B"};
    const QStringList wrong{"8", " ", "-", "", "0,670", "214,67", "-", "-", "1,677", "2"};
    for (int col = 0; col < wrong.size(); ++col) {
        grid.setCell(col, 3, col < carl.size() ? carl[col] : QString());
        grid.setCell(col, 2, wrong[col]);
    }
    QVERIFY(changeStartNumber(grid, 2, 3));
    QCOMPARE(grid.rowCells(2).mid(0, 5), (QStringList{"3", "Carl", "Kart", "B", "0,670"}));
    // The ranking then takes the stale place away.
    rankProtocol(grid, true, QStringLiteral("9999"));
    QCOMPARE(grid.cell(colPlatz, grid.findRow(colNr, QStringLiteral("9999"), false)), QStringLiteral("-"));
    QCOMPARE(grid.cell(colPlatz, grid.findRow(colNr, QStringLiteral("3"), false)), QStringLiteral("1"));
}

// The official forgot to set "Start-Nr.": Emil's run went into Lutz's start-list row. "Nr.
// ändern…" gives the run Emil's names and Lutz his row back, untimed, so that the protocol,
// the standings and the next-starter search are right again.
void TestProtocolRowRules::changeNumberOfARunInAnotherDriversRow() {
    SortGridData grid;
    setupProtocolGrid(grid);
    grid.setRowCount(3);
    const QStringList lutz{"12", "Lutz", "Clio", "Klasse 10", "1,876", "80,34", "71,29", "0,505", "4,481", "1"};
    const QStringList emil{"5", "Emil", "Astra", "Klasse B", "1,768", "81,95", "81,45", "0,442", "4,393", "2"};
    for (int col = 0; col < protocolColumnCount; ++col) {
        grid.setCell(col, 1, lutz[col]);
        grid.setCell(col, 2, emil[col]);
    }
    QVERIFY(changeStartNumber(grid, 1, 5));
    QCOMPARE(grid.RowCount(), 4);
    QCOMPARE(grid.rowCells(1).mid(0, 5), (QStringList{"5", "Emil", "Astra", "Klasse B", "1,876"}));
    QCOMPARE(grid.rowCells(3), (QStringList{"12", "Lutz", "Clio", "Klasse 10", "", "", "", "", "", ""}));
    // Changed back, the run is Lutz's again; his untimed row stays for his run to come.
    QVERIFY(changeStartNumber(grid, 1, 12));
    QCOMPARE(grid.rowCells(1).mid(0, 4), (QStringList{"12", "Lutz", "Clio", "Klasse 10"}));
    QCOMPARE(grid.RowCount(), 4);
    // A number nobody in the protocol has keeps the run's names: it may be the driver's own.
    QVERIFY(changeStartNumber(grid, 2, 77));
    QCOMPARE(grid.rowCells(2).mid(0, 4), (QStringList{"77", "Emil", "Astra", "Klasse B"}));
    QCOMPARE(grid.RowCount(), 4);
}

QTEST_GUILESS_MAIN(TestProtocolRowRules)
#include "test_protocol_row_rules.moc"
