// The live pages' snapshot, built from the run and the protocol.

#pragma once

#include "web/live_snapshot.h"

class RunController;
class SortGridData;

// What the live pages show at the counter reading `counterNow`, which is `steadyNowMs` on
// the steady clock: the title, the start numbers, the running or final time, the last
// finished run with its number, time and row as that run recorded them (name, rank and the
// other results as its row holds them now), and the protocol's numbered rows. Reads only
// its arguments; GUI thread, like the run and the grid.
LiveSnapshot liveSnapshotOf(const RunController& run, const SortGridData& protocol, qint64 counterNow,
                            qint64 steadyNowMs);
