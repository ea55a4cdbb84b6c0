// The open and save dialogs' filter strings: the save dialog writes text as .txt and
// workbooks as .xlsx only, though .csv and .xls are read.

#include "settings/save_dialog_filter.h"

QString openDialogFilter() {
    // The semicolon start list an office program writes is read like a protocol text file.
    return QStringLiteral("Textdatei (*.txt *.csv)|*.txt *.csv|MS Excel (*.xlsx *.xls)|*.xlsx *.xls|"
                          "Alle Dateien (*)|*");
}

QString saveDialogFilter(const QString& openFilter, const FileTypeNames& names) {
    // Workbooks are written as .xlsx only; the legacy .xls is read, never written.
    // Only the text and workbook types of the open dialog are written, text as .txt.
    QStringList parts = openFilter.split(u'|').mid(0, 4);
    if (parts.size() >= 2) {
        parts[0] = parts[0].replace(QStringLiteral(" *.csv"), QString());
        parts[1] = parts[1].replace(QStringLiteral(" *.csv"), QString());
    }
    if (parts.size() >= 4) {
        parts[2] = QStringLiteral("MS Excel (*.xlsx)");
        parts[3] = QStringLiteral("*.xlsx");
    }
    return parts.join(u'|') + u'|' + names.word + QStringLiteral(" (*.docx)|*.docx|") + names.webPage +
           QStringLiteral(" (*.html)|*.html");
}

QStringList nameFiltersOf(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString patterns = parts[i + 1].trimmed();
        // The file dialog takes its patterns from the trailing parentheses of the name.
        const QString suffix = u'(' + patterns + u')';
        nameFilters << (name.trimmed().endsWith(suffix) ? name : name + u' ' + suffix);
    }
    return nameFilters;
}

QString nameFilterForIndex(const QStringList& nameFilters, int filterIndex) {
    if (filterIndex >= 1 && filterIndex <= nameFilters.size())
        return nameFilters[filterIndex - 1];
    return nameFilters.value(0);
}

int filterIndexOf(const QStringList& nameFilters, const QString& nameFilter) {
    return int(nameFilters.indexOf(nameFilter)) + 1;
}
