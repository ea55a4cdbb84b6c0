// The watcher's loop: sleeps in the driver's wait where it counts the needed changes, else
// looks at the levels on a schedule, and stamps and queues every change it finds.

#include "io/com_thread.h"

#include "io/com_port.h"
#include "io/serial_line.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>

namespace {

// The driver has no such request (cp210x has no TIOCMIWAIT, ptys no modem lines).
bool unsupported(int error) {
    return error == ENOTTY || error == EINVAL || error == ENOSYS;
}

// The watcher's own clock for its schedule; the stamps come from the injected counter.
qint64 steadyMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void pause(int us) {
    const timespec pause{us / 1000000, long(us % 1000000) * 1000};
    nanosleep(&pause, nullptr); // a stop request cuts it short
}

} // namespace

TComThread::TComThread(TComPort* parentPort, SerialLine& line, quint32 eventMask, NeededChanges needed,
                       EventCounterReader readCounter, quint64 session)
    : m_port(parentPort), m_line(line), m_eventMask(eventMask), m_waitLines(waitLinesFor(eventMask)), m_needed(needed),
      m_readCounter(std::move(readCounter)), m_session(session) {}

TComThread::~TComThread() {
    stop();
}

void TComThread::run() {
    // Ahead of ordinary threads, so a busy machine does not delay the stamp. Needs the right
    // to real-time scheduling; without it the thread keeps its ordinary priority.
    sched_param realTime{};
    realTime.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &realTime);
    {
        std::lock_guard guard(m_threadMutex);
        m_threadId = pthread_self();
        m_threadKnown = true;
    }
    m_running.release();
    watch();
    if (!m_lost) {
        m_line.purgeInput();
    } else if (!m_stop.load()) {
        // After the reports already queued, which the GUI thread takes first.
        TComPort* port = m_port;
        const quint64 session = m_session;
        QMetaObject::invokeMethod(
            port, [port, session] { port->watcherLost(session); }, Qt::QueuedConnection);
    }
    // Last: stop() takes this lock after the join, which orders everything above before the
    // object is freed in a way the race checker sees too.
    std::lock_guard guard(m_threadMutex);
    m_threadKnown = false;
}

void TComThread::begin() {
    // The levels at the end of Open are the base: whatever changes after Open returns is
    // reported, however soon the thread gets going.
    const RingCounting ring = m_line.ringCounting();
    m_reported.ringTrailingEdgeOnly = ring == RingCounting::TrailingEdgeOnly;
    m_levelLines = linesReadByLevel(ring, m_needed, m_eventMask);
    m_lastReadStartUs = steadyMicroseconds();
    m_baseReady = takeSnapshot(&m_base);
    start();
    // Until the thread runs ahead of ordinary ones: a new thread starts as an ordinary one, and
    // a GUI thread busy after Open would keep it from getting there while a change waits for
    // its stamp. Bounded, so that a stalled machine does not hold Open up for long.
    m_running.tryAcquire(1, startWaitMs);
}

void TComThread::watch() {
    if (!m_baseReady) {
        return;
    }
    m_reported.seen = m_base;
    while (!m_stop.load()) {
        const Look look = m_polling ? waitForPoll() : waitForCountChange();
        if (look == Look::Lost) {
            return;
        }
        if (look == Look::None || m_stop.load()) {
            continue;
        }
        if (!lookAtLines(look)) {
            return;
        }
    }
}

int TComThread::untilNextLookUs() const {
    const qint64 due = m_lastReadStartUs + lookBudgetUs - m_lastReadUs;
    return int(qBound(qint64(0), due - steadyMicroseconds(), qint64(lookBudgetUs)));
}

TComThread::Look TComThread::waitForPoll() {
    if (const int us = untilNextLookUs()) {
        pause(us);
    }
    return Look::Polled;
}

TComThread::Look TComThread::waitForCountChange() {
    // The wait compares against the counts read here, so a change after this read is never
    // slept through; a change before it shows in the counts themselves.
    LineCounters counters;
    int error = m_line.counters(&counters);
    if (!error) {
        if (countersMoved(m_reported.seen.counters, counters, m_waitLines)) {
            return Look::Counted;
        }
        // Without a line read by level nothing happens unseen: no time limit, no cost.
        const int timeoutUs = m_levelLines ? untilNextLookUs() : -1;
        if (timeoutUs == 0) {
            return Look::Polled;
        }
        error = m_line.waitChange(m_waitLines, counters, timeoutUs);
        if (!error) {
            return Look::Woken;
        }
        if (error == EINTR) {
            // Unchanged counts say enough; reading the levels costs a USB round trip on some
            // adapters, during which a change would wait for its stamp.
            return m_levelLines ? Look::Polled : Look::None;
        }
    }
    if (unsupported(error)) {
        m_polling = true;
        return Look::None;
    }
    if (error == EINTR) {
        return Look::None;
    }
    loseLine();
    return Look::Lost;
}

bool TComThread::lookAtLines(Look look) {
    // A change the counts or the wait told of is past: stamped now, before the read. A change
    // found by reading may happen during the read (a USB transfer on some adapters): stamped
    // after it, never before the change.
    const bool changeIsPast = look == Look::Counted || look == Look::Woken;
    qint64 stamp = changeIsPast ? readCounter() : 0;
    const qint64 readStartUs = steadyMicroseconds();
    LineSnapshot now;
    if (!takeSnapshot(&now)) {
        return false;
    }
    const qint64 readEndUs = steadyMicroseconds();
    if (!changeIsPast) {
        stamp = readCounter();
    }
    m_lastReadStartUs = readStartUs;
    m_lastReadUs = readEndUs - readStartUs;
    if (!m_counted) {
        m_reported.seen.counters = {}; // no counts (any more): compare levels only
    }
    if (now == m_reported.seen) {
        // A driver whose wait returns at once without a change would spin this thread.
        if (look == Look::Woken && ++m_emptyWakeUps >= 8) {
            m_polling = true;
        }
        return true;
    }
    m_emptyWakeUps = 0;
    queue(advanceReports(&m_reported, now, m_eventMask, stamp, readEndUs));
    return true;
}

void TComThread::queue(const ComReports& reports) {
    if (reports.isEmpty()) {
        return;
    }
    bool post = false;
    {
        std::lock_guard lock(m_queueMutex);
        if (m_dropping) {
            return;
        }
        for (const ComReport& report : reports) {
            m_queue.push_back(report);
        }
        post = !m_posted;
        m_posted = true;
    }
    if (post) {
        TComPort* port = m_port;
        const quint64 session = m_session;
        QMetaObject::invokeMethod(
            port, [port, session] { port->dispatchQueued(session); }, Qt::QueuedConnection);
    }
}

bool TComThread::takeReport(ComReport* report) {
    std::lock_guard lock(m_queueMutex);
    if (m_queue.empty()) {
        m_posted = false; // the next report posts a new call
        return false;
    }
    *report = m_queue.front();
    m_queue.pop_front();
    return true;
}

bool TComThread::takeSnapshot(LineSnapshot* snapshot) {
    for (;;) {
        int error = 0;
        if (m_counted) {
            error = m_line.snapshot(snapshot);
            if (unsupported(error)) {
                // Without counts only levels can be compared, which needs polling.
                m_counted = false;
                m_polling = true;
                continue;
            }
        } else {
            *snapshot = {};
            error = m_line.modemStatus(&snapshot->modemStatus);
        }
        if (error == EINTR) {
            if (m_stop.load()) {
                return false;
            }
            continue;
        }
        if (error) {
            loseLine();
            return false;
        }
        return true;
    }
}

void TComThread::loseLine() {
    // EIO/ENODEV: the adapter was pulled; any other failure leaves nothing to watch either.
    m_lost = true;
}

qint64 TComThread::readCounter() const {
    return m_readCounter ? m_readCounter() : 0;
}

void TComThread::interrupt() {
    std::lock_guard guard(m_threadMutex);
    if (m_threadKnown) {
        m_line.system().interruptWait(m_threadId);
    }
}

void TComThread::stop() {
    m_stop = true;
    {
        std::lock_guard lock(m_queueMutex);
        m_dropping = true;
        m_queue.clear();
    }
    // A signal that arrives just before the wait begins is lost, so repeat until it ends.
    do {
        interrupt();
    } while (!wait(1));
    std::lock_guard joined(m_threadMutex); // see the end of run()
}
