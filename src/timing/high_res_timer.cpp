// The time base at work: picks the performance counter or the TSC, calibrates the TSC's rate
// over three seconds, and runs the timer thread while enabled.

#include "timing/high_res_timer.h"

#include <cmath>

namespace {

constexpr quint32 calibrationMs = 3000;
constexpr quint32 settleMs = 10;

} // namespace

THighResTimer::THighResTimer(StartCounter startCounter, TimerPlatform platform)
    : m_platform(std::move(platform)), m_performanceReader(m_platform.performanceCounter),
      m_tscReader(m_platform.timeStampCounter), m_reader(&m_performanceReader) {
    m_tsc = m_platform.detectTsc();
    m_useTsc = m_tsc && startCounter == StartCounter::TscWhenPresent;
    selectReader();
    Calibrate(calibrationMs);
}

THighResTimer::~THighResTimer() {
    setEnabled(false);
}

void THighResTimer::selectReader() {
    m_reader.store(m_useTsc ? &m_tscReader : &m_performanceReader, std::memory_order_release);
}

void THighResTimer::Calibrate(quint32 milliseconds) {
    const double performanceSpeed = static_cast<double>(m_platform.performanceFrequency()) / 1000000.0;
    m_countSpeed = performanceSpeed;
    if (!m_useTsc)
        return;

    const SchedulingState saved = m_platform.saveScheduling();
    m_platform.raiseScheduling();
    m_platform.sleep(settleMs);
    const qint64 t0 = m_tscReader();
    const qint64 p0 = m_performanceReader();
    m_platform.sleep(milliseconds);
    const qint64 t1 = m_tscReader();
    const qint64 p1 = m_performanceReader();
    m_platform.restoreScheduling(saved);

    const double elapsedUs = static_cast<double>(p1 - p0) / performanceSpeed;
    const double tscSpeed = static_cast<double>(t1 - t0) / elapsedUs;
    // A counter that did not advance would give inf or NaN and poison every
    // time computed later; the performance rate is then kept.
    if (std::isfinite(tscSpeed) && tscSpeed > 0.0)
        m_countSpeed = tscSpeed;
}

void THighResTimer::setUseTSC(bool use) {
    if (use == m_useTsc)
        return;
    if (!m_tsc) {
        m_useTsc = false;
    } else if (!m_enabled) {
        m_useTsc = use;
        selectReader();
    }
    Calibrate(calibrationMs);
}

void THighResTimer::setAccuracy(quint32 ms) {
    m_accuracy = ms;
    if (m_thread)
        m_thread->setAccuracy(ms);
}

void THighResTimer::setResolution(quint32 ms) {
    m_resolution = ms;
    if (m_thread)
        m_thread->setResolution(ms);
}

void THighResTimer::setThreadClass(TThreadClass threadClass) {
    m_threadClass = threadClass;
    if (m_thread)
        m_platform.applyThreadScheduling(m_thread->threadId(), m_threadClass, m_threadPriority);
}

void THighResTimer::setThreadPriority(TThreadPriority priority) {
    m_threadPriority = priority;
    if (m_thread)
        m_platform.applyThreadScheduling(m_thread->threadId(), m_threadClass, m_threadPriority);
}

void THighResTimer::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    if (enabled) {
        auto thread = std::make_unique<TMMTimerThread>(*m_reader.load(), m_platform.createPeriodicTimer());
        thread->setAccuracy(m_accuracy);
        thread->setResolution(m_resolution);
        thread->start();
        m_thread = std::move(thread);
    } else if (m_thread) {
        m_thread->stop();
        m_thread.reset();
    }
    m_enabled = enabled;
}
