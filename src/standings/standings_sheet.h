// The standings as the workbook sheet "Wertung" after the protocol's sheet. GUI thread, like the grid.

#pragma once

#include "protocol/protocol_workbook.h"

class SortGridData;

// The standings of the grid as the protocol ranks it, counted as wertungSetting says: per
// group a bold heading and a bold header, then its lines, an empty row between groups.
WorkbookSheet standingsSheet(const SortGridData& grid, int wertungSetting);
