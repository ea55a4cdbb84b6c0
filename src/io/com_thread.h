// The thread that watches one port's modem-status lines and stamps every change the moment
// it wakes, whatever the GUI thread is doing.

#pragma once

#include "io/com_types.h"
#include "io/line_reports.h"

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <deque>
#include <mutex>

class SerialLine;

// Watches the modem-status lines of one open port. Runs on its own thread, takes the counter
// stamp and the line levels the moment it wakes, queues the reports for the GUI thread and goes
// straight back to waiting: a busy GUI thread delays the handlers, never the stamps. Where the
// driver counts the changes that matter, it sleeps in the driver's wait without a time limit. The GUI
// thread takes the reports in order (takeReport) and runs the handlers, one report at a time.
// begin(), stop() and takeReport() run on the GUI thread; everything else of the object belongs
// to the watcher thread.
class TComThread : public QThread {
    Q_OBJECT
public:
    // `session` tells the port which of its openings a queued notice belongs to.
    TComThread(TComPort* parentPort, SerialLine& line, quint32 eventMask, NeededChanges needed,
               EventCounterReader readCounter, quint64 session);
    ~TComThread() override;

    // Takes the present levels as the base for the first report and starts the thread.
    void begin();

    // Ends the watcher, drops what is queued and waits until the thread has ended.
    void stop();

    // The oldest report not yet taken; false when there is none.
    bool takeReport(ComReport* report);

    // Where levels must be read (no counts, no wait, or a needed change the driver does not
    // count), a look starts at the latest this long after the start of the one before, less the
    // time the read itself takes: a change is stamped no later than a millisecond after it.
    static constexpr int lookBudgetUs = 850;
    // How long begin() waits at most for the thread to take its scheduling.
    static constexpr int startWaitMs = 100;

protected:
    void run() override;

private:
    // Why the watcher looks at the lines.
    enum class Look {
        Counted, // the counts moved: the change is past when the stamp is taken
        Woken,   // the wait reported a change
        Polled,  // time to read the levels, which may change during the read
        None,    // nothing to read: wait again
        Lost,    // the line failed; the watcher ends
    };

    void watch();
    Look waitForPoll();        // no way to wait for changes: a pause, then the levels
    Look waitForCountChange(); // the driver counts changes and wakes for them
    // Reads the stamp and the lines and queues what changed; false when the line is lost.
    bool lookAtLines(Look look);
    int untilNextLookUs() const;
    void loseLine();
    bool takeSnapshot(LineSnapshot* snapshot);
    void queue(const ComReports& reports);
    qint64 readCounter() const;
    void interrupt();

    TComPort* const m_port;
    SerialLine& m_line;
    const quint32 m_eventMask;
    const int m_waitLines; // TIOCM bits of the lines the events watch
    const NeededChanges m_needed;
    const EventCounterReader m_readCounter;
    const quint64 m_session;

    std::atomic<bool> m_stop{false};
    LineSnapshot m_base;
    bool m_baseReady = false;
    bool m_polling = false; // no TIOCMIWAIT or no counters: read the levels at every look
    bool m_counted = true;
    quint32 m_levelLines = 0; // lines whose level is read at every look, although counted
    bool m_lost = false;
    int m_emptyWakeUps = 0;
    qint64 m_lastReadStartUs = 0; // when the last look began reading, and how long it took
    qint64 m_lastReadUs = 0;
    ReportedLines m_reported;
    QSemaphore m_running; // released once run() has taken its scheduling

    std::mutex m_queueMutex; // guards the three below, shared with the GUI thread
    std::deque<ComReport> m_queue;
    bool m_posted = false;   // a call to take the queue is on its way to the GUI thread
    bool m_dropping = false; // stopped: nothing more is queued

    std::mutex m_threadMutex; // guards m_threadId against the thread ending while signalled
    pthread_t m_threadId{};
    bool m_threadKnown = false;
};
