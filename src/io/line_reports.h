#pragma once

#include "io/serial_line.h"

#include <QVarLengthArray>

// One hand-over to the GUI thread: the event bits, and the stamp and modem-status word the
// watcher took at the wake-up.
struct ComReport {
    quint32 eventMask = 0;
    quint32 modemStatus = 0;
    qint64 stamp = 0;
};

using ComReports = QVarLengthArray<ComReport, 3>;

// TIOCM line bits the watcher waits on for the selected events (EV_* mask).
int waitLinesFor(quint32 eventMask);

// Whether a counter of the given TIOCM lines differs.
bool countersMoved(const LineCounters& before, const LineCounters& now, int tiocmLines);

// Whether a line selected by `eventMask` differs in level or count.
bool selectedLinesDiffer(const LineSnapshot& before, const LineSnapshot& now, quint32 eventMask);

// The reports for the change from `before` to `now` on the lines selected by `eventMask`.
// A line that changed reports its new level. A line whose counter moved while its level ended
// where it started had a pulse shorter than the wake-up: it reports the other level, then its
// present level. A line that changed and moved further reports new, old, new. Every report
// carries `stamp`; the last one carries the present word.
ComReports reportsBetween(const LineSnapshot& before, const LineSnapshot& now, quint32 eventMask, qint64 stamp);
