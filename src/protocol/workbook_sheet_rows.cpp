// The workbook readers' German refusals, and the collection of sheet rows into table rows
// within the row and cell caps.

#include "protocol/workbook_sheet_rows.h"

namespace workbook_reading {

const QString damaged = QStringLiteral("Die Arbeitsmappe ist beschädigt.");
const QString tooBig = QStringLiteral("Die Arbeitsmappe ist zu groß.");
const QString tooManyRows = QStringLiteral("Die Tabelle hat zu viele Zeilen.");
const QString cellTooLong = QStringLiteral("Eine Zelle der Tabelle ist zu lang.");
const QString notAWorkbook = QStringLiteral("Die Datei ist keine Arbeitsmappe.");
const QString unreadable = QStringLiteral("Die Datei kann nicht gelesen werden.");
const QString noProtocol = QStringLiteral("Die erste Tabelle der Arbeitsmappe enthält keine Startnummern.");

SheetRows::SheetRows(int columns, const WorkbookLimits& limits) : m_columns(columns), m_limits(limits) {
    m_rows.append(QStringList(columns)); // the header, empty until sheet row 1 is seen
}

void SheetRows::add(int row, QStringList cells) {
    cells.resize(m_columns);
    if (row > 1 && cells.first().isEmpty())
        return;
    // Shared strings let a small file name one long text thousands of times; the table
    // must still fit the backup.
    for (const QString& cell : cells)
        m_chars += cell.size();
    if (m_chars > m_limits.totalChars)
        throw Refusal{tooBig};
    if (row == 1) {
        m_rows.first() = std::move(cells);
        return;
    }
    if (m_rows.size() > m_limits.rows)
        throw Refusal{tooManyRows};
    m_rows.append(std::move(cells));
}

QList<QStringList> SheetRows::take() {
    if (m_rows.size() < 2)
        throw Refusal{noProtocol};
    return std::move(m_rows);
}

void checkCellLength(const QString& text, const WorkbookLimits& limits) {
    if (text.size() > limits.cellChars)
        throw Refusal{cellTooLong};
}

} // namespace workbook_reading
