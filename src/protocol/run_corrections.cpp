// A finished run marked "AUS" or given another start number, row by row in the grid.

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
    const QString oldNumber = grid.cell(colNr, row);
    const QString newNumber = QString::number(number);
    const Competitor wrong = competitorOf(grid, oldNumber);
    const Competitor right = competitorOf(grid, newNumber);
    // A run started under another competitor's number filled that driver's row (his start-list
    // row, or his names copied at the finish). When the right number belongs to a known driver,
    // the run becomes that driver's, and the other driver keeps a row of his own.
    const bool known = !right.name.isEmpty() || !right.vehicle.isEmpty() || !right.group.isEmpty();
    const bool othersNames = oldNumber != newNumber && known && grid.cell(colName, row) == wrong.name &&
                             grid.cell(colFahrzeug, row) == wrong.vehicle && grid.cell(colGruppe, row) == wrong.group &&
                             !(wrong.name.isEmpty() && wrong.vehicle.isEmpty() && wrong.group.isEmpty());
    grid.beginUpdate();
    grid.setCell(colNr, row, newNumber);
    const std::pair<int, const QString*> details[] = {
        {colName, &right.name}, {colFahrzeug, &right.vehicle}, {colGruppe, &right.group}};
    for (const auto& [col, text] : details) {
        // Otherwise it takes the names the protocol knows for its right number where it has none.
        if (othersNames || (!text->isEmpty() && isNoResultCell(grid.cell(col, row))))
            grid.setCell(col, row, *text);
    }
    if (othersNames && grid.findRow(colNr, oldNumber, false) < 1) {
        const int kept = grid.RowCount();
        grid.setRowCount(kept + 1);
        grid.clearRow(kept);
        grid.setCell(colNr, kept, oldNumber);
        grid.setCell(colName, kept, wrong.name);
        grid.setCell(colFahrzeug, kept, wrong.vehicle);
        grid.setCell(colGruppe, kept, wrong.group);
    }
    grid.endUpdate();
    return true;
}
