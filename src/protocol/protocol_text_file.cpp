// Writes the protocol (and the backup) as a text file, starting with the program's own
// header line, and reads such a file back into the grid.

#include "protocol/protocol_text_file.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_format.h"
#include "protocol/text_file_codec.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The file's text for rowCount data rows, row(i) giving the cells of the i-th.
template <typename Row> QByteArray textFileBytes(int colCount, qsizetype rowCount, Row row) {
    // Row 0 may show a loaded sheet's own headers ("Nr", "Startnummer"), which the reader
    // would take for a competitor; the file always starts with the program's header line.
    QString text = protocolTextLine(protocolHeaderTexts().mid(0, colCount));
    for (qsizetype i = 0; i < rowCount; ++i) {
        QStringList cells = row(i);
        if (cells.value(colNr).isEmpty())
            continue;
        cells.resize(colCount);
        text += protocolTextLine(cells);
    }
    return encodeTextFile(text);
}

} // namespace

QByteArray protocolTextBytes(const SortGridData& grid) {
    return textFileBytes(grid.ColCount(), grid.RowCount() - 1,
                         [&grid](qsizetype i) { return grid.rowCells(int(i) + 1); });
}

QByteArray protocolTextBytes(const QList<QStringList>& dataRows, int colCount) {
    return textFileBytes(colCount, dataRows.size(), [&dataRows](qsizetype i) { return dataRows.at(i); });
}

bool rowsFitBackup(const QList<QStringList>& dataRows, int colCount) {
    if (dataRows.size() > maxProtocolRows)
        return false;
    qint64 chars = 0;
    for (const QStringList& row : dataRows)
        for (const QString& cell : row)
            chars += cell.size();
    // Every character is at least one byte in the file; no need to build a file that cannot fit.
    if (chars > maxProtocolFileBytes)
        return false;
    return protocolTextBytes(dataRows, colCount).size() <= maxProtocolFileBytes;
}

bool saveProtocolText(const SortGridData& grid, const QString& fileName, QString* errorText, TargetLinks links) {
    return writeFileAtomically(fileName, protocolTextBytes(grid), errorText, links);
}

bool setProtocolRowsFromText(SortGridData& grid, QByteArray bytes) {
    if (bytes.size() > maxProtocolFileBytes)
        return false;
    const QString text = decodeTextFile(bytes);
    bytes = QByteArray(); // the text is all that is needed from here on
    if (text.contains(QChar(u'\0')))
        return false;
    const std::optional<QList<QStringList>> rows = parseProtocolText(text, grid.ColCount(), maxProtocolRows);
    if (!rows || !rowsFitBackup(*rows, grid.ColCount()))
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
