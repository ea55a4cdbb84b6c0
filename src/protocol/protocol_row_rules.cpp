// Whether the protocol buttons are open, and which start numbers a row gives, read from the
// protocol's rows.

#include "protocol/protocol_row_rules.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"

namespace {

std::optional<int> startNumberOf(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

bool protocolButtonsEnabled(const SortGridData& grid) {
    return grid.RowCount() >= 2 && !isBlankCell(grid.cell(colNr, 1));
}

StartNumbers startNumbersFromRow(const SortGridData& grid, int row) {
    StartNumbers numbers;
    if (row < 1 || row >= grid.RowCount())
        return numbers;
    numbers.startNumber = startNumberOf(grid.cell(colNr, row));
    if (numbers.startNumber && row + 1 < grid.RowCount())
        numbers.nextStarter = startNumberOf(grid.cell(colNr, row + 1));
    return numbers;
}

bool rowHasTime(const SortGridData& grid, int row) {
    return row >= 1 && row < grid.RowCount() && !isNoResultCell(grid.cell(colZeit, row));
}

bool hasTimedRuns(const SortGridData& grid) {
    for (int row = 1; row < grid.RowCount(); ++row)
        if (rowHasTime(grid, row))
            return true;
    return false;
}

Competitor competitorOf(const SortGridData& grid, const QString& startNumber) {
    Competitor found;
    QString* const cells[] = {&found.name, &found.vehicle, &found.group};
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.cell(colNr, row) != startNumber)
            continue;
        for (int col = colName; col <= colGruppe; ++col) {
            QString& cell = *cells[col - colName];
            const QString text = grid.cell(col, row);
            if (cell.isEmpty() && !isNoResultCell(text))
                cell = text;
        }
    }
    return found;
}
