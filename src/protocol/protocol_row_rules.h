// What the window reads from the protocol's rows: whether its protocol buttons are
// open, and the start numbers a row gives the start-number fields. GUI thread, like
// the grid.

#pragma once

#include <QString>

#include <optional>

class SortGridData;

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

// Whether a row holds a measured time ("Zeit" neither blank nor a marker such as "-" or
// "AUS"): removing it or loading over it loses a run.
bool rowHasTime(const SortGridData& grid, int row);
bool hasTimedRuns(const SortGridData& grid);

// A competitor's "Name", "Fahrzeug" and "Gruppe" as the protocol knows them: each from the
// first row of the start number whose cell is real, never a marker ("-", "AUS") or blank, so
// an accident's "-" never becomes the name of the driver's next run. Empty where no row has one.
struct Competitor {
    QString name;
    QString vehicle;
    QString group;
};
Competitor competitorOf(const SortGridData& grid, const QString& startNumber);
