// Which file types the protocol dialogs offer, with their numbering kept as the stored
// filter index expects it.

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The file types a protocol dialog shows: the entries of its full filter that the
// program can read or write, each with the 1-based index it has in the full filter,
// so that the stored filter index ("FilterInd") keeps its numbering while some
// types are not offered. A plain value; any thread.
struct OfferedFilters {
    QStringList nameFilters; // as a file dialog shows them, "Text file (*.txt)"
    QList<int> indexes;      // the full filter's index of each

    // The entry to preselect for a filter index; the first one when that index is not offered.
    QString nameFilterFor(int filterIndex) const;
    // The full filter's index of a chosen entry; 0 when it is not offered.
    int filterIndexOf(const QString& nameFilter) const;
};

// The entries of filter ("Name|patterns|...") whose indexes are in available, in the
// filter's order.
OfferedFilters offeredFilters(const QString& filter, const QList<int>& available);

// The save dialog's type (1 text, 2 workbook, 3 document, 4 web page) a file is written as:
// the extension the official typed decides, so "Lauf.xlsx" is a workbook whatever type was
// selected; a name with another extension is written as the selected type.
int savedTypeOf(const QString& filePath, int selectedType);

// Whether a chosen file is read as a workbook (.xlsx, .xls) rather than as a protocol text
// file, whatever type the open dialog showed.
bool isWorkbookFile(const QString& filePath);
