// Tells the official in time that a run's split has not come.

#pragma once

#include "run/run_state.h"

#include <QObject>
#include <QTimer>

class SortGridData;

// When the split barrier fails, L3 and L4 stay unpowered (they are powered after the split),
// so the finish is never seen and a late F8 records a wrong time. The watch raises an alarm
// when a run on an armed track with a split barrier still waits for its split after twice the
// slowest split the protocol holds (10 s while it holds none), leaving out splits more than
// three times the median (a split given late by hand); the official then gives the split with
// F6, which powers the finish. GUI thread.
class SplitWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int noSplitYetMs = 10000;
    static constexpr double outlierFactor = 3.0;

    explicit SplitWatch(const SortGridData& grid, QObject* parent = nullptr);

    // How long a split may take: twice the slowest "Zw.Zeit" in the protocol that is at most
    // outlierFactor times the median, or noSplitYetMs.
    static int splitDeadlineMs(const SortGridData& grid);

    // Fed with the run's state after every change.
    void update(RunState state, bool armed, bool splitFitted);
    bool overdue() const { return m_overdue; }

    // The alarm's words for status panel 2.
    static QString alarmText();

signals:
    void overdueChanged(bool overdue);

private:
    void setOverdue(bool overdue);

    const SortGridData& m_grid;
    QTimer m_deadline;
    bool m_watching = false;
    bool m_overdue = false;
};
