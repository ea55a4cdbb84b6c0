// The system calls the high-resolution timer needs, in one value so that tests replace them
// with fake counters, sleeps and ticks.

#pragma once

#include "timing/counter_reader.h"
#include "timing/periodic_timer.h"
#include "timing/thread_scheduling.h"

#include <functional>
#include <memory>

// The system calls THighResTimer depends on. systemTimerPlatform() gives the
// real ones; a test replaces single members with fakes (a counter driven by a
// fake sleep, a periodic timer it ticks by hand).
struct TimerPlatform {
    // CLOCK_MONOTONIC in nanoseconds.
    CounterReader performanceCounter;
    // RDTSC; only read when the TSC was detected.
    CounterReader timeStampCounter;
    // Counts per second of performanceCounter.
    std::function<qint64()> performanceFrequency;
    std::function<bool()> detectTsc;
    std::function<void(quint32 ms)> sleep;
    // Scheduling of the calling thread around the calibration.
    std::function<SchedulingState()> saveScheduling;
    std::function<void()> raiseScheduling;
    std::function<void(const SchedulingState&)> restoreScheduling;
    // Class and priority of the running timer thread.
    std::function<void(qint64 threadId, TThreadClass, TThreadPriority)> applyThreadScheduling;
    std::function<std::unique_ptr<PeriodicTimer>()> createPeriodicTimer;
};

TimerPlatform systemTimerPlatform();

// CLOCK_MONOTONIC in nanoseconds; context is unused.
qint64 readMonotonicNanoseconds(const void* context);
