#pragma once

#include "io/com_types.h"
#include "io/line_reports.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class SerialLine;

// Watches the modem-status lines of one open port. Runs on its own thread, takes the counter
// stamp and the line levels the moment it wakes, and hands every report to the GUI thread,
// blocking until the handlers are done, so handlers never run concurrently. begin() and stop()
// run on the GUI thread; everything else of the object belongs to the watcher thread.
class TComThread : public QThread {
    Q_OBJECT
public:
    // `session` tells the port which of its openings a late notice belongs to.
    TComThread(TComPort* parentPort, SerialLine& line, quint32 eventMask, EventCounterReader readCounter,
               quint64 session);
    ~TComThread() override;

    // Takes the present levels as the base for the first report and starts the thread.
    // GUI thread.
    void begin();

    // Ends the watcher and waits until it has ended. A hand-over that the GUI thread has not
    // yet started is dropped, so this returns even while the watcher waits for the GUI thread.
    void stop();

protected:
    void run() override;

private:
    struct HandOver;

    void watch();
    bool takeSnapshot(LineSnapshot* snapshot);
    bool handOver(const ComReport& report);
    void lookDuringHandOver();
    void queueChange(const LineSnapshot& now, qint64 stamp);
    bool levelsNeeded() const { return !m_counted || m_ringByLevel; }
    bool fatal(int error);
    qint64 readCounter() const;
    void interrupt();

    TComPort* const m_port;
    SerialLine& m_line;
    const quint32 m_eventMask;
    const EventCounterReader m_readCounter;
    const quint64 m_session;

    std::atomic<bool> m_stop{false};
    LineSnapshot m_base;
    bool m_baseReady = false;
    bool m_polling = false; // no TIOCMIWAIT or no counters: read the levels every millisecond
    bool m_counted = true;
    bool m_ringByLevel = false; // RING going active neither counts nor wakes the wait (8250)
    bool m_lost = false;
    LineSnapshot m_seen;             // the lines as last reported
    std::deque<ComReport> m_pending; // reports not yet handed over, oldest first

    std::mutex m_threadMutex; // guards m_threadId against the thread ending while signalled
    pthread_t m_threadId{};
    bool m_threadKnown = false;

    std::shared_ptr<HandOver> m_handOver;
};
