#pragma once

#include <optional>

class SortGridData;

// What the window reads from the protocol's rows: whether its protocol buttons are
// open, and the start numbers a row gives the start-number fields. GUI thread, like
// the grid.

// Whether the protocol buttons (clear, print, workbook, document, save, web page) are
// enabled: row 1 exists and its "Nr." is not blank.
bool protocolButtonsEnabled(const SortGridData& grid);

// Integer start numbers taken from the "Nr." cells of row and of the row below.
// When row's number does not convert, both stay absent; when the row below has
// none (or there is no row below), nextStarter stays absent.
struct StartNumbers {
    std::optional<int> startNumber; // for "Start-Nr."
    std::optional<int> nextStarter; // for "Bereit:"
};
StartNumbers startNumbersFromRow(const SortGridData& grid, int row);
