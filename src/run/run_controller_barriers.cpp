// The light barriers: the edge filter on the modem-status word, the lock-out after a
// barrier start or finish, and which barrier icons the open port shows.

#include "run/run_controller.h"

#include "run/run_port.h"

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
    // A dead split barrier, or one the official switched off, must not consume the status
    // word another line needs.
    if (!button(RunButton::bZwZeit).Enabled || !showsOn(BarrierIcon::ImageLSreakt))
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
    // An L1 switched off (F11) starts nothing: marshals may be on the track.
    if (!button(RunButton::bStart).Enabled || !showsOn(BarrierIcon::ImageLSstart) || isLockoutRunning())
        return;
    startClick(stamp);
    if (m_settings.WaitStart > 0)
        m_timerGesperrtStop.setInterval(m_settings.WaitStart);
    m_timerGesperrtStop.start();
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    if (!isLockoutRunning() && m_clockOn && showsOn(BarrierIcon::ImageLSmax))
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    // F12 switches L4 off: it finishes nothing, F8 still does.
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || !showsOn(BarrierIcon::ImageLSstop) ||
        isLockoutRunning())
        return;
    stopClick(stamp);
    m_timerGesperrtStop.start();
}

void RunController::TimerGesperrtTimer() {
    Batch batch(*this);
    m_timerGesperrtStop.stop();
    // Only a start lock-out of its own length re-opens the finish barrier.
    if (m_timerGesperrtStop.interval() != lockoutTag && finishBarrierOn() == 0)
        invertIconState(BarrierIcon::ImageLSstop);
    m_timerGesperrtStop.setInterval(lockoutTag);
}

// ---- port notifications -----------------------------------------------------

void RunController::ComPortOpen(bool rtsCts) {
    // DTR powers L1 and L2; RTS (after the split) L3 and L4.
    Batch batch(*this);
    setIconPowered(BarrierIcon::ImageLSstart, true);
    if (m_settings.LuchZwZeit)
        setIconPowered(BarrierIcon::ImageLSreakt, true);
    if (rtsCts) {
        setIconPowered(BarrierIcon::ImageLSstop, true);
        if (m_settings.LuchVmax)
            setIconPowered(BarrierIcon::ImageLSmax, true);
    } else {
        setIconPowered(BarrierIcon::ImageLSstop, false);
    }
    updateIconVisibility();
}

void RunController::ComPortClose() {
    Batch batch(*this);
    for (int i = 0; i < barrierIconCount; ++i)
        setIconPowered(BarrierIcon(i), false);
    updateIconVisibility();
}

void RunController::updateIconsAfterSettings() {
    Batch batch(*this);
    if (icon(BarrierIcon::ImageLSstart).powered)
        setIconPowered(BarrierIcon::ImageLSmax, m_settings.LuchVmax);
    updateIconVisibility();
}

void RunController::updateIconVisibility() {
    const bool chosen = m_port.portNumber() != 0;
    setIconVisible(BarrierIcon::ImageLSstart, chosen);
    setIconVisible(BarrierIcon::ImageLSreakt, chosen && m_settings.LuchZwZeit);
    setIconVisible(BarrierIcon::ImageLSmax, chosen && m_settings.LuchVmax);
    setIconVisible(BarrierIcon::ImageLSstop, chosen);
}
