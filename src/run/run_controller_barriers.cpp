// The light barriers: the edge filter on the modem-status word, the lock-out after a
// barrier start or finish, and which barrier icons the open port shows.

#include "run/run_controller.h"

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
    const BarrierGiving giving(m_eventBarrier, "L1");
    barrierStart(stamp);
}

void RunController::ComPortStartSpeed(qint64 stamp, quint32 modemStatus) {
    // A dead split barrier must not consume the status word another line needs.
    if (!button(RunButton::bZwZeit).Enabled)
        return;
    if (!passesEdgeFilter(modemStatus, RLSD, 1))
        return;
    Batch batch(*this);
    const BarrierGiving giving(m_eventBarrier, "L2");
    takeSplit(stamp);
}

void RunController::ComPortFinishSpeed(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, CTS, 2))
        return;
    Batch batch(*this);
    const BarrierGiving giving(m_eventBarrier, "L3");
    barrierTrap(stamp);
}

void RunController::ComPortStop(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, RING, 3))
        return;
    Batch batch(*this);
    const BarrierGiving giving(m_eventBarrier, "L4");
    barrierFinish(stamp);
}

void RunController::barrierStart(qint64 stamp) {
    if (!button(RunButton::bStart).Enabled || isLockoutRunning())
        return;
    startClick(stamp);
    if (m_settings.WaitStart > 0)
        m_timerGesperrtStop.setInterval(m_settings.WaitStart);
    m_timerGesperrtStop.start();
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    if (!isLockoutRunning() && m_clockOn)
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || isLockoutRunning())
        return;
    stopClick(stamp);
    m_timerGesperrtStop.start();
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
