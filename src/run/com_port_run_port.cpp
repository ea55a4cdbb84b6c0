// Opening and closing TComPort for the run controller; a failed open is told, not thrown.

#include "run/com_port_run_port.h"

#include "io/com_port.h"

NeededChanges barrierLineChanges(bool rtsCts, int finishLevel) {
    NeededChanges needed;
    const quint32 ring = MS_RING_ON;
    if (!rtsCts) {
        needed.becomingActive &= ~ring;
        needed.becomingIdle &= ~ring;
    } else if (finishLevel == 1) {
        needed.becomingIdle &= ~ring;
    } else {
        needed.becomingActive &= ~ring;
    }
    return needed;
}

bool ComPortRunPort::open(bool rtsCts) {
    try {
        m_port.Close();
        m_port.setFlowControl(rtsCts ? fcRtsCts : fcNone);
        // A RING change the driver cannot count costs a look every millisecond: only the one
        // the finish needs, and only while L4 has power.
        m_port.setNeededChanges(barrierLineChanges(rtsCts, m_finishLevel ? m_finishLevel() : 1));
        m_port.Open();
        return true;
    } catch (const std::exception& error) {
        // No such port, in use, or not allowed: the run goes on without barriers.
        if (m_showFailure) {
            m_showFailure(QString::fromUtf8(error.what()));
        }
        return false;
    }
}

void ComPortRunPort::close() {
    try {
        m_port.Close();
    } catch (const std::exception&) {
    }
}

int ComPortRunPort::portNumber() const {
    return m_port.Port();
}
