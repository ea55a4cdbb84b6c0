// The standings table's contents and column widths, kept up to date in place.

#include "standings/standings_table_fill.h"

#include "standings/standings_table.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

namespace {

// The name takes the room left; Platz, Nr. and the results read from the right.
constexpr int nameColumn = 2;
bool isTextColumn(int col) {
    return col == nameColumn || col == 3;
}

} // namespace

void StandingsTableFill::show(const QString& group, const QList<StandingsEntry>& entries, const StandingsRule& rule) {
    const bool sameGroup = !group.isEmpty() && group == m_group;
    const QStringList header = standingsHeader(rule);
    // A finish in another group changes nothing here.
    if (sameGroup && entries == m_entries && header == m_header)
        return;
    // A finish must not throw the official back to the top of a long group.
    const int scrolled = sameGroup ? m_table->verticalScrollBar()->value() : 0;
    const bool newHeader = header != m_header;
    m_group = group;
    m_entries = entries;
    m_header = header;

    if (newHeader) {
        m_table->clear();
        m_table->setColumnCount(int(header.size()));
        m_table->setHorizontalHeaderLabels(header);
        QHeaderView* columns = m_table->horizontalHeader();
        columns->setSectionResizeMode(QHeaderView::Fixed);
        columns->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    }
    // A new group or header is measured afresh; fewer lines may have taken the widest text.
    const Fit start = newHeader || !sameGroup                ? Fit::Fresh
                      : entries.size() < m_table->rowCount() ? Fit::Measure
                                                             : Fit::Keep;
    m_widest.resize(header.size(), 0);
    m_refit = QList<Fit>(header.size(), start);
    if (newHeader)
        m_advances.clear();
    // Row by row, so that lines added or gone are at the end.
    m_advances.resize(entries.size() * header.size(), -1);
    // A selected line would now show someone else.
    m_table->clearSelection();
    m_table->setRowCount(int(entries.size()));
    const QFontMetrics metrics(m_table->font());
    for (int row = 0; row < entries.size(); ++row) {
        const QStringList texts = standingsRowTexts(entries[row], rule);
        for (int col = 0; col < texts.size(); ++col)
            setText(row, col, texts[col], metrics);
    }
    fitColumns();
    m_table->verticalScrollBar()->setValue(scrolled);
}

void StandingsTableFill::setText(int row, int col, const QString& text, const QFontMetrics& metrics) {
    QTableWidgetItem* item = m_table->item(row, col);
    if (item && item->text() == text)
        return;
    if (col != nameColumn) {
        // Only a changed cell is measured. The widest text may have grown, or, when the
        // widest one changed, shrunk.
        int& advance = m_advances[row * m_header.size() + col];
        const int before = item ? advance : -1;
        advance = metrics.horizontalAdvance(text);
        if (m_refit[col] < Fit::Measure) {
            if (before >= m_widest[col]) {
                m_refit[col] = Fit::Measure;
            } else if (advance > m_widest[col]) {
                m_widest[col] = advance;
                m_refit[col] = Fit::Resize;
            }
        }
    }
    if (item) {
        item->setText(text);
        return;
    }
    item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignVCenter | (isTextColumn(col) ? Qt::AlignLeft : Qt::AlignRight));
    m_table->setItem(row, col, item);
}

void StandingsTableFill::fitColumns() {
    const qsizetype columns = m_header.size();
    for (int col = 0; col < m_refit.size(); ++col) {
        if (col == nameColumn || m_refit[col] == Fit::Keep)
            continue;
        if (m_refit[col] >= Fit::Measure) {
            int widest = 0;
            for (qsizetype cell = col; cell < m_advances.size(); cell += columns)
                widest = std::max(widest, m_advances[cell]);
            const bool same = widest == m_widest[col];
            m_widest[col] = widest;
            if (same && m_refit[col] == Fit::Measure)
                continue;
        }
        // Qt's own measure, as the header's ResizeToContents would take it.
        m_table->resizeColumnToContents(col);
    }
}
