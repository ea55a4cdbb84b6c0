#include "protocol/run_corrections.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"

#include <utility>

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
    grid.beginUpdate();
    grid.setCell(colNr, row, QString::number(number));
    // A run started under a wrong number has no names or another driver's: it takes those the
    // protocol knows for its right number where it has none of its own.
    const Competitor competitor = competitorOf(grid, QString::number(number));
    const std::pair<int, const QString*> details[] = {
        {colName, &competitor.name}, {colFahrzeug, &competitor.vehicle}, {colGruppe, &competitor.group}};
    for (const auto& [col, text] : details) {
        if (!text->isEmpty() && isNoResultCell(grid.cell(col, row)))
            grid.setCell(col, row, *text);
    }
    grid.endUpdate();
    return true;
}
