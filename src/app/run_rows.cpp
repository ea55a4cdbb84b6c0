#include "app/run_rows.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"
#include "timing/run_time.h"

RunResultTexts runResultTexts(qint32 totalMs, qint32 splitMs, qint32 trapMs, qint32 length, qint32 lengthF) {
    RunResultTexts texts;
    texts.zeit = formatRunTime(totalMs);
    texts.zwZeit = splitMs != 0 ? splitText(splitMs) : QStringLiteral("-");
    const bool trapTaken = trapMs > 0;
    texts.vmax = trapTaken ? speedText(lengthF, trapMs) : QStringLiteral("-");
    texts.endZeit = trapTaken ? formatRunTime(trapMs) : QStringLiteral("-");
    texts.schnitt = speedText(length, totalMs);
    return texts;
}

int RunRows::rowOf(const QString& nr) const {
    return m_grid.findRow(colNr, nr, false);
}

int RunRows::lastRow() const {
    return m_grid.RowCount() - 1;
}

int RunRows::emptyOrNewLastRow() {
    // A new protocol's single empty row is used before any row is added.
    if (lastRow() < 1 || !m_grid.cell(colNr, lastRow()).isEmpty()) {
        m_grid.setRowCount(m_grid.RowCount() + 1);
        m_grid.clearRow(lastRow());
    }
    return lastRow();
}

void RunRows::markStarted(int row, const QString& nr) {
    m_grid.setCell(colNr, row, nr);
    m_grid.setCell(colZwZeit, row, QStringLiteral("-"));
}

int RunRows::beginRow(const QString& nr, bool manyStart) {
    int row = manyStart ? -1 : rowOf(nr);
    if (row >= 1)
        selectRow(row);
    else
        row = emptyOrNewLastRow();
    markStarted(row, nr);
    return row;
}

void RunRows::selectStartedRow(const QString& nr, bool manyStart) {
    const int row = manyStart ? lastRow() : rowOf(nr);
    if (row >= 1)
        selectRow(row);
}

int RunRows::runRowManyStart(const QString& nr) const {
    // Normally the last row; a header click during the run may have moved it,
    // so fall back to the lowest row of this number that has no time yet.
    for (int row = lastRow(); row >= 1; --row) {
        if (m_grid.cell(colNr, row) == nr && isBlankCell(m_grid.cell(colZeit, row)))
            return row;
    }
    return -1;
}

int RunRows::finishRow(const QString& nr, bool manyStart) {
    const int first = rowOf(nr);
    int row = manyStart ? runRowManyStart(nr) : first;
    if (row < 1) {
        row = emptyOrNewLastRow();
        markStarted(row, nr);
    }
    if (manyStart && first >= 1 && first != row) {
        for (int col : {colName, colFahrzeug, colGruppe})
            m_grid.setCell(col, row, m_grid.cell(col, first));
    }
    return row;
}

void RunRows::writeResults(int row, const RunResultTexts& results) {
    m_grid.setCell(colZeit, row, results.zeit);
    m_grid.setCell(colZwZeit, row, results.zwZeit);
    m_grid.setCell(colVmax, row, results.vmax);
    m_grid.setCell(colEndZeit, row, results.endZeit);
    m_grid.setCell(colSchnitt, row, results.schnitt);
}

int RunRows::markAccident(const QString& nr, bool manyStart) {
    int row = manyStart ? runRowManyStart(nr) : -1;
    if (row < 1)
        row = rowOf(nr);
    if (row < 1)
        return -1;
    for (int col = colName; col <= colPlatz; ++col) {
        if (isBlankCell(m_grid.cell(col, row)))
            m_grid.setCell(col, row, QStringLiteral("-"));
    }
    return row;
}

NextStarter RunRows::nextStarterSearch() {
    NextStarter found;
    for (int row = 1; row < m_grid.RowCount(); ++row) {
        if (!isBlankCell(m_grid.cell(colZeit, row)))
            continue;
        const StartNumbers numbers = startNumbersFromRow(m_grid, row);
        if (!numbers.startNumber)
            continue;
        found.startN1 = numbers.startNumber;
        selectRow(row);
        // Without a numbered row below, the search goes on; what it set stays.
        if (!numbers.nextStarter)
            continue;
        found.startN2 = numbers.nextStarter;
        break;
    }
    return found;
}

void RunRows::selectRow(int row) {
    if (row >= 1 && row < m_grid.RowCount())
        m_grid.selectRow(row);
}

void RunRows::rank(bool platzOn, const QString& nr) {
    rankProtocol(m_grid, platzOn, nr);
}
