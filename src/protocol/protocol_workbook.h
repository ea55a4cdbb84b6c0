// The protocol table as a spreadsheet workbook (.xlsx) and back. GUI thread, like the grid.

#pragma once

#include "protocol/atomic_file_writer.h"

#include <QList>
#include <QString>
#include <QStringList>

class SortGridData;

// A sheet after the protocol's, such as the standings: rows of texts, some of them bold.
struct WorkbookSheet {
    QString name;
    QList<QStringList> rows;
    QList<int> boldRows;
};

struct WorkbookProperties {
    QString author;    // the document's author, status panel 1's text
    QString title;     // the event title
    QString subject;   // the application title
    QString sheetName; // the first sheet's name, the application title
};

// Saves the program's header texts and every data row of the table on the first sheet, landscape: the columns of
// non-negative width packed from the left into ColCount sheet columns, texts unchanged, every cell of RowCount x
// ColCount bordered, the header row bold with a heavier border, the columns as wide as their texts; then moreSheets,
// texts unchanged (the first sheet stays the protocol alone). Written through a temporary file renamed over fileName,
// so a failed write leaves an existing file as it was. Texts are escaped as the file format asks. Returns false on
// failure, with a reason in errorText when given; a text longer than a cell holds (32767 characters) fails with a
// German reason naming its table row.
[[nodiscard]] bool saveProtocolWorkbook(const SortGridData& grid, const QString& fileName,
                                        const WorkbookProperties& properties, QString* errorText = nullptr,
                                        const QList<WorkbookSheet>& moreSheets = {});

// The workbook handed to the desktop's spreadsheet program: the header row and every
// row, the columns of positive width, each text with its first comma made a point; a
// text that is then a plain decimal number is written as a number shown with the same
// digits, so officials can compute with times and speeds.
// moreSheets follow the protocol's sheet, their texts written by the same rule.
[[nodiscard]] bool saveSpreadsheetExport(const SortGridData& grid, const QString& fileName, const QString& sheetName,
                                         QString* errorText = nullptr, TargetLinks links = TargetLinks::Follow,
                                         const QList<WorkbookSheet>& moreSheets = {});

// The number of digits after the point when text is a plain decimal number such as
// "123.45", "-7" or "0.5" (at most 15 digits, no leading zeros); -1 for any other text.
int plainDecimalPlaces(const QString& text);

// Replaces the table by rows read from a workbook's first sheet (readWorkbookRows):
// RowCount becomes the number of rows, row 0 the sheet's header except the header texts
// of columns 4 to 9 and empty header cells, which stay the program's. Neither sorts nor
// ranks. Returns false, leaving the table as it was, for the header alone or a table
// whose backup would not fit (rowsFitBackup).
[[nodiscard]] bool setProtocolRowsFromWorkbook(SortGridData& grid, const QList<QStringList>& rows);
