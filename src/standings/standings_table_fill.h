// Writes one group's standings into the "Wertung" window's table, touching only what changed,
// so that a finish at 5,000 rows does not hold up the main window. GUI thread only.

#pragma once

#include "standings/standings.h"

#include <QList>
#include <QString>
#include <QStringList>

class QFontMetrics;
class QTableWidget;

class StandingsTableFill {
public:
    explicit StandingsTableFill(QTableWidget* table) : m_table(table) {}

    // Shows the entries of the group titled `group` (empty: none) under the rule. The same
    // group keeps the place the official scrolled to; a finish that changes nothing here
    // changes nothing in the table.
    void show(const QString& group, const QList<StandingsEntry>& entries, const StandingsRule& rule);

private:
    // What a column's width needs after the cells changed: nothing, Qt's measure as the
    // widest text grew, its widest text found again (it may have shrunk), or both anew.
    enum class Fit { Keep, Resize, Measure, Fresh };

    void setText(int row, int col, const QString& text, const QFontMetrics& metrics);
    // Every column but the name as wide as its widest text. Qt's measure asks the delegate
    // for every cell, most of an update's time at a thousand lines: it is taken only for
    // the columns whose widest text changed.
    void fitColumns();

    QTableWidget* const m_table;
    QString m_group;
    QList<StandingsEntry> m_entries;
    QStringList m_header;
    QList<int> m_advances; // per cell, row by row, its text's advance (not the name's)
    QList<int> m_widest;   // per column, the widest text's advance
    QList<Fit> m_refit;    // per column, during show()
};
