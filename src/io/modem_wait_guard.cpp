// The modem wait's guard thread: looks at the counts just after the waiter entered the kernel's
// wait and interrupts it when they moved, reading from /proc whether the waiter sleeps yet.

#include "io/modem_wait_guard.h"

#include <QByteArray>
#include <QFile>

#include <chrono>
#include <csignal>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool countsMoved(const LineCounters& seen, const serial_icounter_struct& now, int lines) {
    return ((lines & TIOCM_CTS) && seen.cts != now.cts) || ((lines & TIOCM_DSR) && seen.dsr != now.dsr) ||
           ((lines & TIOCM_RNG) && seen.rng != now.rng) || ((lines & TIOCM_CAR) && seen.dcd != now.dcd);
}

// Whether the thread sleeps interruptibly, as it does inside the wait; true when that cannot
// be told, so that the guard never keeps looking for ever.
bool asleepOrUnknown(pid_t tid) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return true;
    }
    const QByteArray text = stat.read(512);
    // "tid (name) S ...": the name may hold blanks and parentheses, the state follows the last.
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size()) {
        return true;
    }
    return text.at(close + 2) == 'S';
}

} // namespace

ModemWaitGuard::ModemWaitGuard(int wakeSignal) : m_wakeSignal(wakeSignal) {
    // Created on the waiting thread, the worker inherits its scheduling: real-time where the
    // waiter has it, so that the look comes on time on a busy machine.
    m_worker = std::thread([this] { run(); });
}

ModemWaitGuard::~ModemWaitGuard() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void ModemWaitGuard::enter(int fd, int lines, const LineCounters& seen) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting = true;
        ++m_entry;
        m_fd = fd;
        m_lines = lines;
        m_seen = seen;
        m_thread = pthread_self();
        m_tid = gettid();
    }
    m_changed.notify_all();
}

void ModemWaitGuard::leave() {
    std::lock_guard lock(m_mutex);
    m_waiting = false;
}

void ModemWaitGuard::run() {
    std::unique_lock lock(m_mutex);
    quint64 guarded = 0;
    for (;;) {
        m_changed.wait(lock, [&] { return m_quit || (m_waiting && m_entry != guarded); });
        if (m_quit) {
            return;
        }
        guarded = m_entry;
        guard(lock, guarded);
    }
}

void ModemWaitGuard::guard(std::unique_lock<std::mutex>& lock, quint64 entry) {
    // The lock is held whenever the descriptor or the thread is used: while the entry is
    // current the waiter has not returned, so neither can be gone.
    // Unmoved counts and a waiter not yet asleep: it is on its way into the wait. Looked at a
    // few times, not for ever, where the state cannot be read right.
    constexpr int mostLooksBeforeSleep = 16;
    for (int look = 0; look < mostLooksBeforeSleep;) {
        const bool over = m_changed.wait_for(lock, std::chrono::microseconds(lookAfterUs),
                                             [&] { return m_quit || !m_waiting || m_entry != entry; });
        if (over) {
            return;
        }
        // The state first: asleep now means the wait began before the counts are read below.
        const bool asleep = asleepOrUnknown(m_tid);
        serial_icounter_struct now{};
        if (::ioctl(m_fd, TIOCGICOUNT, &now) < 0) {
            return; // the waiter meets the failure itself
        }
        if (countsMoved(m_seen, now, m_lines)) {
            // Repeated while the entry lasts: a signal that lands before the wait began is lost.
            pthread_kill(m_thread, m_wakeSignal);
            continue;
        }
        if (asleep) {
            return; // counts unmoved since the wait began: it wakes for every later change
        }
        ++look;
    }
}
