#include "protocol/run_corrections.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"

bool isCorrectableRun(const SortGridData& grid, int row) {
    return row >= 1 && row < grid.RowCount() && !isBlankCell(grid.cell(colNr, row));
}

bool markRunInvalid(SortGridData& grid, int row) {
    if (!isCorrectableRun(grid, row))
        return false;
    grid.beginUpdate();
    for (int col = colZwZeit; col <= colZeit; ++col)
        grid.setCell(col, row, QStringLiteral("AUS"));
    grid.endUpdate();
    return true;
}

bool changeStartNumber(SortGridData& grid, int row, int number) {
    if (!isCorrectableRun(grid, row) || number < minStartNumber || number > maxStartNumber)
        return false;
    grid.setCell(colNr, row, QString::number(number));
    return true;
}
