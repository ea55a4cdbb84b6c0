// The standings as JSON for the live results page: what counts, the column headers and per
// group its rows of texts, exactly as the window shows them. Pure function; any thread.

#pragma once

#include "standings/standings.h"

#include <QByteArray>

// {"rule":"Bester Lauf, Zeit","columns":[...],"groups":[{"gruppe":"Klasse A","title":"Klasse A",
// "rows":[["1","7","Vera","Golf","5,890","2",""],...]},...]}. "gruppe" is the protocol's text
// (empty for the rows without a group), so the page filters both views by the same value.
QByteArray standingsJson(const QList<StandingsGroup>& groups, const StandingsRule& rule);
