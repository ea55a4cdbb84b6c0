// The modem wait's guard thread: looks at the counts just after the waiter entered the kernel's
// wait and interrupts it when they moved, reading from /proc whether the waiter sleeps yet.

#include "io/modem_wait_guard.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool countsMoved(const LineCounters& seen, const serial_icounter_struct& now, int lines) {
    return ((lines & TIOCM_CTS) && seen.cts != now.cts) || ((lines & TIOCM_DSR) && seen.dsr != now.dsr) ||
           ((lines & TIOCM_RNG) && seen.rng != now.rng) || ((lines & TIOCM_CAR) && seen.dcd != now.dcd);
}

// The state letter of a /proc/<pid>/task/<tid>/stat text: "tid (name) S ...", where the name
// may hold blanks and parentheses, so the state follows the last of them. 0 when there is none.
char stateLetter(const char* text, size_t length) {
    const void* close = memrchr(text, ')', length);
    if (!close) {
        return 0;
    }
    const size_t at = size_t(static_cast<const char*>(close) - text) + 2;
    return at < length ? text[at] : 0;
}

} // namespace

ModemWaitGuard::ModemWaitGuard(int wakeSignal) : m_wakeSignal(wakeSignal), m_thread(pthread_self()), m_tid(gettid()) {
    // Opened once and read again at each look: a single read keeps the look short, and with it
    // the time the waiter, woken meanwhile, waits for the lock.
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/stat", int(m_tid));
    m_stateFd = ::open(path, O_RDONLY | O_CLOEXEC);
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
    if (m_stateFd >= 0) {
        ::close(m_stateFd);
    }
}

void ModemWaitGuard::enter(int fd, int lines, const LineCounters& seen) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting = true;
        ++m_entry;
        m_fd = fd;
        m_lines = lines;
        m_seen = seen;
    }
    m_changed.notify_all();
}

void ModemWaitGuard::leave() {
    std::lock_guard lock(m_mutex);
    m_waiting = false;
}

bool ModemWaitGuard::waiterAsleepOrUnknown() const {
    // True when the state cannot be read, so that the guard never keeps looking for ever.
    char text[512];
    const ssize_t length = m_stateFd >= 0 ? ::pread(m_stateFd, text, sizeof text, 0) : -1;
    if (length <= 0) {
        return true;
    }
    const char state = stateLetter(text, size_t(length));
    // 'S': asleep interruptibly, as inside the wait.
    return state == 0 || state == 'S';
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
        const bool asleep = waiterAsleepOrUnknown();
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
