#include "protocol/protocol_ranking.h"
#include "protocol/result_compare.h"
#include "protocol_test_grid.h"

#include <QTest>

class TestProtocolRanking : public QObject {
    Q_OBJECT

private slots:
    void emptyProtocol();
    void tiesShareTheUpperRank();
    void longerTimesAreLarger();
    void markersSortAfterValues();
    void accidentRowGetsNoRank();
    void headerClicksThenRankingByVmaxDescending();
    void platzOffEmptiesTheColumn();
    void selectsTheStartNumbersRow();
    void startNumbersSortByValue();
    void textColumnsSortAsPlainText();
    void rankTextsRule_data();
    void rankTextsRule();
    void rankingByPlatzKeepsTies();
    void rankingFollowsTheResultClicked_data();
    void rankingFollowsTheResultClicked();
    void sortStyleRule_data();
    void sortStyleRule();
};

void TestProtocolRanking::emptyProtocol() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "5,000"), runRow("2", "6,000")});
    clearProtocol(grid);
    QCOMPARE(grid.RowCount(), 2);
    QCOMPARE(grid.rowCells(1), QStringList(protocolColumnCount));
    QCOMPARE(grid.rowCells(0), protocolHeaderTexts());
    QCOMPARE(grid.rowCells(0).at(colSchnitt), QString::fromUtf8("Ø-km/h"));
    QCOMPARE(grid.SortOptions().SortCol, int(colZeit));
    QCOMPARE(grid.SortOptions().SortDirection, sdAscending);
}

void TestProtocolRanking::tiesShareTheUpperRank() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "7,000"), runRow("2", "6,000"), runRow("3", "5,000"), runRow("4", "6,000")});
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colNr), (QStringList{"3", "2", "4", "1"}));
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "2", "2", "4"}));
}

void TestProtocolRanking::longerTimesAreLarger() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "1.02,000"), runRow("2", "10,123"), runRow("3", "9,876")});
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colZeit), (QStringList{"9,876", "10,123", "1.02,000"}));
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "2", "3"}));
}

void TestProtocolRanking::markersSortAfterValues() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", " ", "", "old"), runRow("2", "aus", "", "9"), runRow("3", "-", "", "-"),
                        runRow("4", "9,000"), runRow("5", "", "", "7"), runRow("6", "8,000")});
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colZeit), (QStringList{"8,000", "9,000", "-", "aus", "", " "}));
    // A marker ("-", "AUS" in any case) never shows a place, also a stale one from a file
    // ("aus" kept "9": two winners on the print); a blank run still on the track keeps its cell.
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "2", "-", "-", "7", "old"}));
}

void TestProtocolRanking::accidentRowGetsNoRank() {
    SortGridData grid;
    // Row 2 as an accident leaves it: every formerly empty cell from "Name" to "Platz" is "-".
    fillProtocol(grid, {{"1", "Anna", "Golf", "A", "2,100", "80,00", "120,00", "0,900", "6,500", ""},
                        {"2", "-", "-", "-", "-", "-", "-", "-", "-", "-"},
                        {"3", "Ben", "Polo", "A", "1,900", "85,00", "125,00", "0,850", "6,100", ""}});
    rankProtocol(grid, true, "2");
    QCOMPARE(protocolColumn(grid, colNr), (QStringList{"3", "1", "2"}));
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "2", "-"}));
}

void TestProtocolRanking::headerClicksThenRankingByVmaxDescending() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "6,000", "120,50"), runRow("2", "-", "-", "-"), runRow("3", "5,000", "99,10"),
                        runRow("4", "7,000", "130,00"), runRow("5", "AUS", "AUS", "")});
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "2", "3", "-", "-"}));

    // Two clicks on the "Vmax" header: ascending, then descending. They sort, they do not rank.
    grid.SortOptions().SortDirection = sdAscending;
    grid.sortByColumn(colVmax);
    protocolHeaderClicked(grid, colVmax);
    grid.SortOptions().SortDirection = sdDescending;
    grid.sortByColumn(colVmax);
    protocolHeaderClicked(grid, colVmax);
    QCOMPARE(protocolColumn(grid, colVmax), (QStringList{"AUS", "-", "130,00", "120,50", "99,10"}));
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"-", "-", "3", "2", "1"}));

    // The next ranking (after a finish) ranks by Vmax, the highest first.
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colNr), (QStringList{"5", "2", "4", "1", "3"}));
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"-", "-", "1", "2", "3"}));
}

void TestProtocolRanking::platzOffEmptiesTheColumn() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "6,000", "", "1"), runRow("2", "-", "", "-"), runRow("3", "5,000", "", "2")});
    rankProtocol(grid, false, "1");
    QCOMPARE(protocolColumn(grid, colZeit), (QStringList{"5,000", "6,000", "-"}));
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"", "", ""}));
}

void TestProtocolRanking::selectsTheStartNumbersRow() {
    SortGridData grid;
    fillProtocol(grid, {runRow("12", "6,000"), runRow("7", "5,000"), runRow("1", "7,000")});
    QCOMPARE(rankProtocol(grid, true, "12"), 2);
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(grid.Selection(), (TGridRect{0, 2, protocolColumnCount - 1, 2}));
    grid.setRow(3);
    QCOMPARE(rankProtocol(grid, true, "99"), -1);
    QCOMPARE(grid.Row(), 3);
}

void TestProtocolRanking::startNumbersSortByValue() {
    SortGridData grid;
    fillProtocol(grid, {runRow("100", "1"), runRow("9", "1"), runRow("10", "1")});
    grid.SortOptions().SortCol = colNr;
    rankProtocol(grid, true, "9");
    QCOMPARE(protocolColumn(grid, colNr), (QStringList{"9", "10", "100"}));
    // "Nr." is no result: the ranking stays by "Zeit", where all three are equal.
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "1", "1"}));
}

void TestProtocolRanking::textColumnsSortAsPlainText() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", ""), runRow("2", ""), runRow("3", "")});
    // Numbers in "Name" must not switch that column to a numeric sort.
    grid.setCell(colName, 1, "9");
    grid.setCell(colName, 2, "10");
    grid.setCell(colName, 3, "100");
    grid.SortOptions().SortCol = colName;
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colName), (QStringList{"10", "100", "9"}));
}

void TestProtocolRanking::rankTextsRule_data() {
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("ranks"); // "" for none
    QTest::newRow("ties share the upper rank") << QStringList{"5", "6", "6", "7"} << QStringList{"1", "2", "2", "4"};
    QTest::newRow("markers take no rank and no place")
        << QStringList{"-", "aus", " ", "5", "5", "6"} << QStringList{"", "", "", "1", "1", "3"};
    QTest::newRow("nothing") << QStringList{} << QStringList{};
}

void TestProtocolRanking::rankTextsRule() {
    QFETCH(QStringList, values);
    QFETCH(QStringList, ranks);
    const QStringList got = rankTexts(values);
    QCOMPARE(got.size(), ranks.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i).isNull(), ranks.at(i).isEmpty());
        QCOMPARE(got.at(i), ranks.at(i).isEmpty() ? QString() : ranks.at(i));
    }
}

// Sorted by "Platz", the ranks are the values: two runs that shared rank 2 (the winner's row
// removed) share rank 1 now, whatever was written into the column on the way.
void TestProtocolRanking::rankingByPlatzKeepsTies() {
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "6,000"), runRow("2", "6,000"), runRow("3", "7,000")});
    grid.setCell(colPlatz, 1, "2");
    grid.setCell(colPlatz, 2, "2");
    grid.setCell(colPlatz, 3, "4");
    grid.SortOptions().SortCol = colPlatz;
    rankProtocol(grid, true, "1");
    QCOMPARE(protocolColumn(grid, colPlatz), (QStringList{"1", "1", "3"}));
}

// Header clicks, each as the grid does it: the view sorts, a result column becomes the
// ranking column in its natural direction.
void TestProtocolRanking::rankingFollowsTheResultClicked_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("winner"); // "Nr." of Platz 1
    QTest::newRow("Name: still by Zeit") << QList<int>{colName} << "3";
    QTest::newRow("Vmax, then Name: by Vmax") << QList<int>{colVmax, colName} << "4";
    QTest::newRow("Zeit once (a descending view): the fastest") << QList<int>{colZeit} << "3";
    QTest::newRow("Zeit twice: the fastest") << QList<int>{colZeit, colZeit} << "3";
    QTest::newRow("Vmax: the highest") << QList<int>{colVmax} << "4";
    QTest::newRow("Vmax twice: the highest") << QList<int>{colVmax, colVmax} << "4";
}

void TestProtocolRanking::rankingFollowsTheResultClicked() {
    QFETCH(QList<int>, clicks);
    SortGridData grid;
    fillProtocol(grid, {runRow("1", "6,000", "120,50"), runRow("3", "5,000", "99,10"), runRow("4", "7,000", "130,00")});
    // Alphabetically first is neither the fastest nor the highest Vmax.
    grid.setCell(colName, 1, "Anna");
    grid.setCell(colName, 2, "Zora");
    grid.setCell(colName, 3, "Bert");
    for (int col : clicks) {
        TSortOptions& options = grid.SortOptions();
        options.SortDirection =
            options.SortCol == col && options.SortDirection == sdAscending ? sdDescending : sdAscending;
        grid.sortByColumn(col);
        protocolHeaderClicked(grid, col);
    }
    rankProtocol(grid, true, "1");
    QFETCH(QString, winner);
    QCOMPARE(grid.cell(colNr, grid.findRow(colPlatz, "1", false)), winner);
    QCOMPARE(grid.SortOptions().SortCol, clicks.last()); // the view keeps its own order
}

void TestProtocolRanking::sortStyleRule_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("custom");
    QTest::newRow("Nr.") << 0 << int(ssCustom) << true;
    QTest::newRow("Name") << 1 << int(ssAutomatic) << false;
    QTest::newRow("Gruppe") << 3 << int(ssAutomatic) << false;
    QTest::newRow("Zw.Zeit") << 4 << int(ssCustom) << true;
    QTest::newRow("Zeit") << 8 << int(ssCustom) << true;
    QTest::newRow("Platz") << 9 << int(ssCustom) << true;
    QTest::newRow("beyond the columns") << 10 << int(ssNumeric) << false;
    QTest::newRow("negative") << -1 << int(ssNumeric) << false;
}

void TestProtocolRanking::sortStyleRule() {
    QFETCH(int, col);
    QFETCH(int, style);
    QFETCH(bool, custom);
    SortGridData grid;
    setupProtocolGrid(grid);
    grid.SortOptions().CustomCompare = nullptr;
    TSortStyle answer = ssNumeric;
    grid.OnGetSortStyle(col, answer);
    QCOMPARE(int(answer), style);
    QCOMPARE(bool(grid.SortOptions().CustomCompare), custom);
    if (custom)
        QCOMPARE(grid.SortOptions().CustomCompare("10", "9"), compareResultCells("10", "9"));
}

QTEST_GUILESS_MAIN(TestProtocolRanking)
#include "test_protocol_ranking.moc"
