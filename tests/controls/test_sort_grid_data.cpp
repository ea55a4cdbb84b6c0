#include "controls/sort_grid_data.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Fills the data rows from a list of rows; the header row stays as it is.
void fill(SortGridData& grid, const QList<QStringList>& rows) {
    grid.setColCount(int(rows.first().size()));
    grid.setRowCount(int(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            grid.setCell(c, r + 1, rows[r][c]);
        }
    }
}

QStringList column(const SortGridData& grid, int col) {
    QStringList texts;
    for (int row = 1; row < grid.RowCount(); ++row) {
        texts.append(grid.cell(col, row));
    }
    return texts;
}

// Key texts in column 0, a tag naming the original row in column 1.
void fillKeys(SortGridData& grid, const QStringList& keys) {
    QList<QStringList> rows;
    for (int i = 0; i < keys.size(); ++i) {
        rows.append({keys[i], QString::number(i + 1)});
    }
    fill(grid, rows);
}

// The protocol's start-number comparison: blank last, then "AUS", then by length.
int lengthThenOrdinal(const QString& a, const QString& b) {
    auto key = [](const QString& t) -> int {
        if (t.trimmed().isEmpty()) {
            return 19;
        }
        return t.toUpper() == QLatin1String("AUS") ? 18 : int(t.size());
    };
    if (key(a) != key(b)) {
        return key(a) > key(b) ? 1 : -1;
    }
    return QString::compare(a, b);
}

} // namespace

class TestSortGridData : public QObject {
    Q_OBJECT

private slots:
    void startsWithHeaderAndOneDataRow() {
        SortGridData grid;
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.Row(), 1);
        grid.setRowCount(0);
        QCOMPARE(grid.RowCount(), 2);
        grid.setColCount(10);
        QCOMPARE(grid.rowCells(1).size(), 10);
        QCOMPARE(grid.ColWidth(9), SortGridData::defaultColWidth);
        grid.setColWidth(9, -1);
        QCOMPARE(grid.ColWidth(9), -1);
    }

    void equalKeysKeepOrder_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("style");
        QTest::newRow("ascending") << int(sdAscending) << int(ssNormal);
        QTest::newRow("descending") << int(sdDescending) << int(ssNormal);
        QTest::newRow("descending numeric") << int(sdDescending) << int(ssNumeric);
        QTest::newRow("descending custom") << int(sdDescending) << int(ssCustom);
    }
    void equalKeysKeepOrder() {
        QFETCH(int, direction);
        QFETCH(int, style);
        SortGridData grid;
        fillKeys(grid, {"7", "7", "7", "7", "7"});
        grid.SortOptions().SortDirection = TSortDirection(direction);
        grid.SortOptions().SortStyle = TSortStyle(style);
        grid.SortOptions().CustomCompare = lengthThenOrdinal;
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 1), (QStringList{"1", "2", "3", "4", "5"}));
    }

    void duplicateKeysStableAcrossSeveralKeys_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ascending") << int(sdAscending) << QStringList{"r4", "r2", "r6", "r3", "r1", "r5", "r7"};
        QTest::newRow("descending") << int(sdDescending) << QStringList{"r7", "r1", "r5", "r3", "r2", "r6", "r4"};
    }
    void duplicateKeysStableAcrossSeveralKeys() {
        QFETCH(int, direction);
        QFETCH(QStringList, expected);
        SortGridData grid;
        // Sorted by column 0, then column 1, then column 2; r1/r5 and r2/r6 are
        // equal in every key and must keep their order in both directions.
        fill(grid, {{"b", "x", "2", "r1"},
                    {"a", "y", "1", "r2"},
                    {"b", "x", "1", "r3"},
                    {"a", "x", "9", "r4"},
                    {"b", "x", "2", "r5"},
                    {"a", "y", "1", "r6"},
                    {"b", "y", "0", "r7"}});
        grid.SortOptions().SortStyle = ssNormal;
        grid.SortOptions().SecondaryIndex = QStringLiteral("1, 2");
        grid.SortOptions().SortDirection = TSortDirection(direction);
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 3), expected);
    }

    void secondaryIndexOrdersEqualPrimaryTexts() {
        SortGridData grid;
        QList<QStringList> rows;
        for (const auto& [group, time] : QList<QPair<QString, QString>>{
                 {"B", "9,100"}, {"C", "8,000"}, {"A", "9,100"}, {"A", "8,000"}, {"", "9,100"}}) {
            QStringList cells(10);
            cells[3] = group;
            cells[8] = time;
            rows.append(cells);
        }
        fill(grid, rows);
        grid.SortOptions().SortStyle = ssNormal;
        grid.SortOptions().SecondaryIndex = QStringLiteral("3");
        grid.SortOptions().SortCol = 8;
        grid.sortByColumn(8);
        QCOMPARE(column(grid, 8), (QStringList{"8,000", "8,000", "9,100", "9,100", "9,100"}));
        QCOMPARE(column(grid, 3), (QStringList{"A", "C", "", "A", "B"}));
        QCOMPARE(grid.SortOptions().SortCol, 8);
    }

    void secondaryIndexHoldingThePrimaryColumnIsOneKey() {
        SortGridData grid;
        fillKeys(grid, {"b", "a", "b"});
        QList<int> asked;
        grid.OnGetSortStyle = [&](int col, TSortStyle& style) {
            asked.append(col);
            style = ssNormal;
        };
        grid.SortOptions().SecondaryIndex = QStringLiteral("1,0,x,99");
        grid.sortByColumn(0);
        // Least significant key first, asked once per key column.
        QCOMPARE(asked, (QList<int>{1, 0}));
        QCOMPARE(column(grid, 1), (QStringList{"2", "1", "3"}));
    }

    void startNumbers_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("custom") << int(ssCustom) << QStringList{"9", "10", "100", "AUS", " "};
        QTest::newRow("normal") << int(ssNormal) << QStringList{" ", "10", "100", "9", "AUS"};
    }
    void startNumbers() {
        QFETCH(int, style);
        QFETCH(QStringList, expected);
        SortGridData grid;
        fillKeys(grid, {"100", " ", "AUS", "9", "10"});
        const TSortStyle wanted = TSortStyle(style);
        grid.OnGetSortStyle = [&grid, wanted](int, TSortStyle& s) {
            s = wanted;
            if (wanted == ssCustom) {
                grid.SortOptions().CustomCompare = lengthThenOrdinal;
            }
        };
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 0), expected);
        QCOMPARE(grid.SortOptions().SortStyle, wanted);
    }

    void customCompareSeesLowerCasedTextsAndIsEmptiedAfterSorting() {
        SortGridData grid;
        fillKeys(grid, {"Bär", "ANNA"});
        QStringList seen;
        grid.SortOptions().SortStyle = ssCustom;
        grid.SortOptions().CustomCompare = [&seen](const QString& a, const QString& b) {
            seen << a << b;
            return QString::compare(a, b);
        };
        grid.sortByColumn(0);
        QVERIFY(!grid.SortOptions().CustomCompare);
        QVERIFY(seen.contains(QStringLiteral("anna")));
        QVERIFY(seen.contains(QStringLiteral("bär")));
        QVERIFY(!seen.contains(QStringLiteral("ANNA")));

        // Without a function the column is compared ordinally, not left unsorted.
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 0), (QStringList{"ANNA", "Bär"}));
        QVERIFY(!grid.SortOptions().CustomCompare);
    }

    void umlautsAfterAsciiWithTheSamePrefix_data() {
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case blind") << false << QStringList{"mueller", "Mulder", "Mustermann", "Müller", "Müllerin"};
        QTest::newRow("case sensitive") << true << QStringList{"Mulder", "Mustermann", "Müller", "Müllerin", "mueller"};
    }
    void umlautsAfterAsciiWithTheSamePrefix() {
        QFETCH(bool, caseSensitive);
        QFETCH(QStringList, expected);
        SortGridData grid;
        fillKeys(grid, {"Müllerin", "Mustermann", "Müller", "mueller", "Mulder"});
        grid.OnGetSortStyle = [](int, TSortStyle& s) { s = ssAutomatic; };
        grid.SortOptions().SortCaseSensitive = caseSensitive;
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 0), expected);
    }

    void numericStyleUsesTheLocaleAndFallsBack() {
        SortGridData grid;
        grid.setLocale(QLocale(QLocale::German, QLocale::Germany));
        fillKeys(grid, {"10,5", "-", "9,75", "2", "100"});
        grid.SortOptions().SortStyle = ssNumeric;
        grid.sortByColumn(0);
        // "-" does not convert: ordinally it comes before every digit.
        QCOMPARE(column(grid, 0), (QStringList{"-", "2", "9,75", "10,5", "100"}));
        grid.SortOptions().SortDirection = sdDescending;
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 0), (QStringList{"100", "10,5", "9,75", "2", "-"}));
    }

    void automaticStyleIsDetectedAndKept() {
        SortGridData grid;
        grid.setLocale(QLocale(QLocale::German, QLocale::Germany));
        fillKeys(grid, {"10", "9", "100"});
        grid.sortByColumn(0);
        QCOMPARE(grid.SortOptions().SortStyle, ssNumeric);
        QCOMPARE(column(grid, 0), (QStringList{"9", "10", "100"}));
        QCOMPARE(grid.detectSortStyle(1), ssNumeric);
        grid.setCell(1, 2, QStringLiteral("x"));
        QCOMPARE(grid.detectSortStyle(1), ssNormal);
    }

    void dateTimeStyleOrdersByTime() {
        SortGridData grid;
        grid.setLocale(QLocale(QLocale::German, QLocale::Germany));
        fillKeys(grid, {"02.01.2024 08:00:00", "31.12.2023", "01.01.2024 23:00:00"});
        grid.SortOptions().SortStyle = ssDateTime;
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 1), (QStringList{"2", "3", "1"}));
    }

    void nothingHappensWhileSortingIsOff() {
        SortGridData grid;
        fillKeys(grid, {"b", "a"});
        grid.SortOptions().CanSort = false;
        grid.SortOptions().SortCol = 1;
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 0), (QStringList{"b", "a"}));
        QCOMPARE(grid.SortOptions().SortCol, 1);
    }

    void handlerThatResizesTheTableStopsTheSort() {
        SortGridData grid;
        fillKeys(grid, {"c", "b", "a"});
        grid.OnGetSortStyle = [&grid](int, TSortStyle&) { grid.setRowCount(2); };
        grid.sortByColumn(0);
        QCOMPARE(column(grid, 0), QStringList{"c"});
        QVERIFY(!grid.isSorting());
        QVERIFY(!grid.SortOptions().CustomCompare);
    }

    void sortBatchesNotificationsAndRestoresOptions() {
        SortGridData grid;
        fillKeys(grid, {"c", "b", "a"});
        grid.SortOptions().UpdateOnSizeChange = true;
        bool duringSort = true;
        QObject::connect(&grid, &SortGridData::sortStarted, &grid,
                         [&] { duringSort = grid.SortOptions().UpdateOnSizeChange || !grid.isSorting(); });
        int endUpdates = 0;
        grid.OnEndUpdate = [&] { ++endUpdates; };
        QSignalSpy resets(&grid, &SortGridData::gridReset);
        QSignalSpy cells(&grid, &SortGridData::cellChanged);
        grid.sortByColumn(0);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(cells.count(), 0);
        QCOMPARE(endUpdates, 1);
        QVERIFY(!duringSort);
        QVERIFY(grid.SortOptions().UpdateOnSizeChange);
        QVERIFY(!grid.isSorting());
    }

    void currentRowFollowsItsRow() {
        SortGridData grid;
        fillKeys(grid, {"d", "b", "c", "a"});
        grid.selectRow(3); // "c"
        QSignalSpy moved(&grid, &SortGridData::currentChanged);
        grid.sortByColumn(0);
        QCOMPARE(grid.Row(), 3);
        QCOMPARE(grid.cell(0, grid.Row()), QStringLiteral("c"));
        grid.setRow(1); // "a"
        grid.SortOptions().SortDirection = sdDescending;
        grid.sortByColumn(0);
        QCOMPARE(grid.Row(), 4);
        QCOMPARE(grid.SelectedRows(), QList<int>{4});
        QCOMPARE(grid.Selection(), (TGridRect{0, 4, 1, 4}));
        QVERIFY(moved.count() >= 2);
    }

    void deleteRow_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("only data row is emptied") << QStringList{"1"} << 1 << QStringList{""};
        QTest::newRow("two rows, first removed") << QStringList{"1", "2"} << 1 << QStringList{"2"};
        QTest::newRow("two rows, second removed") << QStringList{"1", "2"} << 2 << QStringList{"1"};
        QTest::newRow("header row stays") << QStringList{"1", "2"} << 0 << QStringList{"1", "2"};
        QTest::newRow("beyond the last row") << QStringList{"1", "2"} << 3 << QStringList{"1", "2"};
    }
    void deleteRow() {
        QFETCH(QStringList, keys);
        QFETCH(int, row);
        QFETCH(QStringList, remaining);
        SortGridData grid;
        fillKeys(grid, keys);
        grid.setCell(0, 0, QStringLiteral("Nr."));
        QList<int> deleted;
        grid.OnRowDelete = [&](int r) {
            QCOMPARE(grid.RowCount(), int(remaining.size()) + 1); // fires afterwards
            deleted.append(r);
        };
        grid.deleteRow(row);
        QCOMPARE(column(grid, 0), remaining);
        QCOMPARE(grid.cell(1, 1).isEmpty(), remaining == QStringList{""});
        QCOMPARE(grid.cell(0, 0), QStringLiteral("Nr."));
        QCOMPARE(deleted, row >= 1 && row <= keys.size() ? QList<int>{row} : QList<int>{});
    }

    void deleteRowKeepsTheCurrentRowsData() {
        SortGridData grid;
        fillKeys(grid, {"a", "b", "c", "d"});
        grid.selectRow(3);
        grid.deleteRow(1);
        QCOMPARE(grid.cell(0, grid.Row()), QStringLiteral("c"));
        grid.selectRow(3); // last row, "d"
        grid.deleteRow(3);
        QCOMPARE(grid.Row(), 2);
    }

    void findRow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<int>("row");
        QTest::newRow("exact") << "Maier" << false << 2;
        QTest::newRow("case matters") << "MAIER" << false << -1;
        QTest::newRow("ignore case") << "MAIER" << true << 2;
        QTest::newRow("first of two") << "12" << false << 3;
        QTest::newRow("umlauts are not folded") << "MÜLLER" << true << -1;
        QTest::newRow("umlaut with ASCII folded") << "MüLLER" << true << 1;
        QTest::newRow("header is not searched") << "Nr." << false << -1;
        QTest::newRow("whole text only") << "Mai" << false << -1;
    }
    void findRow() {
        QFETCH(QString, text);
        QFETCH(bool, ignoreCase);
        QFETCH(int, row);
        SortGridData grid;
        fill(grid, {{"müller"}, {"Maier"}, {"12"}, {"12"}});
        grid.setCell(0, 0, QStringLiteral("Nr."));
        QCOMPARE(grid.findRow(0, text, ignoreCase), row);
    }

    void addToRowFillsTheFirstEmptyCell() {
        SortGridData grid;
        grid.setColCount(3);
        QVERIFY(grid.addToRow(1, QStringLiteral("7")));
        QVERIFY(grid.addToRow(1, QString()));
        QVERIFY(grid.addToRow(1, QStringLiteral("Anna")));
        QVERIFY(!grid.addToRow(1, QStringLiteral("dropped")));
        QCOMPARE(grid.rowCells(1), (QStringList{"7", " ", "Anna"}));
    }
};

QTEST_GUILESS_MAIN(TestSortGridData)
#include "test_sort_grid_data.moc"
