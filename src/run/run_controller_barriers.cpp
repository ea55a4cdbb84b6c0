// The light barriers: the edge filter on the modem-status word, the lock-out after a
// barrier start or finish, and which barrier icons the open port shows.

#include "run/run_controller.h"

#include "run/run_port.h"

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
    // A dead split barrier, or one the official switched off, must not consume the status
    // word another line needs.
    if (!button(RunButton::bZwZeit).Enabled || !showsOn(Barrier::L2))
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
    // An L1 switched off (F11) starts nothing: marshals may be on the track.
    if (!button(RunButton::bStart).Enabled || !showsOn(Barrier::L1) || isLockoutRunning())
        return;
    startClick(stamp);
    startLockout(Lockout::AfterStart);
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    if (!isLockoutRunning() && isClockRunning() && showsOn(Barrier::L3))
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    // F12 switches L4 off: it finishes nothing, F8 still does.
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || !showsOn(Barrier::L4) || isLockoutRunning())
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
        invertIconState(Barrier::L4);
    m_lockout = Lockout::None;
    m_timerGesperrtStop.setInterval(lockoutTag);
}

// ---- port notifications -----------------------------------------------------

void RunController::ComPortOpen(bool rtsCts) {
    // DTR powers L1 and L2; RTS (after the split) L3 and L4.
    Batch batch(*this);
    // "Licht" shows the real lamp: lit while the port is open without handshaking.
    setLight(!rtsCts);
    setIconPowered(Barrier::L1, true);
    if (m_settings.LuchZwZeit)
        setIconPowered(Barrier::L2, true);
    if (rtsCts) {
        setIconPowered(Barrier::L4, true);
        if (m_settings.LuchVmax)
            setIconPowered(Barrier::L3, true);
    } else {
        setIconPowered(Barrier::L4, false);
    }
    updateIconVisibility();
}

void RunController::ComPortClose() {
    Batch batch(*this);
    setLight(false);
    for (Barrier b : allBarriers)
        setIconPowered(b, false);
    updateIconVisibility();
}

void RunController::updateIconsAfterSettings() {
    Batch batch(*this);
    if (icon(Barrier::L1).powered)
        setIconPowered(Barrier::L3, m_settings.LuchVmax);
    updateIconVisibility();
}

void RunController::updateIconVisibility() {
    const bool chosen = m_port.portNumber() != 0;
    setIconVisible(Barrier::L1, chosen);
    setIconVisible(Barrier::L2, chosen && m_settings.LuchZwZeit);
    setIconVisible(Barrier::L3, chosen && m_settings.LuchVmax);
    setIconVisible(Barrier::L4, chosen);
}
