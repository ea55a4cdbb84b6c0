// The light barriers: the edge filter on the modem-status word, the lock-out after a
// barrier start or finish, and which barrier icons the open port shows.

#include "run/run_controller.h"

// ---- barriers ---------------------------------------------------------------

bool RunController::passesEdgeFilter(quint32 modemStatus, Barrier barrier) {
    if (modemStatus == m_lastModemStatus)
        return false;
    m_lastModemStatus = modemStatus;
    const int level = (modemStatus & wiringOf(barrier).line) != 0 ? 1 : 0;
    return level == m_settings.Alg[barrierIndex(barrier)];
}

void RunController::ComPortStart(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, Barrier::L1))
        return;
    Batch batch(*this);
    barrierStart(stamp);
}

void RunController::ComPortStartSpeed(qint64 stamp, quint32 modemStatus) {
    // A dead split barrier must not consume the status word another line needs.
    if (!button(RunButton::bZwZeit).Enabled)
        return;
    if (!passesEdgeFilter(modemStatus, Barrier::L2))
        return;
    Batch batch(*this);
    takeSplit(stamp);
}

void RunController::ComPortFinishSpeed(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, Barrier::L3))
        return;
    Batch batch(*this);
    barrierTrap(stamp);
}

void RunController::ComPortStop(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, Barrier::L4))
        return;
    Batch batch(*this);
    barrierFinish(stamp);
}

void RunController::barrierStart(qint64 stamp) {
    if (!button(RunButton::bStart).Enabled || isLockoutRunning())
        return;
    startClick(stamp);
    startLockout(Lockout::AfterStart);
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    if (!isLockoutRunning() && isClockRunning())
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || isLockoutRunning())
        return;
    stopClick(stamp);
    startLockout(Lockout::AfterFinish);
}

void RunController::startLockout(Lockout kind) {
    m_lockout = kind;
    if (kind == Lockout::AfterStart && m_settings.WaitStart > 0)
        m_timerGesperrtStop.setInterval(m_settings.WaitStart);
    m_timerGesperrtStop.start();
}

void RunController::TimerGesperrtTimer() {
    Batch batch(*this);
    m_timerGesperrtStop.stop();
    // Only a start lock-out of the official's own length re-opens the finish barrier.
    if (m_lockout == Lockout::AfterStart && m_settings.WaitStart > 0 && finishBarrierOn() == 0)
        ImageLSClick(Barrier::L4);
    m_lockout = Lockout::None;
    m_timerGesperrtStop.setInterval(lockoutTag);
}

// ---- port notifications -----------------------------------------------------

void RunController::ComPortOpen(bool rtsCts) {
    Batch batch(*this);
    setIconVisible(Barrier::L1, true);
    if (m_settings.LuchZwZeit)
        setIconVisible(Barrier::L2, true);
    if (rtsCts) {
        setIconVisible(Barrier::L4, true);
        if (m_settings.LuchVmax)
            setIconVisible(Barrier::L3, true);
    } else {
        setIconVisible(Barrier::L4, false);
    }
}

void RunController::ComPortClose() {
    Batch batch(*this);
    for (Barrier b : allBarriers)
        setIconVisible(b, false);
}

void RunController::updateIconsAfterSettings() {
    Batch batch(*this);
    if (icon(Barrier::L1).visible)
        setIconVisible(Barrier::L3, m_settings.LuchVmax);
}
