// The file-type lists of the protocol open and save dialogs. The save dialog's
// filter indexes mean 1 text, 2 workbook, 3 word-processor document, 4 web page,
// the numbering the "FilterInd" setting stores. Pure functions, any thread.

#pragma once

#include <QString>
#include <QStringList>

// Display names of the two file types only the save dialog offers.
struct FileTypeNames {
    QString word = QStringLiteral("MS Word");
    QString webPage = QStringLiteral("Webseite");
};

// "Textdatei (*.txt *.csv)|*.txt *.csv|MS Excel (*.xlsx *.xls)|*.xlsx *.xls|Alle Dateien (*)|*"
QString openDialogFilter();

// The open dialog's text and workbook types, text as .txt and workbooks as .xlsx only,
// followed by the word-processor document and the web page types.
QString saveDialogFilter(const QString& openFilter, const FileTypeNames& names);

// "Name|patterns|Name|patterns..." as file dialog name filters such as "Textdatei (*.txt)";
// name filter i - 1 belongs to filter index i.
QStringList nameFiltersOf(const QString& filter);

// The name filter of a 1-based filter index; the first one when the index is out of range.
QString nameFilterForIndex(const QStringList& nameFilters, int filterIndex);

// The 1-based filter index of a name filter, 0 when it is not in the list.
int filterIndexOf(const QStringList& nameFilters, const QString& nameFilter);
