#pragma once

// The corrections an official makes to a finished run in the protocol: disqualifying it and
// correcting its start number. Pure rules on the grid, GUI thread like the grid.

class SortGridData;

inline constexpr int minStartNumber = 1;
inline constexpr int maxStartNumber = 9999;

// Whether row is a run that can be corrected: a data row with a start number.
bool isCorrectableRun(const SortGridData& grid, int row);

// "Lauf ungültig (AUS)": writes "AUS" into the run's result cells ("Zw.Zeit" to "Zeit"), so it
// keeps its row and names but no result; the ranking then gives it no place. False, and
// nothing changed, when row is no correctable run.
bool markRunInvalid(SortGridData& grid, int row);

// "Nr. ändern…": the run's start number becomes number (1 to 9999), and its empty or "-"
// names those the protocol knows for that number. A run that carries the old number's
// driver's names takes the new number's driver's instead, when that driver is known; the
// old number's driver then keeps an untimed row (with his names) if he has none left.
// False, and nothing changed, when row is no correctable run or number is out of range.
bool changeStartNumber(SortGridData& grid, int row, int number);
