// The protocol's header texts and the empty protocol written into the grid.

#include "protocol/protocol_table.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_ranking.h"

const QStringList& protocolHeaderTexts() {
    static const QStringList headers = {
        QStringLiteral("Nr."),     QStringLiteral("Name"),      QStringLiteral("Fahrzeug"), QStringLiteral("Gruppe"),
        QStringLiteral("Zw.Zeit"), QString::fromUtf8("Ø-km/h"), QStringLiteral("Vmax"),     QStringLiteral("End-Zeit"),
        QStringLiteral("Zeit"),    QStringLiteral("Platz"),
    };
    return headers;
}

void writeProtocolHeaders(SortGridData& grid) {
    grid.setColCount(protocolColumnCount);
    const QStringList& headers = protocolHeaderTexts();
    for (int col = 0; col < protocolColumnCount; ++col)
        grid.setCell(col, 0, headers.at(col));
}

void clearProtocol(SortGridData& grid) {
    grid.beginUpdate();
    grid.setRowCount(2);
    grid.clearRow(1);
    grid.endUpdate();
}

void setupProtocolGrid(SortGridData& grid) {
    grid.beginUpdate();
    writeProtocolHeaders(grid);
    clearProtocol(grid);
    TSortOptions& options = grid.SortOptions();
    options.CanSort = true;
    options.SortStyle = ssNormal;
    options.SortCaseSensitive = false;
    options.SortCol = colZeit;
    options.SortDirection = sdAscending;
    options.UpdateOnSizeChange = false;
    bindProtocolSortStyle(grid);
    grid.SortOptions().RankCol = colZeit;
    grid.endUpdate();
}
