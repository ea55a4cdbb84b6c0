#pragma once

// What the barrier benchmarks share: the clock their stamps are read from, and the scheduling
// of the threads that stand in for hardware.

#include <QtGlobal>

#include <ctime>
#include <pthread.h>
#include <sched.h>

// Named apart, as std::chrono::nanoseconds is known to Qt's headers by the same name.
namespace bench_threads {

inline qint64 nanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Ahead of ordinary threads like the watcher, where the right to real-time scheduling is given.
inline void makeRealTime() {
    sched_param realTime{};
    realTime.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &realTime);
}

} // namespace bench_threads
