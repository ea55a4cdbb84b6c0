// Builds the live pages' snapshot from the run and the protocol.

#include "run/live_snapshot_of_run.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"
#include "timing/run_time.h"

LiveSnapshot liveSnapshotOf(const RunController& run, const SortGridData& protocol, qint64 counterNow,
                            qint64 steadyNowMs) {
    LiveSnapshot s;
    s.title = run.settings().Title;
    s.startNr = QString::number(run.editStartN1());
    s.nextNr = QString::number(run.editStartN2());

    const std::optional<FinishedRun>& finished = run.lastFinish();
    if (run.isClockRunning()) {
        s.running = true;
        s.startedAt = steadyNowMs - run.msSinceStart(counterNow);
    } else if (run.state() == RunState::Finished && finished) {
        s.finalMs = finished->totalMs;
    }

    if (finished) {
        s.hasLast = true;
        LiveResult& r = s.last;
        r.nr = finished->nr;
        r.zeit = formatRunTime(finished->totalMs);
        // The rest as the protocol holds the run's row now; nothing when it was removed.
        const int row = protocol.rowOfId(finished->rowId);
        if (row > 0) {
            r.name = protocol.cell(colName, row);
            r.gruppe = protocol.cell(colGruppe, row);
            r.zwZeit = protocol.cell(colZwZeit, row);
            r.vmax = protocol.cell(colVmax, row);
            r.schnitt = protocol.cell(colSchnitt, row);
            r.platz = protocol.cell(colPlatz, row);
        }
    }

    s.columns = protocolHeaderTexts();
    for (int row = 1; row < protocol.RowCount(); ++row) {
        if (!protocol.cell(colNr, row).isEmpty())
            s.rows.append(protocol.rowCells(row));
    }
    return s;
}
