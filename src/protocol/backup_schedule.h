// When the backup is written between finishes: soon after the protocol's contents change
// (a typed name, a load, a clear), once for a burst of changes. GUI thread.

#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class SortGridData;

// Calls `write` once the protocol grid has been left unchanged for the delay: an official
// who types thirty start-list names and then loses power finds them in the backup, and a
// name typed key by key is one write, not one per key. Restarting a timer is all a change
// costs here, whatever the table's size. Writes the program makes at once (a finish, the
// end) cancel what is pending, as they carry the same table.
class BackupSchedule : public QObject {
    Q_OBJECT

public:
    static constexpr int defaultDelayMs = 1000;

    BackupSchedule(const SortGridData& grid, std::function<void()> write, QObject* parent = nullptr);

    void setDelay(int msecs) { m_timer.setInterval(msecs); }
    // A write is being made now anyway, or the change is not worth one (the backup just read).
    void cancel() { m_timer.stop(); }
    bool isPending() const { return m_timer.isActive(); }

private:
    void changed();

    QTimer m_timer;
    std::function<void()> m_write;
};
