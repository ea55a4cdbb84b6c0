// The protocol grid's text table without pixels: cells, column widths, selection, sorting,
// searching and row deletion, testable without a window.

#pragma once

#include "controls/sort_grid_types.h"

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The text table behind TSortGrid: cells addressed by (column, row) with the
// fixed header row 0, column widths (-1 hides a column), the current cell and
// selection, and the sorting, searching and row deletion rules of the protocol
// grid. Holds no pixels, so the protocol logic can be tested without a window.
// GUI thread only.
class SortGridData : public QObject {
    Q_OBJECT

public:
    static constexpr int defaultColWidth = 64;

    explicit SortGridData(QObject* parent = nullptr);

    // Size. Row 0 is the header; there is always at least one data row.
    int RowCount() const { return int(m_rows.size()); }
    void setRowCount(int count);
    int ColCount() const { return m_colCount; }
    void setColCount(int count);

    // Cells; out-of-range reads give an empty text, out-of-range writes are ignored.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    QStringList rowCells(int row) const;
    void clearRow(int row);
    // Stores text into the first empty cell of row (an empty text as a single
    // blank); returns false and drops it when no cell of the row is empty.
    bool addToRow(int row, const QString& text);

    // Every row carries an identity that moves with it through sorts and
    // deletions; a new or emptied row gets a fresh one. An owner follows a row
    // by it where the row number may change under it. 0 for no row.
    quint64 rowId(int row) const;
    // The row that carries id, else -1.
    int rowOfId(quint64 id) const;

    // Widths in pixels; -1 (any negative width) hides the column.
    int ColWidth(int col) const;
    void setColWidth(int col, int width);
    int DefaultColWidth() const { return m_defaultColWidth; }
    void setDefaultColWidth(int width); // also sets every column to it

    // Current cell and selection. Moving the current row keeps the selection's
    // column span; setSelection makes its top left cell the current one.
    int Col() const { return m_col; }
    void setCol(int col);
    int Row() const { return m_row; }
    void setRow(int row);
    TGridRect Selection() const { return m_selection; }
    void setSelection(const TGridRect& rect);
    void selectRow(int row); // the whole row, all columns
    // Makes (col, row) current and selects that cell, or its whole row.
    void moveCurrent(int col, int row, bool wholeRow);
    // Rows the selection covers, followed through sorts (the current row's data
    // stays current when the rows are reordered).
    QList<int> SelectedRows() const { return m_selectedRows; }

    TSortOptions& SortOptions() { return m_options; }
    const TSortOptions& SortOptions() const { return m_options; }

    // Locale for ssNumeric, ssDateTime and ssTime; the system locale by default.
    QLocale locale() const { return m_locale; }
    void setLocale(const QLocale& locale) { m_locale = locale; }

    // Sorts the data rows by ACol, then by the SecondaryIndex columns; ties keep
    // their previous order in both directions. Does nothing when CanSort is false.
    void sortByColumn(int ACol);
    bool isSorting() const { return m_sorting; }
    TSortStyle detectSortStyle(int ACol) const;

    // First data row whose cell in ACol equals text (with ignoreCase both
    // lower-cased in A to Z), else -1.
    int findRow(int ACol, const QString& text, bool ignoreCase) const;
    // Removes ARow; with a single data row empties it instead. OnRowDelete follows.
    void deleteRow(int ARow);

    // Batches changes: one gridReset() and OnEndUpdate when the outermost update ends.
    void beginUpdate();
    void endUpdate();

    // Handlers; an empty one is skipped.
    std::function<void(int Col, TSortStyle& SortStyle)> OnGetSortStyle;
    std::function<void(int ARow)> OnRowDelete;
    std::function<void()> OnEndUpdate;

signals:
    // Rows are about to move, appear or go (sort, deletion, new size): an open
    // cell editor stores its text now, while its row number is still right.
    void rowsAboutToChange();
    void cellChanged(int col, int row);
    // Rows, columns or their order changed; redraw everything.
    void gridReset();
    void colWidthChanged(int col);
    void currentChanged();
    void sortStarted();
    void sortFinished();

private:
    QList<int> sortKeys(int ACol) const;
    TSortStyle styleForKey(int col);
    void sortPass(std::vector<int>& order, int col, TSortStyle style) const;
    void writeSorted(const std::vector<int>& order, const QList<int>& scratch);
    void followSelection(const std::vector<int>& order, const QList<int>& scratch);
    void markChanged();
    void notifyCell(int col, int row);
    void notifyCurrent();
    void clampCurrent();
    bool isDataRow(int row) const { return row >= 1 && row < RowCount(); }
    bool isColumn(int col) const { return col >= 0 && col < m_colCount; }

    void resizeRowIds();
    quint64 newRowId() { return m_nextRowId++; }

    QVector<QStringList> m_rows; // row-major, so sorting moves whole rows
    QVector<quint64> m_rowIds;   // one per row of m_rows
    quint64 m_nextRowId = 1;
    int m_colCount = 5;
    QVector<int> m_colWidths;
    int m_defaultColWidth = defaultColWidth;
    int m_col = 0;
    int m_row = 1;
    TGridRect m_selection{0, 1, 0, 1};
    QList<int> m_selectedRows{1};
    TSortOptions m_options;
    QLocale m_locale;
    bool m_sorting = false;
    int m_updateDepth = 0;
    bool m_changedInUpdate = false;
};
