#pragma once

#include "controls/sort_grid_types.h"

#include <QString>

class SortGridData;

// Sorting and ranking of the protocol table. GUI thread, like the grid.

// The sort style per column: "Name", "Fahrzeug" and "Gruppe" as plain text
// (ssAutomatic answered, so no detection runs), the result columns ssCustom with
// compareResultCells. The grid empties CustomCompare after every sort, so it is
// stored again on every call. Other columns keep SortStyle.
void SortGrid1GetSortStyle(SortGridData& grid, int Col, TSortStyle& SortStyle);

// Binds SortGrid1GetSortStyle to grid.OnGetSortStyle, for header clicks as well.
void bindProtocolSortStyle(SortGridData& grid);

// Sorts by the grid's SortCol in its SortDirection, then writes the ranks into the
// last column ("Platz"), walking the rows from the top: rows whose sort-column text
// is "-" or "AUS" (any case) get "-", blank ones keep their "Platz" text; every other row gets
// one more than the number of ranked rows above it, equal texts sharing the rank of
// the first row of their group (1, 2, 2, 4). With platzOn false the whole "Platz" column is
// emptied instead. Finally selects the first row whose "Nr." equals startNumberText
// and returns it, or returns -1 when there is none.
int rankProtocol(SortGridData& grid, bool platzOn, const QString& startNumberText);
