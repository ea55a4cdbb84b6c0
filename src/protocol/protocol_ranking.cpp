#include "protocol/protocol_ranking.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"

#include <utility>

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

int rankProtocol(SortGridData& grid, bool platzOn, const QString& startNumberText) {
    grid.beginUpdate();

    // The ranking depends on the protocol's comparison whatever handler the window
    // has bound, so it is used for this sort and the previous handler restored.
    auto boundHandler = std::exchange(grid.OnGetSortStyle, nullptr);
    bindProtocolSortStyle(grid);
    grid.SortOptions().CanSort = true;
    grid.sortByColumn(grid.SortOptions().SortCol);
    grid.SortOptions().CanSort = true;
    grid.OnGetSortStyle = std::move(boundHandler);

    const int sortCol = grid.SortOptions().SortCol;
    const int platzCol = grid.ColCount() - 1;
    // A rank counts only the ranked rows above it: in a descending sort the rows
    // without a result ("-", "AUS", blank) lie on top and must not push the best run off 1.
    QString previousValue;
    int previousRankedRow = 1;
    int previousRank = 1;
    int rankedRows = 0;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (!platzOn) {
            grid.setCell(platzCol, row, QString());
            continue;
        }
        const QString value = grid.cell(sortCol, row);
        if (isNoResultCell(value)) {
            // A run without a result never shows a place, also one a file or a correction
            // left there; a blank cell is a run still on the track and keeps its cell.
            if (!isBlankCell(value))
                grid.setCell(platzCol, row, QStringLiteral("-"));
            continue;
        }
        ++rankedRows;
        if (value == previousValue && grid.cell(sortCol, previousRankedRow) == value) {
            grid.setCell(platzCol, row, QString::number(previousRank));
            continue;
        }
        grid.setCell(platzCol, row, QString::number(rankedRows));
        previousValue = value;
        previousRankedRow = row;
        previousRank = rankedRows;
    }

    const int selected = grid.findRow(colNr, startNumberText, false);
    if (selected >= 0)
        grid.selectRow(selected);
    grid.endUpdate();
    return selected;
}
