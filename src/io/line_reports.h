// What the port watcher reports to the GUI thread, worked out from the driver's levels and
// transition counts.

#pragma once

#include "io/com_types.h"
#include "io/serial_line.h"

#include <QVarLengthArray>

#include <array>

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

// What the watcher has reported so far, and how the driver's transition counts stand against
// it. Levels are read live, but USB adapters update the counts from their status packets, a
// frame or more later; so a count that moves after its level change was reported must not be
// taken for a second change.
struct ReportedLines {
    // A count still missing this long after the last reported change of its line never comes:
    // the change was a glitch that the adapter's status packets did not carry.
    static constexpr qint64 countLagUs = 30000;

    LineSnapshot seen; // levels as last reported, counts as last read
    // Per line (CTS, DSR, RING, RLSD): counted transitions minus reported ones. Negative while
    // counts trail reported level changes; a surplus the levels cannot explain is a pulse.
    std::array<int, 4> balance{};
    // Per line: when the last reported change left the balance short (watcher's clock, µs).
    std::array<qint64, 4> shortSinceUs{};
    // The 8250 family counts RING on its trailing edge only.
    bool ringTrailingEdgeOnly = false;
};

// The reports for the lines selected by `eventMask` from `reported->seen` to `now`, which
// becomes the new `seen`. A line whose level changed reports its new level. Counted
// transitions that neither the level change nor earlier reports account for are pulses too
// short for the wake-up: each reports the other level, then the present one again (a line that
// changed and pulsed reports new, old, new). A single surplus count on a line that counts both
// edges is a late count of an earlier change, or the first half of a pulse whose second count
// is on its way; it is kept until its pair arrives. A shortfall older than countLagUs at `nowUs`
// is forgotten, so that it cannot swallow a later pulse. Every report carries `stamp`; the last
// one carries the present word.
ComReports advanceReports(ReportedLines* reported, const LineSnapshot& now, quint32 eventMask, qint64 stamp,
                          qint64 nowUs = 0);

// Modem-status bits of the lines whose level the watcher must read at every look, because the
// driver cannot count a change the owner needs: RING going active on an 8250, and any change of
// RING where it is not known how the UART counts it.
quint32 linesReadByLevel(RingCounting ring, const NeededChanges& needed, quint32 eventMask);
