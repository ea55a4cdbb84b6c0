// The run corrections in the protocol's popup menu: enabled only outside a run on a row
// that holds one, each asking before it changes the row.

#include "app/protocol_corrections.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"
#include "protocol/run_corrections.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

#include <algorithm>

ProtocolCorrections::ProtocolCorrections(QMenu* popup, SortGridData& grid, Hooks hooks, QObject* parent)
    : QObject(parent), markInvalidAction(popup->addAction(QStringLiteral("Lauf ungültig (AUS)"))),
      changeNumberAction(popup->addAction(QStringLiteral("Nr. ändern…"))), m_grid(grid), m_hooks(std::move(hooks)) {
    markInvalidAction->setObjectName(QStringLiteral("LaufUngueltig1"));
    changeNumberAction->setObjectName(QStringLiteral("NrAendern1"));
    connect(markInvalidAction, &QAction::triggered, this, &ProtocolCorrections::markInvalid);
    connect(changeNumberAction, &QAction::triggered, this, &ProtocolCorrections::changeNumber);
    connect(popup, &QMenu::aboutToShow, this, &ProtocolCorrections::updateEnabled);
    updateEnabled();
}

void ProtocolCorrections::updateEnabled() {
    const bool open = !m_hooks.runInProgress() && isCorrectableRun(m_grid, m_grid.Row());
    markInvalidAction->setEnabled(open);
    changeNumberAction->setEnabled(open);
}

QString ProtocolCorrections::runNameOf(int row) const {
    // A number with several runs: the time, as the protocol shows it, tells which one is meant.
    const QString number = m_grid.cell(colNr, row);
    const QString time = m_grid.cell(colZeit, row).trimmed();
    return isNoResultCell(time) ? number : number + QStringLiteral(" (") + time + u')';
}

void ProtocolCorrections::markInvalid() {
    const int row = m_grid.Row();
    if (m_hooks.runInProgress() || !isCorrectableRun(m_grid, row))
        return;
    // The run's times are overwritten; a wrong row must not cost them unasked.
    const QString question =
        QStringLiteral("Lauf Nr. %1 ungültig (AUS)? Die Zeiten werden überschrieben.").arg(runNameOf(row));
    // While the question is open, barrier events go on: a finish may rank the rows again and
    // a start may take the track. The run asked about is found again by its identity.
    const quint64 id = m_grid.rowId(row);
    if (!m_hooks.confirm(question) || m_hooks.runInProgress())
        return;
    const int now = m_grid.rowOfId(id);
    if (now < 1)
        return;
    const QStringList before = m_grid.rowCells(now);
    if (markRunInvalid(m_grid, now))
        corrected(now, before);
}

void ProtocolCorrections::changeNumber() {
    const int row = m_grid.Row();
    if (m_hooks.runInProgress() || !isCorrectableRun(m_grid, row))
        return;
    // The row is found again by its identity: the dialog's event loop may let a sort move it.
    const quint64 id = m_grid.rowId(row);
    const std::optional<int> number = m_hooks.askNumber(m_grid.cell(colNr, row).trimmed().toInt());
    if (!number || m_hooks.runInProgress())
        return;
    const int now = m_grid.rowOfId(id);
    const QStringList before = m_grid.rowCells(now);
    if (changeStartNumber(m_grid, now, *number))
        corrected(now, before);
}

void ProtocolCorrections::corrected(int row, const QStringList& before) {
    if (m_hooks.cellChanged) {
        const QStringList after = m_grid.rowCells(row);
        for (int col = 0; col < std::min(before.size(), after.size()); ++col)
            if (before.at(col) != after.at(col))
                m_hooks.cellChanged(row, col, before.at(col), after.at(col));
    }
    m_hooks.changed();
}

std::optional<int> askStartNumber(QWidget* parent, const QString& title, int current) {
    bool ok = false;
    const int value =
        QInputDialog::getInt(parent, title, QStringLiteral("Neue Start-Nr. (1 bis 9999):"),
                             qBound(minStartNumber, current, maxStartNumber), minStartNumber, maxStartNumber, 1, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}
