// Debounces the backup writes that follow the protocol's changes between finishes.

#include "protocol/backup_schedule.h"

#include "controls/sort_grid_data.h"

BackupSchedule::BackupSchedule(const SortGridData& grid, std::function<void()> write, QObject* parent)
    : QObject(parent), m_write(std::move(write)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(defaultDelayMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_write)
            m_write();
    });
    // Every change of a cell, the rows or their order reaches the grid through one of these.
    connect(&grid, &SortGridData::cellChanged, this, &BackupSchedule::changed);
    connect(&grid, &SortGridData::gridReset, this, &BackupSchedule::changed);
}

void BackupSchedule::changed() {
    // Started again by every change: the write follows the last one of a burst.
    m_timer.start();
}
