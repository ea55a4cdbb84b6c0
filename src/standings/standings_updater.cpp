// The standings window's computation off the GUI thread, newest result wins.

#include "standings/standings_updater.h"

#include "controls/sort_grid_data.h"
#include "standings/standings_table.h"

#include <QPromise>
#include <QThreadPool>

#include <memory>

StandingsInput standingsInputOf(const SortGridData& grid, int wertungSetting) {
    StandingsInput input;
    input.rows = protocolDataRows(grid);
    input.rowIds.reserve(input.rows.size());
    for (int row = 1; row < grid.RowCount(); ++row)
        input.rowIds.append(grid.rowId(row));
    input.rule = standingsRuleOf(grid, wertungSetting);
    return input;
}

StandingsResult computeStandingsResult(const StandingsInput& input) {
    StandingsResult result;
    result.rule = input.rule;
    result.groups = computeStandings(input.rows, input.rule);
    result.bestRowIds.reserve(result.groups.size());
    for (const StandingsGroup& group : result.groups) {
        QList<quint64> ids;
        ids.reserve(group.entries.size());
        for (const StandingsEntry& entry : group.entries)
            ids.append(input.rowIds.value(entry.bestRow, 0));
        result.bestRowIds.append(ids);
    }
    return result;
}

StandingsUpdater::StandingsUpdater(std::function<StandingsInput()> takeInput, QObject* parent, Compute compute)
    : QObject(parent), m_takeInput(std::move(takeInput)), m_compute(std::move(compute)) {
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &StandingsUpdater::ended);
}

void StandingsUpdater::request() {
    if (m_running != 0) {
        m_again = true;
        return;
    }
    start();
}

StandingsResult StandingsUpdater::computeNow() {
    // Numbered like the others, so that one still running counts as older.
    m_handedOn = ++m_lastStarted;
    m_again = false;
    return m_compute(m_takeInput());
}

void StandingsUpdater::start() {
    m_again = false;
    m_running = ++m_lastStarted;
    // The copy is taken here, on the GUI thread; the worker owns it and the promise. When
    // this object goes first, the watcher goes with it and the result is simply dropped.
    auto promise = std::make_shared<QPromise<StandingsResult>>();
    m_watcher.setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, input = m_takeInput(), compute = m_compute] {
        promise->addResult(compute(input));
        promise->finish();
    });
}

void StandingsUpdater::ended() {
    const quint64 number = m_running;
    m_running = 0;
    const QFuture<StandingsResult> future = m_watcher.future();
    if (number > m_handedOn && future.resultCount() > 0) {
        m_handedOn = number;
        emit ready(future.result());
    }
    if (m_again)
        start();
}
