// The light barriers: the edge filter on the modem-status word, the lock-out after a
// barrier start or finish, and which barrier icons the open port shows.

#include "run/run_controller.h"

#include "run/run_port.h"

#include <cmath>
namespace {

// Events taken while it lives name the barrier as their source.
class BarrierGiving {
public:
    BarrierGiving(QString& slot, const char* barrier) : m_slot(slot) { m_slot = QString::fromLatin1(barrier); }
    ~BarrierGiving() { m_slot.clear(); }
    BarrierGiving(const BarrierGiving&) = delete;
    BarrierGiving& operator=(const BarrierGiving&) = delete;

private:
    QString& m_slot;
};

} // namespace

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
    const BarrierGiving giving(m_eventBarrier, "L1");
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
    const BarrierGiving giving(m_eventBarrier, "L2");
    takeSplit(stamp);
}

void RunController::ComPortFinishSpeed(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, Barrier::L3))
        return;
    Batch batch(*this);
    const BarrierGiving giving(m_eventBarrier, "L3");
    barrierTrap(stamp);
}

void RunController::ComPortStop(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, Barrier::L4))
        return;
    Batch batch(*this);
    const BarrierGiving giving(m_eventBarrier, "L4");
    barrierFinish(stamp);
}

void RunController::barrierStart(qint64 stamp) {
    endLockoutBefore(stamp);
    // An L1 switched off (F11) starts nothing: marshals may be on the track.
    if (!button(RunButton::bStart).Enabled || !showsOn(Barrier::L1) || lockedOutAt(stamp))
        return;
    startClick(stamp);
    startLockout(Lockout::AfterStart, stamp);
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    endLockoutBefore(stamp);
    if (!lockedOutAt(stamp) && isClockRunning() && showsOn(Barrier::L3))
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    endLockoutBefore(stamp);
    // F12 switches L4 off: it finishes nothing, F8 still does.
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || !showsOn(Barrier::L4) || lockedOutAt(stamp))
        return;
    stopClick(stamp);
    startLockout(Lockout::AfterFinish, stamp);
}

void RunController::startLockout(Lockout kind, qint64 stamp) {
    m_lockout = kind;
    if (kind == Lockout::AfterStart && m_settings.WaitStart > 0)
        m_timerGesperrtStop.setInterval(m_settings.WaitStart);
    // The timer only carries the end's own step (switching L4 on after a start lock-out); the
    // stamps judge which edges fall into the lock-out.
    m_timerGesperrtStop.start();
    const double ms = m_timerGesperrtStop.interval();
    m_lockoutUntil = stamp + qint64(std::llround(ms * 1000.0 * m_countSpeed));
}

void RunController::endLockoutBefore(qint64 stamp) {
    // A GUI thread held up past the lock-out's end has not run the timer yet; by the edge's
    // stamp the end came first, and with it the switch of L4 that it may bring.
    if (m_timerGesperrtStop.isActive() && !lockedOutAt(stamp))
        TimerGesperrtTimer();
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
