// Sorting and ranking of the protocol table. GUI thread, like the grid.

#pragma once

#include "controls/sort_grid_types.h"

#include <QString>

class SortGridData;

// The sort style per column: "Name", "Fahrzeug" and "Gruppe" as plain text
// (ssAutomatic answered, so no detection runs), the result columns ssCustom with
// compareResultCells. The grid empties CustomCompare after every sort, so it is
// stored again on every call. Other columns keep SortStyle.
void SortGrid1GetSortStyle(SortGridData& grid, int Col, TSortStyle& SortStyle);

// Binds SortGrid1GetSortStyle to grid.OnGetSortStyle, for header clicks as well.
void bindProtocolSortStyle(SortGridData& grid);

// The ranks of result texts in the order given, one per text: a text that is "-",
// "AUS" (any case) or blank gets none (a null string); every other one is one more than
// the number of ranked texts before it, equal texts sharing the rank of the first of them
// (1, 2, 2, 4).
QStringList rankTexts(const QStringList& values);

// Sorts the data rows by the grid's SortCol in its SortDirection, with the sort style rule
// bound to the grid (setupProtocolGrid binds the protocol's).
void sortProtocol(SortGridData& grid);

// Selects the first row whose "Nr." is startNumberText and returns it, or -1 when none.
int selectStartNumberRow(SortGridData& grid, const QString& startNumberText);

// The result columns "Platz" ranks by: Zw.Zeit, Ø-km/h, Vmax, End-Zeit and Zeit.
bool isResultColumn(int col);
// A result's natural order: times ascending (the shortest first), speeds descending.
TSortDirection rankingDirection(int col);
// A header click on col: a result column becomes the ranking column (RankCol of the grid's
// sort options), whatever direction the view took; any other column only sorted the view.
void protocolHeaderClicked(SortGridData& grid, int col);

// Sorts the view, writes into the last column ("Platz") the ranks of the ranking column's
// texts taken in its natural order (rankTexts), "-" into that of a row whose ranking text is
// a marker ("-", "AUS"), leaving a blank one (a run still on the track) as it was, and
// selects the start number's row (returned, -1 when none). With platzOn false the whole
// "Platz" column is emptied instead.
int rankProtocol(SortGridData& grid, bool platzOn, const QString& startNumberText);
