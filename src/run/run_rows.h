// What a finished run writes into the protocol, and where the next starter is found.

#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class SortGridData;

// The texts a finished run writes into its row.
struct RunResultTexts {
    QString zwZeit;
    QString schnitt; // "Ø-km/h"
    QString vmax;
    QString endZeit;
    QString zeit;
};

// splitMs and trapMs are 0 when that event was not taken.
RunResultTexts runResultTexts(qint32 totalMs, qint32 splitMs, qint32 trapMs, qint32 length, qint32 lengthF);

// Outcome of the next-starter search; a field stays empty when the search
// never set it.
struct NextStarter {
    std::optional<int> startN1;
    std::optional<int> startN2;
};

// How a run finds, creates and fills its row in the protocol grid: the only
// place the run controller touches the grid. GUI thread only.
class RunRows {
public:
    explicit RunRows(SortGridData& grid) : m_grid(grid) {}

    SortGridData& grid() { return m_grid; }

    // First data row whose "Nr." is exactly nr, else -1.
    int rowOf(const QString& nr) const;
    int lastRow() const;

    // The start: reuses the number's row (numberRow), else the empty last row,
    // else a new empty row; writes "Nr." and "-" in "Zw.Zeit". That row is the
    // run's own until its finish or accident.
    int beginRow(const QString& nr, bool manyStart);
    // The row a run owns: during a run its own row, wherever sorts and removals
    // have moved it; when that is gone (removed, cleared, replaced by a load) and
    // outside a run, the number's row (numberRow). -1 when there is none.
    int runRow(const QString& nr, bool manyStart) const;
    // The row a finish fills: the run's row, recreated at the end when it is
    // gone rather than dropping the result. With manyStart the competitor's
    // "Name", "Fahrzeug" and "Gruppe" come from the number's rows that hold real
    // ones (competitorOf), into empty cells only. The run owns no row afterwards.
    int finishRow(const QString& nr, bool manyStart);
    void writeResults(int row, const RunResultTexts& results);
    // Puts "-" into every empty cell from "Name" to "Platz" of runRow, after the
    // competitor's names as for a finish with manyStart. Returns the row or -1 when none.
    int markAccident(const QString& nr, bool manyStart);
    // First row without a "Zeit" whose number converts and has no time in another row: it
    // becomes current; "Bereit" is the next such number below it.
    NextStarter nextStarterSearch();

    void selectRow(int row);
    // Sorts and ranks; selects the row of nr.
    void rank(bool platzOn, const QString& nr);

private:
    // The one rule of manyStart: with one row per number a number's first row is
    // any run's of that number; with many starts it is the number's start-list row
    // (no result cell written yet), which the number's first run fills; later runs
    // find none (-1) and append.
    int numberRow(const QString& nr, bool manyStart) const;
    int emptyOrNewLastRow();
    void markStarted(int row, const QString& nr);
    // With manyStart: the competitor's "Name", "Fahrzeug" and "Gruppe" into the row's empty cells.
    void fillCompetitor(int row, const QString& nr);

    SortGridData& m_grid;
    // Identity of the run's row in the grid (SortGridData::rowId); 0 outside a run.
    quint64 m_runRowId = 0;
};
