#include "protocol/protocol_ranking.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"

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

int rankProtocol(SortGridData& grid, bool platzOn, const QString& startNumberText) {
    grid.beginUpdate();
    sortProtocol(grid);

    const int platzCol = grid.ColCount() - 1;
    QStringList values;
    for (int row = 1; row < grid.RowCount(); ++row)
        values.append(grid.cell(grid.SortOptions().SortCol, row));
    const QStringList ranks = rankTexts(values);
    for (int row = 1; row < grid.RowCount(); ++row) {
        const QString& rank = ranks.at(row - 1);
        if (!platzOn)
            grid.setCell(platzCol, row, QString());
        else if (!rank.isNull())
            grid.setCell(platzCol, row, rank);
        // A run without a result never shows a place, also one a file or a correction left
        // there; a blank cell is a run still on the track and keeps what its "Platz" held.
        else if (!isBlankCell(values.at(row - 1)))
            grid.setCell(platzCol, row, QStringLiteral("-"));
    }

    const int selected = selectStartNumberRow(grid, startNumberText);
    grid.endUpdate();
    return selected;
}
