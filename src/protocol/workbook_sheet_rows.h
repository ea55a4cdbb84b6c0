// What the workbook readers share: their refusals and the rule of which sheet rows
// become table rows. Internal to the readers; any thread.

#pragma once

#include "protocol/workbook_reader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <new>

namespace workbook_reading {

extern const QString damaged;
extern const QString tooBig;
extern const QString tooManyRows;
extern const QString cellTooLong;
extern const QString notAWorkbook;
extern const QString unreadable;
extern const QString noProtocol;

// Thrown inside the readers only; each public function turns it into WorkbookRows::error.
struct Refusal {
    QString reason;
};

// Collects a sheet's rows from the top down: sheet row 1 is the header, every later row
// whose first cell is not empty is a data row, wherever it lies; other rows are skipped,
// as the text file leaves out rows without a start number. Counts every kept text
// against the limits and throws a Refusal beyond them.
class SheetRows {
public:
    SheetRows(int columns, const WorkbookLimits& limits);

    // The cells of 1-based sheet row `row`, at most `columns` of them; rows ascending.
    void add(int row, QStringList cells);
    // The header and the data rows; a Refusal when there is no data row.
    QList<QStringList> take();

private:
    int m_columns;
    const WorkbookLimits& m_limits;
    QList<QStringList> m_rows;
    qint64 m_chars = 0;
};

// A cell text within the one-cell limit, else a Refusal.
void checkCellLength(const QString& text, const WorkbookLimits& limits);

} // namespace workbook_reading

namespace workbook_reading {

// The rows read() returns, or the reason it refused; memory running out is a refusal too.
template <typename Read> WorkbookRows guardedRead(Read read) {
    WorkbookRows result;
    try {
        result.rows = read();
    } catch (const Refusal& refusal) {
        result.rows.clear();
        result.error = refusal.reason;
    } catch (const std::bad_alloc&) {
        result.rows.clear();
        result.error = tooBig;
    }
    return result;
}

} // namespace workbook_reading
