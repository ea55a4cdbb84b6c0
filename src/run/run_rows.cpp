// The result texts of a run and the search for the next starter in the protocol.

#include "run/run_rows.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_table.h"
#include "timing/run_time.h"

#include <QSet>

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

int RunRows::numberRow(const QString& nr, bool manyStart) const {
    if (!manyStart)
        return rowOf(nr);
    // A start list's row: the number's first row no run has written a result into yet.
    for (int row = 1; row < m_grid.RowCount(); ++row) {
        if (m_grid.cell(colNr, row) != nr)
            continue;
        bool untouched = true;
        for (int col = colZwZeit; col <= colZeit && untouched; ++col)
            untouched = isBlankCell(m_grid.cell(col, row));
        if (untouched)
            return row;
    }
    return -1;
}

int RunRows::beginRow(const QString& nr, bool manyStart) {
    int row = numberRow(nr, manyStart);
    if (row >= 1)
        selectRow(row);
    else
        row = emptyOrNewLastRow();
    markStarted(row, nr);
    m_runRowId = m_grid.rowId(row);
    return row;
}

int RunRows::runRow(const QString& nr, bool manyStart) const {
    if (m_runRowId != 0) {
        const int own = m_grid.rowOfId(m_runRowId);
        if (own >= 1)
            return own;
    }
    return numberRow(nr, manyStart);
}

int RunRows::finishRow(const QString& nr, bool manyStart) {
    int row = runRow(nr, manyStart);
    m_runRowId = 0;
    if (row < 1) {
        row = emptyOrNewLastRow();
        markStarted(row, nr);
    }
    if (manyStart)
        fillCompetitor(row, nr);
    return row;
}

void RunRows::fillCompetitor(int row, const QString& nr) {
    // The competitor's details come from the number's rows that hold real ones, never
    // an accident's "-"; what was typed into the run's row stays.
    const Competitor competitor = competitorOf(m_grid, nr);
    const std::pair<int, const QString*> details[] = {
        {colName, &competitor.name}, {colFahrzeug, &competitor.vehicle}, {colGruppe, &competitor.group}};
    for (const auto& [col, text] : details) {
        if (!text->isEmpty() && isBlankCell(m_grid.cell(col, row)))
            m_grid.setCell(col, row, *text);
    }
}

void RunRows::writeResults(int row, const RunResultTexts& results) {
    m_grid.setCell(colZeit, row, results.zeit);
    m_grid.setCell(colZwZeit, row, results.zwZeit);
    m_grid.setCell(colVmax, row, results.vmax);
    m_grid.setCell(colEndZeit, row, results.endZeit);
    m_grid.setCell(colSchnitt, row, results.schnitt);
}

int RunRows::markAccident(const QString& nr, bool manyStart) {
    const int row = runRow(nr, manyStart);
    m_runRowId = 0;
    if (row < 1)
        return -1;
    // A later round's crash is still that driver's run.
    if (manyStart)
        fillCompetitor(row, nr);
    for (int col = colName; col <= colPlatz; ++col) {
        if (isBlankCell(m_grid.cell(col, row)))
            m_grid.setCell(col, row, QStringLiteral("-"));
    }
    return row;
}

NextStarter RunRows::nextStarterSearch() {
    // A number with a time is not offered again, nor named for "Bereit", even where a row of
    // it is still empty: "Nr. ändern" can give a run to a number whose start-list row is left.
    QSet<int> timed;
    for (int row = 1; row < m_grid.RowCount(); ++row) {
        const std::optional<int> number = startNumbersFromRow(m_grid, row).startNumber;
        if (number && !isBlankCell(m_grid.cell(colZeit, row)))
            timed.insert(*number);
    }
    const auto hasTime = [&](int row) {
        const std::optional<int> number = startNumbersFromRow(m_grid, row).startNumber;
        return number && timed.contains(*number);
    };
    NextStarter found;
    for (int row = 1; row < m_grid.RowCount(); ++row) {
        if (!isBlankCell(m_grid.cell(colZeit, row)) || hasTime(row))
            continue;
        const std::optional<int> number = startNumbersFromRow(m_grid, row).startNumber;
        if (!number)
            continue;
        found.startN1 = number;
        selectRow(row);
        int below = row + 1;
        while (below < m_grid.RowCount() && hasTime(below))
            ++below;
        // Without a numbered row below, the search goes on; what it set stays.
        const std::optional<int> next = startNumbersFromRow(m_grid, below).startNumber;
        if (!next)
            continue;
        found.startN2 = next;
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
