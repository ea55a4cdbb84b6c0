// The split watch's deadline from the slowest split in the protocol, and its alarm raised
// when a running run has waited past it.

#include "run/split_watch.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"

#include <QList>
#include <QLocale>

#include <algorithm>
#include <climits>

SplitWatch::SplitWatch(const SortGridData& grid, QObject* parent) : QObject(parent), m_grid(grid) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { setOverdue(true); });
}

int SplitWatch::splitDeadlineMs(const SortGridData& grid) {
    // Split texts are seconds with three decimals and the desktop's decimal separator.
    QList<double> splits;
    for (int row = 1; row < grid.RowCount(); ++row) {
        QString text = grid.cell(colZwZeit, row).trimmed();
        text.replace(u',', u'.');
        bool ok = false;
        const double seconds = QLocale::c().toDouble(text, &ok);
        if (ok && seconds > 0)
            splits.append(seconds);
    }
    if (splits.isEmpty())
        return noSplitYetMs;
    // A split given by hand after a failed barrier is as late as the official was; counted,
    // it would double the wait for the next failure of the same barrier. A split more than
    // outlierFactor times the typical one is no split the barrier normally gives.
    std::sort(splits.begin(), splits.end());
    const double typical = splits.at((splits.size() - 1) / 2);
    double slowest = 0;
    for (double seconds : splits)
        if (seconds <= outlierFactor * typical)
            slowest = seconds;
    return int(std::min(2 * slowest * 1000, double(INT_MAX / 2)));
}

void SplitWatch::update(RunState state, bool armed, bool splitFitted) {
    const bool waiting = state == RunState::RunningSplitPending && armed && splitFitted;
    if (!waiting) {
        m_watching = false;
        m_deadline.stop();
        setOverdue(false);
        return;
    }
    if (m_watching)
        return;
    // Measured from the start, with the protocol as it stood then.
    m_watching = true;
    m_deadline.start(splitDeadlineMs(m_grid));
}

QString SplitWatch::alarmText() {
    return QStringLiteral("Zw.Zeit fehlt! F6 gibt sie von Hand und schaltet das Ziel ein");
}

void SplitWatch::setOverdue(bool overdue) {
    if (overdue == m_overdue)
        return;
    m_overdue = overdue;
    emit overdueChanged(overdue);
}
