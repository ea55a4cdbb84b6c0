// The light barriers: the edge filter on the modem-status word, the lock-out after a
// barrier start or finish, and which barrier icons the open port shows.

#include "run/run_controller.h"

#include <cmath>

// ---- barriers ---------------------------------------------------------------

bool RunController::passesEdgeFilter(quint32 modemStatus, quint32 line, int algIndex) {
    if (modemStatus == m_lastModemStatus)
        return false;
    m_lastModemStatus = modemStatus;
    const int level = (modemStatus & line) != 0 ? 1 : 0;
    return level == m_settings.Alg[algIndex];
}

void RunController::ComPortStart(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, DSR, 0))
        return;
    Batch batch(*this);
    barrierStart(stamp);
}

void RunController::ComPortStartSpeed(qint64 stamp, quint32 modemStatus) {
    // A dead split barrier must not consume the status word another line needs.
    if (!button(RunButton::bZwZeit).Enabled)
        return;
    if (!passesEdgeFilter(modemStatus, RLSD, 1))
        return;
    Batch batch(*this);
    takeSplit(stamp);
}

void RunController::ComPortFinishSpeed(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, CTS, 2))
        return;
    Batch batch(*this);
    barrierTrap(stamp);
}

void RunController::ComPortStop(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, RING, 3))
        return;
    Batch batch(*this);
    barrierFinish(stamp);
}

void RunController::barrierStart(qint64 stamp) {
    if (!button(RunButton::bStart).Enabled || lockedOutAt(stamp))
        return;
    startClick(stamp);
    if (m_settings.WaitStart > 0)
        m_timerGesperrtStop.setInterval(m_settings.WaitStart);
    startLockout(stamp);
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    if (!lockedOutAt(stamp) && m_clockOn)
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || lockedOutAt(stamp))
        return;
    stopClick(stamp);
    startLockout(stamp);
}

void RunController::startLockout(qint64 stamp) {
    // The timer only carries the end's own step (switching L4 on after a start lock-out).
    const int ms = m_timerGesperrtStop.interval();
    m_timerGesperrtStop.start();
    m_lockoutUntil = stamp + qint64(std::llround(double(ms) * 1000.0 * m_countSpeed));
}

void RunController::TimerGesperrtTimer() {
    Batch batch(*this);
    m_timerGesperrtStop.stop();
    // Only a start lock-out of its own length re-opens the finish barrier.
    if (m_timerGesperrtStop.interval() != lockoutTag && finishBarrierOn() == 0)
        ImageLSClick(BarrierIcon::ImageLSstop);
    m_timerGesperrtStop.setInterval(lockoutTag);
}

// ---- port notifications -----------------------------------------------------

void RunController::ComPortOpen(bool rtsCts) {
    Batch batch(*this);
    setIconVisible(BarrierIcon::ImageLSstart, true);
    if (m_settings.LuchZwZeit)
        setIconVisible(BarrierIcon::ImageLSreakt, true);
    if (rtsCts) {
        setIconVisible(BarrierIcon::ImageLSstop, true);
        if (m_settings.LuchVmax)
            setIconVisible(BarrierIcon::ImageLSmax, true);
    } else {
        setIconVisible(BarrierIcon::ImageLSstop, false);
    }
}

void RunController::ComPortClose() {
    Batch batch(*this);
    for (int i = 0; i < barrierIconCount; ++i)
        setIconVisible(BarrierIcon(i), false);
}

void RunController::updateIconsAfterSettings() {
    Batch batch(*this);
    if (icon(BarrierIcon::ImageLSstart).visible)
        setIconVisible(BarrierIcon::ImageLSmax, m_settings.LuchVmax);
}
