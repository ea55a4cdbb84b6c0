// Closes the gap before the kernel's modem wait begins, so that a barrier change in that
// moment is not slept through until the next one.

#pragma once

#include "io/serial_system.h"

#include <condition_variable>
#include <mutex>
#include <sys/types.h>
#include <thread>

// Covers the one moment TIOCMIWAIT cannot: the kernel compares against the counts it reads when
// the wait begins, so a change between the caller's own count read and that moment would be
// slept through until the next change. A thread of its own looks at the counts about half a
// millisecond after each entry into the wait and interrupts the wait if they moved; it looks
// again until it has seen the waiter asleep with the counts unmoved. Entries follow changes, so
// a quiet line costs nothing. enter() and leave() belong to the one thread that waits.
class ModemWaitGuard {
public:
    // Created on the waiting thread. `wakeSignal` interrupts it (a handler without SA_RESTART).
    explicit ModemWaitGuard(int wakeSignal);
    ~ModemWaitGuard();
    ModemWaitGuard(const ModemWaitGuard&) = delete;
    ModemWaitGuard& operator=(const ModemWaitGuard&) = delete;

    // Just before the wait on `fd` for `lines`, with the counts the caller compared against.
    void enter(int fd, int lines, const LineCounters& seen);
    // Just after the wait returned: the guard no longer touches the descriptor or the thread.
    void leave();

    // How long after an entry the counts are looked at.
    static constexpr int lookAfterUs = 500;

private:
    void run();
    // Looks at one entry until it is safe; called with the lock held.
    void guard(std::unique_lock<std::mutex>& lock, quint64 entry);
    // Whether the waiting thread sleeps interruptibly, as it does inside the wait.
    bool waiterAsleepOrUnknown() const;

    const int m_wakeSignal;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_quit = false;
    bool m_waiting = false;
    quint64 m_entry = 0;
    int m_fd = -1;
    int m_lines = 0;
    LineCounters m_seen;
    const pthread_t m_thread; // the waiting thread, which creates the guard
    const pid_t m_tid;
    int m_stateFd = -1; // its /proc stat file
    std::thread m_worker;
};
