// The timer thread's loop: waits for each tick, stamps the counter and wakes whoever waits
// for the tick; a changed period or accuracy re-arms the timer before the next wait.

#include "timing/mm_timer_thread.h"

#include <future>
#include <unistd.h>

TMMTimerThread::TMMTimerThread(CounterReader reader, std::unique_ptr<PeriodicTimer> timer)
    : m_reader(reader), m_timer(std::move(timer)) {}

TMMTimerThread::~TMMTimerThread() {
    stop();
}

quint32 TMMTimerThread::Accuracy() const {
    const std::lock_guard lock(m_paramsLock);
    return m_accuracy;
}

void TMMTimerThread::setAccuracy(quint32 ms) {
    const std::lock_guard lock(m_paramsLock);
    m_accuracy = ms;
    m_paramsChanged = true;
}

quint32 TMMTimerThread::Resolution() const {
    const std::lock_guard lock(m_paramsLock);
    return m_resolution;
}

void TMMTimerThread::setResolution(quint32 ms) {
    const std::lock_guard lock(m_paramsLock);
    m_resolution = ms;
    m_paramsChanged = true;
}

bool TMMTimerThread::ParamsChanged() const {
    const std::lock_guard lock(m_paramsLock);
    return m_paramsChanged;
}

qint64 TMMTimerThread::LastCount() const {
    const std::shared_lock lock(m_countLock);
    return m_lastCount;
}

void TMMTimerThread::start() {
    if (m_thread.joinable())
        return;
    m_terminated = false;
    std::promise<qint64> started;
    std::future<qint64> id = started.get_future();
    m_thread = std::thread([this, &started] {
        started.set_value(gettid());
        run();
    });
    m_threadId = id.get();
}

void TMMTimerThread::stop() {
    if (!m_thread.joinable())
        return;
    m_terminated = true;
    m_timer->wake();
    m_thread.join();
    m_threadId = 0;
}

void TMMTimerThread::armFromParams() {
    quint32 period = 0;
    quint32 accuracy = 0;
    {
        const std::lock_guard lock(m_paramsLock);
        period = m_resolution;
        accuracy = m_accuracy;
        m_paramsChanged = false;
    }
    m_timer->start(period, accuracy);
}

void TMMTimerThread::run() {
    armFromParams();
    while (!m_terminated) {
        if (ParamsChanged()) {
            m_timer->stop();
            armFromParams();
        }
        if (!m_timer->wait())
            continue; // woken to stop, not a tick
        const qint64 count = m_reader();
        {
            const std::unique_lock lock(m_countLock);
            m_lastCount = count;
        }
        m_tickEvent.set();
    }
    m_timer->stop();
}
