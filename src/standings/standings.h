// The event's result ("Wertung"): the protocol's runs turned into one ranked line per
// competitor and group, beside the protocol and without changing it. Pure functions on
// plain values; safe on any thread.

#pragma once

#include "protocol/protocol_table.h"

#include <QList>
#include <QString>
#include <QStringList>

// How runs count. The column and direction are the protocol's ranking, so an event
// ranked by Vmax (descending) gets standings by Vmax.
struct StandingsRule {
    int column = colZeit;    // protocol column of the result
    bool descending = false; // larger results are better (speeds)
    int countedRuns = 1;     // 1: the best run; 2 or 3: the sum of the best runs

    bool isSum() const { return countedRuns > 1; }
    bool operator==(const StandingsRule&) const = default;
};

// The "Wertung" setting as the number of runs counted: 2 and 3 are sums, anything else
// (1, a value from a damaged file) the best run.
int standingsCountedRuns(int wertungSetting);

// One competitor's line.
struct StandingsEntry {
    int rank = 0; // 0: no rank (no timed run)
    QString nr;
    QString name;            // from the competitor's first row that has one
    QString fahrzeug;        // likewise
    QString result;          // the best run or the sum; empty without a timed run
    QStringList countedRuns; // the runs a sum is made of, best first; empty for the best run
    int runs = 0;            // runs in the protocol, with and without a result
    QString gap;             // to the group's leader; empty for the leader and where not comparable
    int bestRow = -1;        // index into the rows given of the best run, else of the first row

    bool operator==(const StandingsEntry&) const = default;
};

struct StandingsGroup {
    QString gruppe; // as the protocol writes it; empty for the rows without a group
    QString title;  // what the official reads: the group, or "ohne Gruppe"
    QList<StandingsEntry> entries;
};

inline const QString kNoGroupTitle = QStringLiteral("ohne Gruppe");

// Standings of the protocol's data rows (each the ten cells in column order, in any order
// of rows). A competitor is a start number within a group. A row whose group is blank or
// "-" (an accident marks empty cells so) belongs to its number's group where another row
// names one, else to "ohne Gruppe". A row is a run when its result cell is not blank; "-"
// and "AUS" are runs without a result, as is any text the column cannot hold.
//
// Best run: the better result first; a tie is broken by the next-best run, then the next,
// and competitors still equal share the rank (1, 2, 2, 4). Sum of the best N: the smaller
// (or, descending, larger) sum first, ties broken by the runs not counted; a competitor with
// fewer than N timed runs ranks after all with N (more runs first, then by their sum).
// Competitors without a timed run follow without a rank, by start number.
// Groups are sorted by name (numbers within names by value), "ohne Gruppe" last.
QList<StandingsGroup> computeStandings(const QList<QStringList>& rows, const StandingsRule& rule);
