// The auto-reset event on a mutex and a condition variable.

#include "timing/auto_reset_event.h"

void AutoResetEvent::set() {
    {
        const std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_condition.notify_one();
}

void AutoResetEvent::wait() {
    std::unique_lock lock(m_mutex);
    m_condition.wait(lock, [this] { return m_signalled; });
    m_signalled = false;
}

bool AutoResetEvent::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_condition.wait_for(lock, timeout, [this] { return m_signalled; }))
        return false;
    m_signalled = false;
    return true;
}
