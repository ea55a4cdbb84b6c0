#include "protocol/protocol_text_file.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_format.h"
#include "protocol/text_file_codec.h"

#include <QFile>
#include <QFileInfo>

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

bool setProtocolRowsFromText(SortGridData& grid, QByteArray bytes) {
    if (bytes.size() > maxProtocolFileBytes)
        return false;
    const QString text = decodeTextFile(bytes);
    bytes = QByteArray(); // the text is all that is needed from here on
    if (text.contains(QChar(u'\0')))
        return false;
    const std::optional<QList<QStringList>> rows = parseProtocolText(text, grid.ColCount(), maxProtocolRows);
    if (!rows)
        return false;
    grid.beginUpdate();
    clearProtocol(grid);
    grid.setRowCount(int(rows->size()) + 1);
    for (int i = 0; i < rows->size(); ++i) {
        const int row = i + 1;
        grid.clearRow(row);
        const QStringList& cells = rows->at(i);
        for (int col = 0; col < cells.size(); ++col)
            grid.setCell(col, row, cells.at(col));
    }
    grid.endUpdate();
    return true;
}

ProtocolLoadResult loadProtocolText(SortGridData& grid, const QString& fileName, bool platzOn,
                                    const QString& startNumberText) {
    ProtocolLoadResult result;
    const QFileInfo info(fileName);
    if (!info.exists())
        return result;
    // A folder, a pipe or a device is no protocol, and reading one could take for ever.
    if (!info.isFile() || info.size() > maxProtocolFileBytes) {
        result.refused = true;
        return result;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    // Normally the whole file at once; should it have grown since its size was looked at,
    // never more than one byte past the limit.
    QByteArray bytes = file.read(info.size() + 1);
    if (bytes.size() > info.size())
        bytes += file.read(maxProtocolFileBytes + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError)
        return result;
    file.close();

    if (!setProtocolRowsFromText(grid, std::move(bytes))) {
        result.refused = true;
        return result;
    }
    result.loaded = true;
    rankProtocol(grid, platzOn, startNumberText);
    result.startNumbers = startNumbersFromRow(grid, 1);
    return result;
}
