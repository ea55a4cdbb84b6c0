#include "io/com_thread.h"

#include "io/com_port.h"
#include "io/serial_line.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>

// State shared with the queued call on the GUI thread; that call may outlive the thread object.
struct TComThread::HandOver {
    enum class State { Idle, Queued, Running, Done, Dropped };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Idle;
    bool stopping = false;
    ComReport report;
    std::exception_ptr error;
};

namespace {

// The driver has no such request (cp210x has no TIOCMIWAIT, ptys no modem lines).
bool unsupported(int error) {
    return error == ENOTTY || error == EINVAL || error == ENOSYS;
}

void pauseOneMillisecond() {
    const timespec pause{0, 1000 * 1000};
    nanosleep(&pause, nullptr); // a stop request cuts it short
}

} // namespace

TComThread::TComThread(TComPort* parentPort, SerialLine& line, quint32 eventMask, EventCounterReader readCounter,
                       quint64 session)
    : m_port(parentPort), m_line(line), m_eventMask(eventMask), m_readCounter(std::move(readCounter)),
      m_session(session), m_handOver(std::make_shared<HandOver>()) {}

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
    watch();
    if (!m_lost) {
        m_line.purgeInput();
    } else {
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
    m_baseReady = takeSnapshot(&m_base);
    start();
}

void TComThread::watch() {
    if (!m_baseReady) {
        return;
    }
    const int waitLines = waitLinesFor(m_eventMask);
    // On 8250 ports RING going active neither counts nor wakes the wait: look at the levels
    // every millisecond there.
    m_ringByLevel = (m_eventMask & EV_RING) && m_line.ringWakesOnTrailingEdgeOnly();
    // The wait misses a transition that falls between the count before it and its own start,
    // so it returns now and then to look again.
    const int recheckMs = m_ringByLevel ? 1 : 10;
    m_seen = m_base;
    int emptyWakeUps = 0;
    while (!m_stop.load()) {
        bool woke = false;
        if (m_polling) {
            pauseOneMillisecond();
        } else {
            // Compare the counts before every wait: it would not wake for a change before it.
            LineCounters counters;
            int error = m_line.counters(&counters);
            if (!error && !countersMoved(m_seen.counters, counters, waitLines)) {
                error = m_line.waitChange(waitLines, recheckMs);
                woke = !error;
                if (error == EINTR && !levelsNeeded()) {
                    // Unchanged counts say enough; reading the levels costs a USB round trip on
                    // some adapters, during which a change would wait for its stamp.
                    continue;
                }
            }
            if (unsupported(error)) {
                m_polling = true;
                continue;
            }
            if (error != EINTR && fatal(error)) {
                return;
            }
        }
        if (m_stop.load()) {
            return;
        }
        const qint64 stamp = readCounter();
        LineSnapshot now;
        if (!takeSnapshot(&now)) {
            return;
        }
        if (!m_counted) {
            m_seen.counters = {}; // no counts (any more): compare levels only
        }
        if (now == m_seen) {
            // A driver whose wait returns at once without a change would spin this thread.
            if (woke && ++emptyWakeUps >= 8) {
                m_polling = true;
            }
            continue;
        }
        emptyWakeUps = 0;
        queueChange(now, stamp);
        // Changes seen while handlers run join the queue with stamps of their own.
        while (!m_pending.empty()) {
            const ComReport report = m_pending.front();
            m_pending.pop_front();
            if (!handOver(report)) {
                return;
            }
        }
    }
}

void TComThread::queueChange(const LineSnapshot& now, qint64 stamp) {
    for (const ComReport& report : reportsBetween(m_seen, now, m_eventMask, stamp)) {
        m_pending.push_back(report);
    }
    m_seen = now;
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
        return !fatal(error);
    }
}

bool TComThread::fatal(int error) {
    if (error) {
        // EIO/ENODEV: the adapter was pulled; any other failure leaves nothing to watch either.
        m_lost = true;
    }
    return error != 0;
}

qint64 TComThread::readCounter() const {
    return m_readCounter ? m_readCounter() : 0;
}

bool TComThread::handOver(const ComReport& report) {
    const std::shared_ptr<HandOver> shared = m_handOver;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stopping) {
            return false;
        }
        shared->state = HandOver::State::Queued;
        shared->report = report;
        shared->error = nullptr;
    }
    TComPort* port = m_port;
    QMetaObject::invokeMethod(
        port,
        [shared, port] {
            ComReport queued;
            {
                std::lock_guard lock(shared->mutex);
                if (shared->state != HandOver::State::Queued) {
                    return; // dropped by stop()
                }
                shared->state = HandOver::State::Running;
                queued = shared->report;
            }
            std::exception_ptr error = port->dispatchReport(queued);
            {
                std::lock_guard lock(shared->mutex);
                shared->state = HandOver::State::Done;
                shared->error = error;
            }
            shared->changed.notify_all();
        },
        Qt::QueuedConnection);

    std::unique_lock lock(shared->mutex);
    auto finished = [&] { return shared->state == HandOver::State::Done || shared->state == HandOver::State::Dropped; };
    // While the handlers run, look at the lines every millisecond, so that a change in the
    // meantime gets its stamp now rather than when the handlers return.
    while (!shared->changed.wait_for(lock, std::chrono::milliseconds(1), finished)) {
        lock.unlock();
        lookDuringHandOver();
        lock.lock();
    }
    if (shared->state == HandOver::State::Dropped) {
        return false;
    }
    shared->state = HandOver::State::Idle;
    // A handler that threw ends the watcher; the port stays open without it.
    return !shared->error && !shared->stopping;
}

void TComThread::lookDuringHandOver() {
    LineSnapshot seen;
    qint64 stamp = 0;
    if (!levelsNeeded()) {
        // The counts tell whether anything happened; the levels are read only then.
        LineCounters counters;
        if (m_line.counters(&counters) || counters == m_seen.counters) {
            return;
        }
        stamp = readCounter();
        if (m_line.snapshot(&seen)) {
            return;
        }
    } else {
        stamp = readCounter();
        if (m_counted ? m_line.snapshot(&seen) : m_line.modemStatus(&seen.modemStatus)) {
            return;
        }
    }
    if (!(seen == m_seen)) {
        queueChange(seen, stamp);
    }
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
        std::lock_guard lock(m_handOver->mutex);
        m_handOver->stopping = true;
        if (m_handOver->state == HandOver::State::Queued) {
            m_handOver->state = HandOver::State::Dropped;
        }
    }
    m_handOver->changed.notify_all();
    // A signal that arrives just before the wait begins is lost, so repeat until it ends.
    do {
        interrupt();
    } while (!wait(1));
    std::lock_guard joined(m_threadMutex); // see the end of run()
}
