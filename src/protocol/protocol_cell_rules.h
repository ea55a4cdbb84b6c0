// How the protocol table draws its cells, which of them the official types into, and
// which count as empty. Plain functions without state; safe on any thread.

#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Colours are 0x00BBGGRR.
struct ProtocolCellLook {
    bool leftJustify = false;          // else the grid's right-justified default
    std::optional<quint32> background; // none: the grid's own colours
};

// The header row and "Name", "Fahrzeug" and "Gruppe" read from the left, the numbers
// from the right. Data rows carry their column's colour, except the current row, which
// keeps the grid's selection look so the official sees where he is.
ProtocolCellLook protocolCellLook(int col, int row, int currentRow);

// "Name", "Fahrzeug" and "Gruppe" are typed into in place; a click anywhere else
// selects the whole row, whose results nobody may change by hand.
bool isTypedProtocolColumn(int col);

// The status bar's position text: the selected row, a colon and the number of data rows
// ("3:12" for row 3 of a grid with RowCount 13).
QString protocolPositionText(int row, int rowCount);

// True when the text is empty after trimming blanks (every character up to U+0020
// counts as blank), the rule the ranking and the button state use for "no value".
bool isBlankCell(QStringView text);

// The export text of a cell for the page, the print and the spreadsheet: in the result
// columns ("Zw.Zeit" to "Platz") the first comma, the decimal one, becomes a point
// ("1.02,345" -> "1.02.345"); names, vehicles, groups and numbers are written as they are,
// so "Müller, Max" stays.
QString exportCellText(int col, const QString& text);
