// The time base every barrier stamp and run time is taken from, in counts and counts per
// microsecond.

#pragma once

#include "timing/counter_reader.h"
#include "timing/mm_timer_thread.h"
#include "timing/thread_scheduling.h"
#include "timing/timer_platform.h"

#include <atomic>
#include <memory>

// The time base of every measurement: hands out raw counts of the performance
// counter (CLOCK_MONOTONIC in ns) or of the processor's TSC, and their rate
// CountSpeed in counts per microsecond. Optionally runs a periodic timer
// thread (TMMTimerThread) while Enabled.
//
// Threading: ReadCounter() may be called from any thread at any time. Every
// other member belongs to the owner's thread. Switching UseTSC voids all
// stamps taken before.
class THighResTimer {
public:
    enum class StartCounter {
        TscWhenPresent,     // use the TSC if there is one; creation calibrates for 3 s
        PerformanceCounter, // start with UseTSC off; creation returns at once
    };

    explicit THighResTimer(StartCounter startCounter = StartCounter::TscWhenPresent,
                           TimerPlatform platform = systemTimerPlatform());
    ~THighResTimer();
    THighResTimer(const THighResTimer&) = delete;
    THighResTimer& operator=(const THighResTimer&) = delete;

    // The selected counter's current count: one indirect call, no lock, no
    // allocation, no branch on the counter kind.
    qint64 ReadCounter() const {
        const CounterReader* reader = m_reader.load(std::memory_order_acquire);
        return reader->read(reader->context);
    }
    // ReadCounter() as the reader that stamps events; valid while the timer lives.
    EventCounterReader eventReader() const {
        return [this] { return ReadCounter(); };
    }

    // Measures CountSpeed. With the TSC it samples both counters across a
    // sleep of `milliseconds` at the highest scheduling priority, blocking the
    // caller that long plus 10 ms; otherwise it returns at once.
    void Calibrate(quint32 milliseconds);

    double CountSpeed() const { return m_countSpeed.load(std::memory_order_relaxed); }
    bool TSC() const { return m_tsc; }
    bool UseTSC() const { return m_useTsc; }
    // Only changes the counter while the thread is not running, and only to
    // the TSC when there is one; any change of value re-calibrates.
    void setUseTSC(bool use);

    quint32 Accuracy() const { return m_accuracy; }
    void setAccuracy(quint32 ms);
    quint32 Resolution() const { return m_resolution; }
    void setResolution(quint32 ms);
    quint32 MinAccuracy() const { return minimumMs; }
    quint32 MinResolution() const { return minimumMs; }

    // Applied to the running timer thread at once; a thread starts at normal
    // priority whatever these say.
    TThreadClass ThreadClass() const { return m_threadClass; }
    void setThreadClass(TThreadClass threadClass);
    TThreadPriority ThreadPriority() const { return m_threadPriority; }
    void setThreadPriority(TThreadPriority priority);

    bool Enabled() const { return m_enabled; }
    // True starts the timer thread; false stops it and waits until it has ended.
    void setEnabled(bool enabled);
    // The running thread (LastCount, TickEvent), or null while not Enabled.
    TMMTimerThread* timerThread() const { return m_thread.get(); }

private:
    static constexpr quint32 minimumMs = 1;

    void selectReader();

    const TimerPlatform m_platform;
    const CounterReader m_performanceReader;
    const CounterReader m_tscReader;
    std::atomic<const CounterReader*> m_reader;
    std::atomic<double> m_countSpeed{0.0};

    quint32 m_accuracy = 0;
    quint32 m_resolution = minimumMs;
    TThreadClass m_threadClass = TThreadClass::tcNormal;
    TThreadPriority m_threadPriority = TThreadPriority::tpNormal;
    bool m_tsc = false;
    bool m_useTsc = false;
    bool m_enabled = false;
    std::unique_ptr<TMMTimerThread> m_thread;
};
