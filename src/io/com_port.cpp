// The barrier port's open sequence, its settings, the watcher's start and stop, and the
// reports handed to the handlers one at a time.

#include "io/com_port.h"

#include "io/com_thread.h"
#include "io/serial_backends.h"

#include <cerrno>

TComPort::TComPort(SerialBackends* backends, EventCounterReader readCounter, QObject* parent)
    : QObject(parent), m_backends(backends), m_readCounter(std::move(readCounter)) {}

TComPort::~TComPort() {
    closePort(false);
}

void TComPort::setDataBits(int value) {
    m_dataBits = quint8(qBound(5, value, 8));
}

LineSettings TComPort::lineSettings() const {
    LineSettings settings;
    settings.baudRate = baudRateValue(m_baudRate, m_baudRateUser);
    settings.dataBits = m_dataBits;
    settings.parity = m_parity;
    settings.stopBits = m_stopBits;
    settings.flowControl = m_flowControl;
    settings.enableDtr = m_enableDtr;
    return settings;
}

void TComPort::Open() {
    if (m_dispatching) {
        throw openError(EDEADLK);
    }
    Close();
    const SerialBackend backend = m_backends ? m_backends->forPort(m_port) : SerialBackend{};
    if (!backend.system) {
        throw openError(ENODEV);
    }
    auto line = std::make_unique<SerialLine>(*backend.system);
    line->open(backend.devicePath, lineSettings());
    ++m_session;
    m_thread =
        std::make_unique<TComThread>(this, *line, systemEventMask(m_events), m_neededChanges, m_readCounter, m_session);
    m_line = std::move(line);
    m_thread->begin();
    m_connected = true;
    if (OnOpen) {
        OnOpen(this);
    }
}

void TComPort::Close() {
    if (m_dispatching) {
        return; // the reports after this handler's are still being dispatched
    }
    closePort(true);
}

void TComPort::closePort(bool notify) {
    if (!m_connected) {
        return;
    }
    m_thread.reset(); // stops and waits for the watcher
    m_line.reset();   // closes the device
    m_connected = false;
    if (notify && OnClose) {
        OnClose(this);
    }
}

bool TComPort::Watching() const {
    return m_thread && m_thread->isRunning();
}

quint32 TComPort::GetModemStatus() {
    if (m_dispatching) {
        return m_report.modemStatus;
    }
    quint32 status = 0;
    if (!m_line || m_line->modemStatus(&status)) {
        return 0;
    }
    return status;
}

int TComPort::changeOutputs(int raiseTiocm, int lowerTiocm) {
    return m_line && m_line->isOpen() ? m_line->changeOutputs(raiseTiocm, lowerTiocm) : EBADF;
}

qint32 TComPort::InQueCount() {
    int bytes = 0;
    if (!m_line || m_line->inputQueue(&bytes)) {
        return 0;
    }
    return bytes;
}

std::exception_ptr TComPort::dispatchReport(const ComReport& report) {
    const ComReport outer = m_report;
    m_report = report;
    ++m_dispatching;
    std::exception_ptr error;
    try {
        DispatchEvents(report.eventMask);
    } catch (...) {
        error = std::current_exception();
    }
    --m_dispatching;
    m_report = outer;
    return error;
}

void TComPort::DispatchEvents(quint32 eventMask) {
    auto fire = [&](quint32 bit, const TNotifyEvent& handler) {
        if ((eventMask & bit) && handler) {
            handler(this);
        }
    };
    if ((eventMask & EV_RXCHAR) && OnRxChar) {
        OnRxChar(this, InQueCount());
    }
    fire(EV_TXEMPTY, OnTxEmpty);
    fire(EV_BREAK, OnBreak);
    fire(EV_RING, OnRing);
    fire(EV_CTS, OnCTS);
    fire(EV_DSR, OnDSR);
    fire(EV_RXFLAG, OnRxFlag);
    fire(EV_RLSD, OnRLSD);
    fire(EV_ERR, OnError);
}

void TComPort::dispatchQueued(quint64 session) {
    // Inside a handler (one that runs an event loop of its own) the outer call carries on with
    // the queue once that handler has returned: handlers never overlap, and keep their order.
    if (session != m_session || !m_thread || m_dispatching) {
        return;
    }
    ComReport report;
    while (m_thread->takeReport(&report)) {
        if (dispatchReport(report)) {
            // A handler that threw ends the watcher; the port stays open without it.
            m_thread->stop();
            return;
        }
    }
}

void TComPort::watcherLost(quint64 session) {
    if (session == m_session && m_connected && OnLost) {
        OnLost(this);
    }
}
