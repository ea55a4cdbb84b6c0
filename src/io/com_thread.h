#pragma once

#include "io/com_types.h"
#include "io/line_reports.h"

#include <QThread>

#include <atomic>
#include <deque>
#include <mutex>

class SerialLine;

// Watches the modem-status lines of one open port. Runs on its own thread, takes the counter
// stamp and the line levels the moment it wakes, queues the reports for the GUI thread and goes
// straight back to waiting: a busy GUI thread delays the handlers, never the stamps. The GUI
// thread takes the reports in order (takeReport) and runs the handlers, one report at a time.
// begin(), stop() and takeReport() run on the GUI thread; everything else of the object belongs
// to the watcher thread.
class TComThread : public QThread {
    Q_OBJECT
public:
    // `session` tells the port which of its openings a queued notice belongs to.
    TComThread(TComPort* parentPort, SerialLine& line, quint32 eventMask, EventCounterReader readCounter,
               quint64 session);
    ~TComThread() override;

    // Takes the present levels as the base for the first report and starts the thread.
    void begin();

    // Ends the watcher, drops what is queued and waits until the thread has ended.
    void stop();

    // The oldest report not yet taken; false when there is none.
    bool takeReport(ComReport* report);

    // How long a change that falls just before the wait begins may go unseen, and how often
    // the levels are read where the driver cannot wait for changes.
    static constexpr int recheckUs = 800;

protected:
    void run() override;

private:
    // What a wait for the lines ended with.
    enum class Wake {
        Changed, // the driver reported a change
        Recheck, // time to read the lines anyway
        Again,   // nothing to read: wait again
        Lost,    // the line failed; the watcher ends
    };

    void watch();
    Wake waitForRecheck();     // no way to wait for changes: a pause, then the levels
    Wake waitForCountChange(); // the driver counts changes and wakes for them
    // Reads the stamp and the lines and queues what changed; false when the line is lost.
    bool lookAtLines(bool woke);
    void loseLine();
    bool takeSnapshot(LineSnapshot* snapshot);
    void queue(const ComReports& reports);
    bool levelsNeeded() const { return !m_counted || m_ringByLevel; }
    qint64 readCounter() const;
    void interrupt();

    TComPort* const m_port;
    SerialLine& m_line;
    const quint32 m_eventMask;
    const int m_waitLines; // TIOCM bits of the lines the events watch
    const EventCounterReader m_readCounter;
    const quint64 m_session;

    std::atomic<bool> m_stop{false};
    LineSnapshot m_base;
    bool m_baseReady = false;
    bool m_polling = false; // no TIOCMIWAIT or no counters: read the levels every recheck
    bool m_counted = true;
    bool m_ringByLevel = false; // RING going active neither counts nor wakes the wait (8250)
    bool m_lost = false;
    int m_emptyWakeUps = 0;
    ReportedLines m_reported;

    std::mutex m_queueMutex; // guards the three below, shared with the GUI thread
    std::deque<ComReport> m_queue;
    bool m_posted = false;   // a call to take the queue is on its way to the GUI thread
    bool m_dropping = false; // stopped: nothing more is queued

    std::mutex m_threadMutex; // guards m_threadId against the thread ending while signalled
    pthread_t m_threadId{};
    bool m_threadKnown = false;
};
