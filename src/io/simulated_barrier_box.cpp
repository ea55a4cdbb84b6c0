// The simulated box at work: contacts and outputs combined into input levels, every
// transition counted and stamped like a tty driver, pulses and the loopback plug timed.

#include "io/simulated_barrier_box.h"

#include "io/simulator_server.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <sys/ioctl.h>

namespace {

bool validBarrier(int barrier) {
    return barrier >= 1 && barrier <= 4;
}

// Input line of each barrier, with its TIOCM bit and counter.
constexpr int inputTiocm[4] = {TIOCM_DSR, TIOCM_CAR, TIOCM_CTS, TIOCM_RNG};
constexpr int LineCounters::*inputCounter[4] = {&LineCounters::dsr, &LineCounters::dcd, &LineCounters::cts,
                                                &LineCounters::rng};

} // namespace

SimulatedBarrierBox::SimulatedBarrierBox(EventCounterReader readCounter, QString socketPath, QObject* parent)
    : QObject(parent), m_readCounter(std::move(readCounter)), m_socketPath(std::move(socketPath)) {
    for (int i = 0; i < 4; ++i) {
        m_pulseTimers[i] = new QTimer(this);
        m_pulseTimers[i]->setSingleShot(true);
        m_pulseTimers[i]->setTimerType(Qt::PreciseTimer);
        connect(m_pulseTimers[i], &QTimer::timeout, this, [this, i] { setContact(i + 1, false); });
    }
}

SimulatedBarrierBox::~SimulatedBarrierBox() {
    stopPlugThread();
}

qint64 SimulatedBarrierBox::setContact(int barrier, bool closed) {
    if (!validBarrier(barrier)) {
        return 0;
    }
    qint64 stamp = 0;
    {
        std::lock_guard lock(m_mutex);
        const int i = barrier - 1;
        if (m_contacts[i] == closed) {
            return 0;
        }
        m_contacts[i] = closed;
        const bool was = m_inputs[i];
        updateInputsLocked();
        if (m_inputs[i] != was) {
            stamp = m_stamps[i];
        }
    }
    emit changed();
    return stamp;
}

bool SimulatedBarrierBox::contact(int barrier) const {
    std::lock_guard lock(m_mutex);
    return validBarrier(barrier) && m_contacts[barrier - 1];
}

void SimulatedBarrierBox::pulse(int barrier, int milliseconds) {
    if (!validBarrier(barrier)) {
        return;
    }
    setContact(barrier, true);
    m_pulseTimers[barrier - 1]->start(qMax(0, milliseconds));
}

void SimulatedBarrierBox::cancelPulse(int barrier) {
    if (validBarrier(barrier)) {
        m_pulseTimers[barrier - 1]->stop();
    }
}

SimulatedLines SimulatedBarrierBox::lines() const {
    std::lock_guard lock(m_mutex);
    return {m_held, m_dtr, m_rts, m_inputs[0], m_inputs[1], m_inputs[2], m_inputs[3], m_dtr && !m_rts};
}

QString SimulatedBarrierBox::statusText() const {
    const SimulatedLines l = lines();
    auto bit = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    return QStringLiteral("OPEN=%1 DTR=%2 RTS=%3 DSR=%4 RLSD=%5 CTS=%6 RING=%7 LAMP=%8")
        .arg(bit(l.open), bit(l.dtr), bit(l.rts), bit(l.dsr), bit(l.rlsd), bit(l.cts), bit(l.ring), bit(l.lamp));
}

qint64 SimulatedBarrierBox::lastChangeStamp(int barrier) const {
    std::lock_guard lock(m_mutex);
    return validBarrier(barrier) ? m_stamps[barrier - 1] : 0;
}

bool SimulatedBarrierBox::isListening() const {
    return m_server && m_server->isListening();
}

bool SimulatedBarrierBox::acquire() {
    {
        std::lock_guard lock(m_mutex);
        if (m_held) {
            return false;
        }
        m_held = true;
        // Opening a tty raises DTR and RTS before the program sets them.
        m_dtr = m_rts = true;
        updateInputsLocked();
    }
    if (!m_server && !m_socketPath.isEmpty()) {
        if (QThread::currentThread() == thread()) {
            startServer();
        } else {
            QMetaObject::invokeMethod(this, &SimulatedBarrierBox::startServer, Qt::QueuedConnection);
        }
    }
    emit changed();
    return true;
}

void SimulatedBarrierBox::release() {
    {
        std::lock_guard lock(m_mutex);
        m_held = false;
        m_dtr = m_rts = false;
        updateInputsLocked();
    }
    emit changed();
}

void SimulatedBarrierBox::changeOutputs(int raiseTiocm, int lowerTiocm) {
    {
        std::lock_guard lock(m_mutex);
        if (raiseTiocm & TIOCM_DTR) {
            m_dtr = true;
        }
        if (raiseTiocm & TIOCM_RTS) {
            m_rts = true;
        }
        if (lowerTiocm & TIOCM_DTR) {
            m_dtr = false;
        }
        if (lowerTiocm & TIOCM_RTS) {
            m_rts = false;
        }
        updateInputsLocked();
    }
    emit changed();
}

int SimulatedBarrierBox::modemLines() const {
    std::lock_guard lock(m_mutex);
    int lines = (m_dtr ? TIOCM_DTR : 0) | (m_rts ? TIOCM_RTS : 0);
    for (int i = 0; i < 4; ++i) {
        if (m_inputs[i]) {
            lines |= inputTiocm[i];
        }
    }
    return lines;
}

LineCounters SimulatedBarrierBox::counters() const {
    std::lock_guard lock(m_mutex);
    return m_counters;
}

int SimulatedBarrierBox::waitForChange(int tiocmLines, const LineCounters& seen, int timeoutUs) {
    std::unique_lock lock(m_mutex);
    const quint64 interrupts = m_interrupts;
    auto moved = [&] {
        for (int i = 0; i < 4; ++i) {
            if ((tiocmLines & inputTiocm[i]) && m_counters.*inputCounter[i] != seen.*inputCounter[i]) {
                return true;
            }
        }
        return false;
    };
    auto done = [&] { return moved() || m_interrupts != interrupts; };
    if (timeoutUs < 0) {
        m_wake.wait(lock, done);
    } else {
        m_wake.wait_for(lock, std::chrono::microseconds(timeoutUs), done);
    }
    return moved() ? 0 : EINTR;
}

void SimulatedBarrierBox::interruptWaiters() {
    {
        std::lock_guard lock(m_mutex);
        ++m_interrupts;
    }
    m_wake.notify_all();
}

void SimulatedBarrierBox::updateInputsLocked() {
    if (m_plug.plugged) {
        routePlugLocked();
        return;
    }
    const bool power[4] = {m_dtr, m_dtr, m_rts, m_rts};
    for (int i = 0; i < 4; ++i) {
        setInputLocked(i, m_contacts[i] && power[i]);
    }
}

void SimulatedBarrierBox::setInputLocked(int input, bool on) {
    if (on == m_inputs[input]) {
        return;
    }
    m_inputs[input] = on;
    ++(m_counters.*inputCounter[input]);
    m_stamps[input] = m_readCounter ? m_readCounter() : 0;
    m_wake.notify_all();
}

void SimulatedBarrierBox::routePlugLocked() {
    using Clock = std::chrono::steady_clock;
    // DSR, RLSD and RING hang on DTR, CTS on RTS.
    const bool wired[4] = {m_dtr, m_dtr, m_rts, m_dtr};
    const Clock::time_point now = Clock::now();
    for (int i = 0; i < 4; ++i) {
        if (wired[i] == m_plugTargets[i]) {
            continue;
        }
        m_plugTargets[i] = wired[i];
        if (m_plug.loseAfter > 0 && --m_plug.loseAfter == 0) {
            continue; // lost: the input stays where it is
        }
        int us = m_plug.delayUs;
        if (m_plug.jitterUs > 0) {
            us += std::uniform_int_distribution<int>(0, m_plug.jitterUs)(m_plugRandom);
        }
        const Clock::time_point due = std::max(now + std::chrono::microseconds(us), m_plugLastDue[i]);
        m_plugLastDue[i] = due;
        if (us == 0 && m_plugChanges.empty()) {
            setInputLocked(i, wired[i]);
        } else {
            m_plugChanges.push_back({due, i, wired[i]});
        }
    }
    if (!m_plugChanges.empty()) {
        if (!m_plugThread.joinable()) {
            m_plugStop = false;
            m_plugThread = std::thread([this] { deliverPlugChanges(); });
        }
        m_plugWake.notify_all();
    }
}

void SimulatedBarrierBox::deliverPlugChanges() {
    std::unique_lock lock(m_mutex);
    while (!m_plugStop) {
        if (m_plugChanges.empty()) {
            m_plugWake.wait(lock);
            continue;
        }
        // Changes of one input are queued in order; across inputs the earliest goes first.
        auto next = std::min_element(m_plugChanges.begin(), m_plugChanges.end(),
                                     [](const PlugChange& a, const PlugChange& b) { return a.due < b.due; });
        const auto due = next->due;
        const auto now = std::chrono::steady_clock::now();
        if (now < due) {
            // A timed wake-up can come milliseconds late on a busy machine, which would be
            // measured as the plug's delay: sleep to shortly before, then yield until due.
            constexpr auto spin = std::chrono::milliseconds(2);
            if (due - now > spin) {
                m_plugWake.wait_until(lock, due - spin);
            } else {
                lock.unlock();
                std::this_thread::yield();
                lock.lock();
            }
            continue;
        }
        const PlugChange change = *next;
        m_plugChanges.erase(next);
        const bool was = m_inputs[change.input];
        setInputLocked(change.input, change.level);
        if (was != change.level) {
            lock.unlock();
            emit changed();
            lock.lock();
        }
    }
}

void SimulatedBarrierBox::stopPlugThread() {
    {
        std::lock_guard lock(m_mutex);
        m_plugStop = true;
    }
    m_plugWake.notify_all();
    if (m_plugThread.joinable()) {
        m_plugThread.join();
    }
}

void SimulatedBarrierBox::setLoopbackPlug(const LoopbackPlug& plug) {
    {
        std::lock_guard lock(m_mutex);
        m_plug = plug;
        m_plug.delayUs = std::max(0, plug.delayUs);
        m_plug.jitterUs = std::max(0, plug.jitterUs);
        m_plug.loseAfter = std::max(0, plug.loseAfter);
        m_plugChanges.clear();
        m_plugLastDue = {};
        // Plugged in: the inputs start from where they are and follow the outputs from now on.
        m_plugTargets = m_inputs;
        updateInputsLocked();
    }
    emit changed();
}

LoopbackPlug SimulatedBarrierBox::loopbackPlug() const {
    std::lock_guard lock(m_mutex);
    return m_plug;
}

void SimulatedBarrierBox::startServer() {
    if (!m_server) {
        m_server = new SimulatorServer(*this, m_socketPath, this);
    }
}
