// Opening and closing TComPort for the run controller, failures swallowed.

#include "run/com_port_run_port.h"

#include "io/com_port.h"

void ComPortRunPort::open(bool rtsCts) {
    try {
        m_port.Close();
        m_port.setFlowControl(rtsCts ? fcRtsCts : fcNone);
        m_port.Open();
    } catch (const std::exception& e) {
        // No such port, or in use: the run goes on without barriers.
        if (m_failed)
            m_failed(QString::fromUtf8(e.what()));
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
