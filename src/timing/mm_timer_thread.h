// The high-resolution timer's periodic thread, which stamps the counter at every tick.

#pragma once

#include "timing/auto_reset_event.h"
#include "timing/counter_reader.h"
#include "timing/periodic_timer.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

// The periodic timer thread of THighResTimer. At every tick it reads the
// counter, stores the count in LastCount and sets TickEvent. Created stopped;
// start() runs it, stop() ends it and waits. The owner's thread calls start,
// stop and the setters; LastCount and TickEvent may be used from any thread.
class TMMTimerThread {
public:
    TMMTimerThread(CounterReader reader, std::unique_ptr<PeriodicTimer> timer);
    ~TMMTimerThread(); // stops the thread if it still runs
    TMMTimerThread(const TMMTimerThread&) = delete;
    TMMTimerThread& operator=(const TMMTimerThread&) = delete;

    // The thread's copies; a write sets ParamsChanged, and the running thread
    // re-arms its timer once at the top of its next loop, after the next tick.
    quint32 Accuracy() const;
    void setAccuracy(quint32 ms);
    quint32 Resolution() const;
    void setResolution(quint32 ms);
    bool ParamsChanged() const;

    // Starts the thread once; returns after it has published its thread id.
    void start();
    // Asks the thread to end, wakes it from its wait and joins it. Returns at
    // once, without waiting for a further tick.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }
    // Kernel thread id while running, else 0.
    qint64 threadId() const { return m_threadId.load(); }

    qint64 LastCount() const;
    AutoResetEvent& TickEvent() { return m_tickEvent; }

private:
    void run();
    void armFromParams();

    const CounterReader m_reader;
    const std::unique_ptr<PeriodicTimer> m_timer;

    mutable std::mutex m_paramsLock;
    quint32 m_accuracy = 0;
    quint32 m_resolution = 1;
    bool m_paramsChanged = true;

    mutable std::shared_mutex m_countLock;
    qint64 m_lastCount = 0;

    AutoResetEvent m_tickEvent;
    std::atomic<bool> m_terminated{false};
    std::atomic<qint64> m_threadId{0};
    std::thread m_thread;
};
