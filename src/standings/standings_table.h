// The standings as rows of texts, one source for the window, the page, the workbook sheet and
// the live page; and the standings of the protocol grid as it stands. GUI thread for the grid.

#pragma once

#include "standings/standings.h"

#include <QList>
#include <QStringList>

class SortGridData;

// "Platz", "Nr.", "Name", "Fahrzeug", the result ("Zeit", or "Summe Zeit" with "Gewertet",
// the runs of the sum), "Läufe", "Abstand".
QStringList standingsHeader(const StandingsRule& rule);
QStringList standingsRowTexts(const StandingsEntry& entry, const StandingsRule& rule);

// What the rule counts, for titles: "Bester Lauf, Zeit" or "Summe der 2 besten Läufe, Vmax".
QString standingsRuleText(const StandingsRule& rule);

// Every group as a heading line, the header and its lines, with an empty line between groups.
QList<QStringList> standingsSheetRows(const QList<StandingsGroup>& groups, const StandingsRule& rule);

// The ranking the protocol uses: its ranking column ("Zw.Zeit" to "Zeit") in its natural
// direction (times ascending, speeds descending), else "Zeit" ascending; with the runs
// counted as the "Wertung" setting says.
StandingsRule standingsRuleOf(const SortGridData& grid, int wertungSetting);

// The data rows of the grid, each its cells in column order; row i + 1 of the grid is index i.
QList<QStringList> protocolDataRows(const SortGridData& grid);
