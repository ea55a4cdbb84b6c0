#include "protocol/protocol_text_file.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_format.h"
#include "protocol/text_file_codec.h"

#include <QFile>

QByteArray protocolTextBytes(const SortGridData& grid) {
    QString text;
    for (int row = 0; row < grid.RowCount(); ++row) {
        if (grid.cell(colNr, row).isEmpty())
            continue;
        text += protocolTextLine(grid.rowCells(row));
    }
    return encodeTextFile(text);
}

bool saveProtocolText(const SortGridData& grid, const QString& fileName, QString* errorText) {
    return writeFileAtomically(fileName, protocolTextBytes(grid), errorText);
}

void setProtocolRowsFromText(SortGridData& grid, const QByteArray& bytes) {
    const QList<QStringList> rows = parseProtocolText(decodeTextFile(bytes), grid.ColCount());
    grid.beginUpdate();
    clearProtocol(grid);
    grid.setRowCount(int(rows.size()) + 1);
    for (int i = 0; i < rows.size(); ++i) {
        const int row = i + 1;
        grid.clearRow(row);
        const QStringList& cells = rows.at(i);
        for (int col = 0; col < cells.size(); ++col)
            grid.setCell(col, row, cells.at(col));
    }
    grid.endUpdate();
}

ProtocolLoadResult loadProtocolText(SortGridData& grid, const QString& fileName, bool platzOn,
                                    const QString& startNumberText) {
    ProtocolLoadResult result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return result;
    file.close();

    setProtocolRowsFromText(grid, bytes);
    result.loaded = true;
    result.selectedRow = rankProtocol(grid, platzOn, startNumberText);
    result.startNumbers = startNumbersFromRow(grid, 1);
    result.buttonsEnabled = protocolButtonsEnabled(grid);
    return result;
}
