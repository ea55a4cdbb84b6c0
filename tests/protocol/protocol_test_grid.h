#pragma once

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"

#include <QList>
#include <QStringList>

// Test helpers: fill a protocol grid from rows of cells and read its columns back.

inline void fillProtocol(SortGridData& grid, const QList<QStringList>& rows) {
    setupProtocolGrid(grid);
    grid.setRowCount(int(rows.size()) + 1);
    for (int i = 0; i < rows.size(); ++i) {
        for (int col = 0; col < rows[i].size(); ++col)
            grid.setCell(col, i + 1, rows[i][col]);
    }
}

// A row with the given start number, "Zeit" and "Vmax"; other cells empty.
inline QStringList runRow(const QString& nr, const QString& zeit, const QString& vmax = QString(),
                          const QString& platz = QString()) {
    QStringList cells(protocolColumnCount);
    cells[colNr] = nr;
    cells[colZeit] = zeit;
    cells[colVmax] = vmax;
    cells[colPlatz] = platz;
    return cells;
}

// A competitor's run for the standings: number, group, the result in column ("Zeit" unless
// given) and the name; other cells empty.
inline QStringList groupRunRow(const QString& nr, const QString& gruppe, const QString& result,
                               const QString& name = QString(), int column = colZeit) {
    QStringList cells = runRow(nr, QString());
    cells[colGruppe] = gruppe;
    cells[colName] = name;
    cells[column] = result;
    return cells;
}

inline QStringList protocolColumn(const SortGridData& grid, int col) {
    QStringList texts;
    for (int row = 1; row < grid.RowCount(); ++row)
        texts.append(grid.cell(col, row));
    return texts;
}

inline QList<QStringList> protocolRows(const SortGridData& grid) {
    QList<QStringList> rows;
    for (int row = 0; row < grid.RowCount(); ++row)
        rows.append(grid.rowCells(row));
    return rows;
}
