#include "io/line_reports.h"

#include <sys/ioctl.h>

namespace {

struct Line {
    quint32 event;
    quint32 status;
    int tiocm;
    int LineCounters::*counter;
};

constexpr Line lines[] = {
    {EV_CTS, MS_CTS_ON, TIOCM_CTS, &LineCounters::cts},
    {EV_DSR, MS_DSR_ON, TIOCM_DSR, &LineCounters::dsr},
    {EV_RING, MS_RING_ON, TIOCM_RNG, &LineCounters::rng},
    {EV_RLSD, MS_RLSD_ON, TIOCM_CAR, &LineCounters::dcd},
};

} // namespace

int waitLinesFor(quint32 eventMask) {
    int tiocm = 0;
    for (const Line& line : lines) {
        if (eventMask & line.event) {
            tiocm |= line.tiocm;
        }
    }
    return tiocm;
}

bool countersMoved(const LineCounters& before, const LineCounters& now, int tiocmLines) {
    for (const Line& line : lines) {
        if ((tiocmLines & line.tiocm) && before.*line.counter != now.*line.counter) {
            return true;
        }
    }
    return false;
}

bool selectedLinesDiffer(const LineSnapshot& before, const LineSnapshot& now, quint32 eventMask) {
    for (const Line& line : lines) {
        if ((eventMask & line.event) && (((before.modemStatus ^ now.modemStatus) & line.status) ||
                                         before.counters.*line.counter != now.counters.*line.counter)) {
            return true;
        }
    }
    return false;
}

ComReports reportsBetween(const LineSnapshot& before, const LineSnapshot& now, quint32 eventMask, qint64 stamp) {
    struct Steps {
        const Line* line;
        bool levels[3];
        int count;
    };
    QVarLengthArray<Steps, 4> changed;
    int reportCount = 0;
    for (const Line& line : lines) {
        if (!(eventMask & line.event)) {
            continue;
        }
        const bool was = before.modemStatus & line.status;
        const bool is = now.modemStatus & line.status;
        // Unsigned difference: the driver's int counters may wrap.
        const quint32 moved = quint32(now.counters.*line.counter) - quint32(before.counters.*line.counter);
        Steps steps{&line, {is, was, is}, 0};
        if (was != is) {
            steps.count = moved >= 2 ? 3 : 1;
        } else if (moved >= 1) {
            // Both edges are normally counted, so an odd count with an unchanged level only
            // comes from drivers that count one edge (RING on 8250): still a whole pulse.
            steps = {&line, {!was, was, was}, 2};
        }
        if (steps.count > 0) {
            changed.append(steps);
            reportCount = qMax(reportCount, steps.count);
        }
    }

    ComReports reports;
    for (int i = 0; i < reportCount; ++i) {
        ComReport report{0, now.modemStatus, stamp};
        for (const Steps& steps : changed) {
            const bool level = steps.levels[qMin(i, steps.count - 1)];
            report.modemStatus =
                level ? (report.modemStatus | steps.line->status) : (report.modemStatus & ~steps.line->status);
            if (i < steps.count) {
                report.eventMask |= steps.line->event;
            }
        }
        reports.append(report);
    }
    return reports;
}
