// How the protocol's result cells sort: the fastest run first, runs without a result last.

#pragma once

#include <QString>

// Comparison of the protocol's result cells (start numbers, times, speeds, ranks),
// used as the sort grid's custom compare for those columns. Pure function, any thread.
//
// Texts written in one fixed format order by value because a longer text is a larger
// number. The markers order after every value: "-" (not measured, accident), then
// "AUS", then blank cells, so the fastest run is always first in ascending order.
// Equal texts compare equal; the grid keeps their previous order.
int compareResultCells(const QString& a, const QString& b);

// True for the texts that hold no result and get no rank: blank, "-" (not measured,
// accident) and "AUS" in any case (retired).
bool isNoResultCell(QStringView text);
