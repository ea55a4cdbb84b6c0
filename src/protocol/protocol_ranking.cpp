// Sorts the protocol by the clicked column and gives the ranks ("Platz") by the ranking
// column, equal results sharing a rank.

#include "protocol/protocol_ranking.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"

#include <algorithm>

void SortGrid1GetSortStyle(SortGridData& grid, int Col, TSortStyle& SortStyle) {
    if (Col >= colName && Col <= colGruppe) {
        SortStyle = ssAutomatic;
    } else if (Col == colNr || (Col >= colZwZeit && Col <= colPlatz)) {
        SortStyle = ssCustom;
        grid.SortOptions().CustomCompare = compareResultCells;
    }
}

void bindProtocolSortStyle(SortGridData& grid) {
    grid.OnGetSortStyle = [&grid](int Col, TSortStyle& SortStyle) { SortGrid1GetSortStyle(grid, Col, SortStyle); };
}

QStringList rankTexts(const QStringList& values) {
    QStringList ranks;
    ranks.reserve(values.size());
    QString previousValue;
    int previousRank = 0;
    int rankedRows = 0;
    for (const QString& value : values) {
        if (isNoResultCell(value)) {
            ranks.append(QString());
            continue;
        }
        ++rankedRows;
        // Equal results share the rank of the first of them, also when the values are ranks.
        if (previousRank == 0 || value != previousValue) {
            previousRank = rankedRows;
            previousValue = value;
        }
        ranks.append(QString::number(previousRank));
    }
    return ranks;
}

void sortProtocol(SortGridData& grid) {
    grid.SortOptions().CanSort = true;
    grid.sortByColumn(grid.SortOptions().SortCol);
}

int selectStartNumberRow(SortGridData& grid, const QString& startNumberText) {
    const int row = grid.findRow(colNr, startNumberText, false);
    if (row >= 0)
        grid.selectRow(row);
    return row;
}

bool isResultColumn(int col) {
    return col >= colZwZeit && col <= colZeit;
}

TSortDirection rankingDirection(int col) {
    return col == colSchnitt || col == colVmax ? sdDescending : sdAscending;
}

void protocolHeaderClicked(SortGridData& grid, int col) {
    if (isResultColumn(col))
        grid.SortOptions().RankCol = col;
}

int rankProtocol(SortGridData& grid, bool platzOn, const QString& startNumberText) {
    grid.beginUpdate();
    sortProtocol(grid);

    const int platzCol = grid.ColCount() - 1;
    const int rankCol = grid.SortOptions().RankCol;
    // The rows with a result in the ranking column's natural order; equal texts keep the
    // view's order, so a shared rank goes to the upper row first.
    QList<int> order;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (!isNoResultCell(grid.cell(rankCol, row)))
            order.append(row);
    }
    const bool descending = rankingDirection(rankCol) == sdDescending;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compareResultCells(grid.cell(rankCol, a).toLower(), grid.cell(rankCol, b).toLower());
        return descending ? c > 0 : c < 0;
    });
    QStringList values;
    for (int row : order)
        values.append(grid.cell(rankCol, row));
    const QStringList ranks = rankTexts(values);
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (!platzOn)
            grid.setCell(platzCol, row, QString());
        // A run without a result never shows a place, also one a file or a correction left
        // there; a blank cell is a run still on the track and keeps what its "Platz" held.
        else if (!isBlankCell(grid.cell(rankCol, row)) && isNoResultCell(grid.cell(rankCol, row)))
            grid.setCell(platzCol, row, QStringLiteral("-"));
    }
    if (platzOn) {
        for (qsizetype i = 0; i < order.size(); ++i)
            grid.setCell(platzCol, order.at(i), ranks.at(i));
    }

    const int selected = selectStartNumberRow(grid, startNumberText);
    grid.endUpdate();
    return selected;
}
