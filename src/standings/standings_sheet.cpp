// The standings sheet for the protocol's workbook, with its group headings and headers bold.

#include "standings/standings_sheet.h"

#include "standings/standings_table.h"

WorkbookSheet standingsSheet(const SortGridData& grid, int wertungSetting) {
    const StandingsRule rule = standingsRuleOf(grid, wertungSetting);
    WorkbookSheet sheet;
    sheet.name = QStringLiteral("Wertung");
    sheet.rows = standingsSheetRows(computeStandings(protocolDataRows(grid), rule), rule);
    for (int row = 0; row < sheet.rows.size(); ++row) {
        // A heading stands alone on its row and the header follows it.
        if (sheet.rows[row].size() == 1) {
            sheet.boldRows << row << row + 1;
        }
    }
    return sheet;
}
