// The day's protocol the standings benches time: competitors in groups, filled by a seeded random.

#pragma once

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"

#include <QRandomGenerator>
#include <QString>

#include <algorithm>

// Competitors of about five runs each, some accidents, the rest timed; Vmax for the second rule.
inline void fillBenchProtocol(SortGridData& grid, int rows, int groups, QRandomGenerator& random) {
    setupProtocolGrid(grid);
    grid.beginUpdate();
    grid.setRowCount(rows + 1);
    const int competitors = std::max(1, rows / 5);
    for (int row = 1; row <= rows; ++row) {
        const int competitor = int(random.bounded(competitors));
        grid.setCell(colNr, row, QString::number(1 + competitor));
        grid.setCell(colName, row, QStringLiteral("Fahrer %1").arg(competitor));
        grid.setCell(colFahrzeug, row, QStringLiteral("Fahrzeug %1").arg(competitor % 50));
        grid.setCell(colGruppe, row, QStringLiteral("Klasse %1").arg(competitor % groups));
        if (random.bounded(20) == 0) {
            grid.setCell(colZeit, row, QStringLiteral("-"));
            grid.setCell(colVmax, row, QStringLiteral("-"));
            continue;
        }
        const int ms = 4000 + int(random.bounded(80000));
        grid.setCell(colZeit, row, QStringLiteral("%1,%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0')));
        grid.setCell(colVmax, row, QString::number(36000.0 / (ms / 10), 'f', 2).replace(u'.', u','));
    }
    grid.endUpdate();
}
