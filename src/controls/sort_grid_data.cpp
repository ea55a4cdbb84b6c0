// The grid table's cells, selection and row rules, and its sort: each row's key prepared
// once per pass so that comparing two rows allocates nothing.

#include "controls/sort_grid_data.h"

#include "controls/sort_grid_compare.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// One data row's key during a sort pass, prepared once so that comparing
// allocates nothing. The ordinal keys of all rows share one buffer.
struct SortEntry {
    double value;   // number, or milliseconds of a date or time
    quint64 prefix; // first units of the ordinal key, for a quick decision
    quint32 keyStart;
    quint32 keyLength;
    int position; // in the row order before this pass
    bool converted;
};

int compareValues(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

SortGridData::SortGridData(QObject* parent) : QObject(parent), m_locale(QLocale::system()) {
    m_rows = QVector<QStringList>(2, QStringList(m_colCount));
    resizeRowIds();
    m_colWidths = QVector<int>(m_colCount, m_defaultColWidth);
}

void SortGridData::setRowCount(int count) {
    count = std::max(count, 2);
    if (count == RowCount()) {
        return;
    }
    emit rowsAboutToChange();
    m_rows.resize(count, QStringList(m_colCount));
    resizeRowIds();
    clampCurrent();
    markChanged();
}

void SortGridData::setColCount(int count) {
    count = std::max(count, 1);
    if (count == m_colCount) {
        return;
    }
    emit rowsAboutToChange();
    m_colCount = count;
    for (QStringList& row : m_rows) {
        row.resize(count);
    }
    m_colWidths.resize(count, m_defaultColWidth);
    clampCurrent();
    markChanged();
}

QString SortGridData::cell(int col, int row) const {
    if (!isColumn(col) || row < 0 || row >= RowCount()) {
        return QString();
    }
    return m_rows.at(row).at(col);
}

void SortGridData::setCell(int col, int row, const QString& text) {
    if (!isColumn(col) || row < 0 || row >= RowCount()) {
        return;
    }
    QString& target = m_rows[row][col];
    if (target == text) {
        return;
    }
    target = text;
    notifyCell(col, row);
}

QStringList SortGridData::rowCells(int row) const {
    if (row < 0 || row >= RowCount()) {
        return QStringList(m_colCount);
    }
    return m_rows.at(row);
}

void SortGridData::clearRow(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    m_rows[row] = QStringList(m_colCount);
    m_rowIds[row] = newRowId();
    markChanged();
}

quint64 SortGridData::rowId(int row) const {
    return row >= 0 && row < RowCount() ? m_rowIds.at(row) : 0;
}

int SortGridData::rowOfId(quint64 id) const {
    return id == 0 ? -1 : int(m_rowIds.indexOf(id));
}

void SortGridData::resizeRowIds() {
    const qsizetype kept = std::min(m_rowIds.size(), m_rows.size());
    m_rowIds.resize(m_rows.size());
    for (qsizetype row = kept; row < m_rowIds.size(); ++row) {
        m_rowIds[row] = newRowId();
    }
}

bool SortGridData::addToRow(int row, const QString& text) {
    if (row < 0 || row >= RowCount()) {
        return false;
    }
    QStringList& cells = m_rows[row];
    for (int col = 0; col < m_colCount; ++col) {
        if (cells.at(col).isEmpty()) {
            cells[col] = text.isEmpty() ? QStringLiteral(" ") : text;
            notifyCell(col, row);
            return true;
        }
    }
    return false;
}

int SortGridData::ColWidth(int col) const {
    return isColumn(col) ? m_colWidths.at(col) : -1;
}

void SortGridData::setColWidth(int col, int width) {
    if (!isColumn(col)) {
        return;
    }
    width = std::max(width, -1);
    if (m_colWidths.at(col) == width) {
        return;
    }
    m_colWidths[col] = width;
    if (m_updateDepth > 0) {
        m_changedInUpdate = true;
    } else {
        emit colWidthChanged(col);
    }
}

void SortGridData::setDefaultColWidth(int width) {
    m_defaultColWidth = width;
    m_colWidths.fill(width);
    markChanged();
}

void SortGridData::setCol(int col) {
    if (!isColumn(col)) {
        return;
    }
    m_col = col;
    m_selection.Left = m_selection.Right = col;
    notifyCurrent();
}

void SortGridData::setRow(int row) {
    if (!isDataRow(row)) {
        return;
    }
    m_row = row;
    m_selection.Top = m_selection.Bottom = row;
    m_selectedRows = {row};
    notifyCurrent();
}

void SortGridData::setSelection(const TGridRect& rect) {
    const int lastRow = RowCount() - 1;
    const int lastCol = m_colCount - 1;
    TGridRect r;
    r.Left = std::clamp(std::min(rect.Left, rect.Right), 0, lastCol);
    r.Right = std::clamp(std::max(rect.Left, rect.Right), 0, lastCol);
    r.Top = std::clamp(std::min(rect.Top, rect.Bottom), 1, lastRow);
    r.Bottom = std::clamp(std::max(rect.Top, rect.Bottom), 1, lastRow);
    m_selection = r;
    m_col = r.Left;
    m_row = r.Top;
    m_selectedRows.clear();
    for (int row = r.Top; row <= r.Bottom; ++row) {
        m_selectedRows.append(row);
    }
    notifyCurrent();
}

void SortGridData::selectRow(int row) {
    if (isDataRow(row)) {
        setSelection({0, row, m_colCount - 1, row});
    }
}

void SortGridData::moveCurrent(int col, int row, bool wholeRow) {
    if (!isColumn(col) || !isDataRow(row)) {
        return;
    }
    m_col = col;
    m_row = row;
    m_selection = wholeRow ? TGridRect{0, row, m_colCount - 1, row} : TGridRect{col, row, col, row};
    m_selectedRows = {row};
    notifyCurrent();
}

QList<int> SortGridData::sortKeys(int ACol) const {
    QList<int> keys{ACol};
    const QStringList parts = m_options.SecondaryIndex.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        bool ok = false;
        const int col = part.trimmed().toInt(&ok);
        if (ok && isColumn(col) && !keys.contains(col)) {
            keys.append(col);
        }
    }
    return keys;
}

TSortStyle SortGridData::styleForKey(int col) {
    if (OnGetSortStyle) {
        TSortStyle style = m_options.SortStyle;
        OnGetSortStyle(col, style);
        m_options.SortStyle = style;
    } else if (m_options.SortStyle == ssAutomatic) {
        m_options.SortStyle = detectSortStyle(col);
    }
    return m_options.SortStyle;
}

void SortGridData::sortPass(std::vector<int>& order, int col, TSortStyle style) const {
    const bool lower = !m_options.SortCaseSensitive;
    const bool descending = m_options.SortDirection == sdDescending;
    const TCustomCompare& custom = m_options.CustomCompare;
    const bool useCustom = style == ssCustom && custom;
    const bool numeric = style == ssNumeric || style == ssNumericExtended;
    const LocaleTextConverter converter(m_locale);

    const int n = int(order.size());
    std::vector<SortEntry> entries(n);
    std::u16string keys;
    QStringList customTexts; // the owner's function takes texts
    if (useCustom) {
        customTexts.reserve(n);
    } else {
        qsizetype total = 0;
        for (int i = 0; i < n; ++i) {
            total += m_rows.at(order[i]).at(col).size();
        }
        keys.reserve(size_t(total));
    }
    for (int i = 0; i < n; ++i) {
        const QString& text = m_rows.at(order[i]).at(col);
        SortEntry& e = entries[i];
        e.value = 0;
        e.position = i;
        e.converted = false;
        qint64 msecs = 0;
        if (numeric) {
            e.converted = converter.toNumber(text, &e.value);
        } else if (style == ssDateTime) {
            e.converted = converter.toDateTime(text, &msecs);
            e.value = double(msecs);
        } else if (style == ssTime) {
            e.converted = converter.toTime(text, &msecs);
            e.value = double(msecs);
        }
        if (useCustom) {
            customTexts.append(lower ? lowerCaseAZ(text) : text);
            e.keyStart = e.keyLength = 0;
            e.prefix = 0;
        } else {
            e.keyStart = quint32(keys.size());
            appendOrdinalKey(text, lower, keys);
            e.keyLength = quint32(keys.size()) - e.keyStart;
            e.prefix = ordinalPrefix(QStringView(keys.data() + e.keyStart, e.keyLength));
        }
    }

    auto keyOf = [&keys](const SortEntry& e) { return QStringView(keys.data() + e.keyStart, e.keyLength); };
    auto compare = [&](const SortEntry& a, const SortEntry& b) -> int {
        if (useCustom) {
            return custom(customTexts.at(a.position), customTexts.at(b.position));
        }
        if (a.converted && b.converted) {
            return compareValues(a.value, b.value);
        }
        if (a.prefix != b.prefix) {
            return a.prefix < b.prefix ? -1 : 1;
        }
        return ordinalCompare(keyOf(a), keyOf(b));
    };
    // Ties go by position whatever the direction, so the order is total and
    // equal keys keep their previous order. stable_sort stays within bounds even
    // if a comparison is not transitive (mixed numbers and texts, an owner's
    // custom function), where std::sort might not.
    std::stable_sort(entries.begin(), entries.end(), [&](const SortEntry& a, const SortEntry& b) {
        const int result = compare(a, b);
        if (result == 0) {
            return a.position < b.position;
        }
        return descending ? result > 0 : result < 0;
    });

    std::vector<int> sorted(n);
    for (int i = 0; i < n; ++i) {
        sorted[i] = order[entries[i].position];
    }
    order.swap(sorted);
}

void SortGridData::sortByColumn(int ACol) {
    if (!m_options.CanSort || m_sorting) {
        return;
    }
    m_options.SortCol = ACol;
    m_sorting = true;
    beginUpdate();
    const bool updateOnSizeChange = m_options.UpdateOnSizeChange;
    m_options.UpdateOnSizeChange = false;
    emit rowsAboutToChange();
    emit sortStarted();

    QList<int> scratch = m_selectedRows;
    std::sort(scratch.begin(), scratch.end());

    if (isColumn(ACol)) {
        // order[i] is the row (numbered as before the sort) that goes to row i + 1.
        std::vector<int> order(RowCount() - 1);
        std::iota(order.begin(), order.end(), 1);
        const QList<int> keys = sortKeys(ACol);
        const int rowCount = RowCount();
        const int colCount = m_colCount;
        bool intact = true;
        for (auto key = keys.crbegin(); key != keys.crend() && intact; ++key) {
            const TSortStyle style = styleForKey(*key);
            // A handler that resized the table leaves nothing sound to sort.
            intact = RowCount() == rowCount && m_colCount == colCount;
            if (intact) {
                sortPass(order, *key, style);
            }
        }
        if (intact) {
            writeSorted(order, scratch);
        }
    }

    m_sorting = false;
    m_options.CustomCompare = nullptr;
    emit sortFinished();
    m_options.UpdateOnSizeChange = updateOnSizeChange;
    endUpdate();
}

void SortGridData::writeSorted(const std::vector<int>& order, const QList<int>& scratch) {
    QVector<QStringList> sortedRows;
    QVector<quint64> sortedIds;
    sortedRows.reserve(RowCount());
    sortedIds.reserve(RowCount());
    sortedRows.append(std::move(m_rows[0]));
    sortedIds.append(m_rowIds.at(0));
    for (int row : order) {
        sortedRows.append(std::move(m_rows[row]));
        sortedIds.append(m_rowIds.at(row));
    }
    m_rows = std::move(sortedRows);
    m_rowIds = std::move(sortedIds);
    followSelection(order, scratch);
    m_changedInUpdate = true;
}

void SortGridData::followSelection(const std::vector<int>& order, const QList<int>& scratch) {
    bool first = true;
    for (int i = 0; i < int(order.size()); ++i) {
        if (!std::binary_search(scratch.begin(), scratch.end(), order[i])) {
            continue;
        }
        const int row = i + 1;
        if (first) {
            m_row = row;
            m_selectedRows.clear();
            first = false;
        }
        m_selectedRows.append(row);
    }
    if (!first) {
        m_selection.Top = m_selection.Bottom = m_row;
    }
}

TSortStyle SortGridData::detectSortStyle(int ACol) const {
    QStringList texts;
    texts.reserve(RowCount() - 1);
    for (int row = 1; row < RowCount(); ++row) {
        texts.append(cell(ACol, row));
    }
    return detectTextsSortStyle(texts, LocaleTextConverter(m_locale));
}

int SortGridData::findRow(int ACol, const QString& text, bool ignoreCase) const {
    if (!isColumn(ACol)) {
        return -1;
    }
    const QString wanted = ignoreCase ? lowerCaseAZ(text) : text;
    for (int row = 1; row < RowCount(); ++row) {
        const QString& candidate = m_rows.at(row).at(ACol);
        if ((ignoreCase ? lowerCaseAZ(candidate) : candidate) == wanted) {
            return row;
        }
    }
    return -1;
}

void SortGridData::deleteRow(int ARow) {
    // The header row is never removed, and neither is the last data row.
    if (!isDataRow(ARow)) {
        return;
    }
    emit rowsAboutToChange();
    if (RowCount() < 3) {
        m_rows[1] = QStringList(m_colCount);
        m_rowIds[1] = newRowId();
    } else {
        m_rows.removeAt(ARow);
        m_rowIds.removeAt(ARow);
        // The current row keeps its data when it lies below the removed row;
        // when it was the removed row, the row that moved up takes its place.
        if (m_row > ARow) {
            --m_row;
        }
        m_row = std::min(m_row, RowCount() - 1);
        m_selection.Top = m_selection.Bottom = m_row;
        m_selectedRows = {m_row};
        notifyCurrent();
    }
    markChanged();
    if (OnRowDelete) {
        OnRowDelete(ARow);
    }
}

void SortGridData::beginUpdate() {
    ++m_updateDepth;
}

void SortGridData::endUpdate() {
    if (m_updateDepth == 0) {
        return;
    }
    if (--m_updateDepth > 0) {
        return;
    }
    if (m_changedInUpdate) {
        m_changedInUpdate = false;
        emit gridReset();
        emit currentChanged();
    }
    if (OnEndUpdate) {
        OnEndUpdate();
    }
}

void SortGridData::markChanged() {
    if (m_updateDepth > 0) {
        m_changedInUpdate = true;
    } else {
        emit gridReset();
    }
}

void SortGridData::notifyCell(int col, int row) {
    if (m_updateDepth > 0) {
        m_changedInUpdate = true;
    } else {
        emit cellChanged(col, row);
    }
}

void SortGridData::notifyCurrent() {
    if (m_updateDepth > 0) {
        m_changedInUpdate = true;
    } else {
        emit currentChanged();
    }
}

void SortGridData::clampCurrent() {
    const int lastRow = RowCount() - 1;
    const int lastCol = m_colCount - 1;
    m_row = std::clamp(m_row, 1, lastRow);
    m_col = std::clamp(m_col, 0, lastCol);
    m_selection.Left = std::clamp(m_selection.Left, 0, lastCol);
    m_selection.Right = std::clamp(m_selection.Right, m_selection.Left, lastCol);
    m_selection.Top = std::clamp(m_selection.Top, 1, lastRow);
    m_selection.Bottom = std::clamp(m_selection.Bottom, m_selection.Top, lastRow);
    m_selectedRows.removeIf([lastRow](int row) { return row > lastRow; });
    if (m_selectedRows.isEmpty()) {
        m_selectedRows.append(m_row);
    }
}
