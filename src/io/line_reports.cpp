// Turns levels and transition counts into the reports of each line, pulses too short for a
// wake-up included and late counts of USB adapters not taken twice.

#include "io/line_reports.h"

#include <sys/ioctl.h>

namespace {

struct Line {
    quint32 event;
    quint32 status;
    int tiocm;
    int LineCounters::*counter;
};

// Indexes match ReportedLines::balance.
constexpr Line lines[] = {
    {EV_CTS, MS_CTS_ON, TIOCM_CTS, &LineCounters::cts},
    {EV_DSR, MS_DSR_ON, TIOCM_DSR, &LineCounters::dsr},
    {EV_RING, MS_RING_ON, TIOCM_RNG, &LineCounters::rng},
    {EV_RLSD, MS_RLSD_ON, TIOCM_CAR, &LineCounters::dcd},
};

// A driver that never counts (cp210x) lets the levels run ahead for ever; bounded only so that
// the balance cannot overflow.
constexpr int leastBalance = -(1 << 24);

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

quint32 linesReadByLevel(RingCounting ring, const NeededChanges& needed, quint32 eventMask) {
    if (!(eventMask & EV_RING)) {
        return 0;
    }
    const bool active = needed.becomingActive & MS_RING_ON;
    const bool idle = needed.becomingIdle & MS_RING_ON;
    switch (ring) {
    case RingCounting::BothEdges:
        return 0;
    case RingCounting::TrailingEdgeOnly:
        return active ? quint32(MS_RING_ON) : 0u;
    case RingCounting::Unknown:
        return active || idle ? quint32(MS_RING_ON) : 0u;
    }
    return 0;
}

ComReports advanceReports(ReportedLines* reported, const LineSnapshot& now, quint32 eventMask, qint64 stamp,
                          qint64 nowUs) {
    struct Steps {
        const Line* line;
        bool first; // level of the first step; the steps alternate from there
        int count;
    };
    QVarLengthArray<Steps, 4> changed;
    int reportCount = 0;
    const LineSnapshot& before = reported->seen;
    for (int i = 0; i < 4; ++i) {
        const Line& line = lines[i];
        if (!(eventMask & line.event)) {
            continue;
        }
        const bool was = before.modemStatus & line.status;
        const bool is = now.modemStatus & line.status;
        const bool trailingOnly = reported->ringTrailingEdgeOnly && line.event == EV_RING;
        // Unsigned difference: the driver's int counters may wrap.
        const quint32 moved = quint32(now.counters.*line.counter) - quint32(before.counters.*line.counter);
        qint64 balance = reported->balance[size_t(i)];
        if (balance < 0 && nowUs - reported->shortSinceUs[size_t(i)] > ReportedLines::countLagUs) {
            balance = 0;
        }
        balance += qint64(moved);
        int steps = 0;
        if (was != is) {
            steps = 1;
            if (!trailingOnly || was) {
                --balance;
                reported->shortSinceUs[size_t(i)] = nowUs;
            }
        }
        // Each pulse is two steps; a line counting one edge counts it once, one counting both
        // edges twice.
        const int perPulse = trailingOnly ? 1 : 2;
        if (balance >= perPulse) {
            const qint64 pulses = balance / perPulse;
            balance -= pulses * perPulse;
            // Beyond one pulse the order of several can no longer be told apart: one stands for all.
            steps += 2;
        }
        reported->balance[size_t(i)] = int(qBound(qint64(leastBalance), balance, qint64(perPulse - 1)));
        if (steps > 0) {
            changed.append({&line, !was, steps});
            reportCount = qMax(reportCount, steps);
        }
    }

    ComReports reports;
    // RING going active where only its trailing edge counts leaves no count: a look finds it
    // only beside the change that woke it. It comes first and on its own, the other lines
    // still at their old levels, so that its word cannot stand for theirs.
    if (reported->ringTrailingEdgeOnly && changed.size() > 1) {
        for (qsizetype k = 0; k < changed.size(); ++k) {
            const Steps& steps = changed[k];
            if (steps.line->event == EV_RING && steps.first && steps.count == 1) {
                reports.append({EV_RING, (before.modemStatus & ~steps.line->status) | MS_RING_ON, stamp});
                changed.remove(k);
                reportCount = 0;
                for (const Steps& other : changed) {
                    reportCount = qMax(reportCount, other.count);
                }
                break;
            }
        }
    }
    for (int i = 0; i < reportCount; ++i) {
        ComReport report{0, now.modemStatus, stamp};
        for (const Steps& steps : changed) {
            const int step = qMin(i, steps.count - 1);
            const bool level = (step % 2 == 0) ? steps.first : !steps.first;
            report.modemStatus =
                level ? (report.modemStatus | steps.line->status) : (report.modemStatus & ~steps.line->status);
            if (i < steps.count) {
                report.eventMask |= steps.line->event;
            }
        }
        reports.append(report);
    }
    reported->seen = now;
    return reports;
}
