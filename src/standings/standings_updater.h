// Computes the standings window's contents on a worker thread from a copy of the protocol, so
// that a finish at 5,000 rows does not hold up the main window. Created and used on the GUI
// thread; `ready` arrives there.

#pragma once

#include "standings/standings.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class SortGridData;

// The protocol as it stood when the standings were asked for: its data rows (row i + 1 of the
// grid is index i), their row ids, and the rule. Copies that share the grid's texts.
struct StandingsInput {
    QList<QStringList> rows;
    QList<quint64> rowIds;
    StandingsRule rule;
};
StandingsInput standingsInputOf(const SortGridData& grid, int wertungSetting);

struct StandingsResult {
    StandingsRule rule;
    QList<StandingsGroup> groups;
    QList<QList<quint64>> bestRowIds; // per group and entry: the row id of the best run
};
StandingsResult computeStandingsResult(const StandingsInput& input);

// One computation at a time on the thread pool; a request while one runs is computed from a
// fresh copy once it has ended (a burst of changes is one more computation, not one each).
// A result is handed on only when it is newer than every result handed on before: a late
// one never replaces what a later request or computeNow() gave.
class StandingsUpdater : public QObject {
    Q_OBJECT

public:
    using Compute = std::function<StandingsResult(const StandingsInput&)>;

    // takeInput runs on the GUI thread, compute on the worker (it must read only its input).
    explicit StandingsUpdater(std::function<StandingsInput()> takeInput, QObject* parent = nullptr,
                              Compute compute = computeStandingsResult);

    // Returns at once; `ready` follows.
    void request();
    // Computes on this thread and returns the result; whatever is still being computed
    // from an older copy is dropped.
    StandingsResult computeNow();
    bool isBusy() const { return m_running != 0; }

signals:
    void ready(const StandingsResult& result);

private:
    void start();
    void ended();

    std::function<StandingsInput()> m_takeInput;
    Compute m_compute;
    QFutureWatcher<StandingsResult> m_watcher;
    quint64 m_lastStarted = 0; // every computation gets the next number
    quint64 m_running = 0;     // the number of the one on the worker; 0: none
    quint64 m_handedOn = 0;    // the newest result handed on
    bool m_again = false;      // requested while one was running
};
