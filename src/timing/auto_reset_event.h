// An event that wakes one waiter and resets itself, for the timer thread's ticks.

#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// An event that releases one waiter per set() and then resets itself; a set()
// with nobody waiting is kept for the next waiter. Any thread may set or wait.
class AutoResetEvent {
public:
    void set();
    void wait();
    // False when the timeout passed without the event being set.
    bool waitFor(std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_signalled = false;
};
