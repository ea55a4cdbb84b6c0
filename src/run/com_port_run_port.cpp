// Opening and closing TComPort for the run controller, failures swallowed.

#include "run/com_port_run_port.h"

#include "io/com_port.h"

void ComPortRunPort::open(bool rtsCts) {
    try {
        m_port.Close();
        m_port.setFlowControl(rtsCts ? fcRtsCts : fcNone);
        m_port.Open();
    } catch (const std::exception& failure) {
        // No such port, or in use: the run goes on without barriers, and the official is told.
        if (m_openFailed)
            m_openFailed(QString::fromUtf8(failure.what()));
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
