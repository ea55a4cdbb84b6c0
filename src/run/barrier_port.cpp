// Builds the barrier port with its backends and hands its events to the run controller.

#include "run/barrier_port.h"

#include "io/com_port.h"
#include "io/port_names.h"
#include "io/serial_backends.h"
#include "io/serial_system_simulated.h"
#include "io/simulated_barrier_box.h"
#include "run/com_port_run_port.h"
#include "run/run_controller.h"

#include <QTimer>

BarrierPort::BarrierPort(EventCounterReader readCounter, const QString& simulatorSocketPath, SerialSystem* lines)
    : m_box(std::make_unique<SimulatedBarrierBox>(readCounter, simulatorSocketPath)),
      m_simulator(lines ? std::make_unique<SimulatedSerialSystem>(m_box.get()) : nullptr),
      m_backends(lines ? std::make_unique<SerialBackends>(lines, m_simulator.get())
                       : std::make_unique<SerialBackends>(m_box.get())),
      m_port(std::make_unique<TComPort>(m_backends.get(), readCounter)),
      m_runPort(std::make_unique<ComPortRunPort>(*m_port)) {}

BarrierPort::~BarrierPort() = default;

RunPort& BarrierPort::runPort() const {
    return *m_runPort;
}

void BarrierPort::setPortNumber(int port) {
    m_port->setPort(quint8(port));
}

void BarrierPort::connectTo(RunController& controller) {
    RunController* c = &controller;
    m_port->OnDSR = [c](TComPort* p) { c->ComPortStart(p->EventStamp(), p->EventModemStatus()); };
    m_port->OnRLSD = [c](TComPort* p) { c->ComPortStartSpeed(p->EventStamp(), p->EventModemStatus()); };
    m_port->OnCTS = [c](TComPort* p) { c->ComPortFinishSpeed(p->EventStamp(), p->EventModemStatus()); };
    m_port->OnRing = [c](TComPort* p) { c->ComPortStop(p->EventStamp(), p->EventModemStatus()); };
    m_port->OnOpen = [this, c](TComPort* p) {
        setStatusText({});
        if (m_portEvent)
            m_portEvent(PortEvent::Opened, comPortListText(p->Port()),
                        p->FlowControl() == fcRtsCts ? QStringLiteral("RTS/CTS") : QString());
        c->ComPortOpen(p->FlowControl() == fcRtsCts);
    };
    m_port->OnClose = [c](TComPort*) { c->ComPortClose(); };
    // Never closed inside one of the port's own handlers, this one included.
    m_port->OnLost = [this](TComPort*) { QTimer::singleShot(0, m_port.get(), [this] { closeLostPort(); }); };
}

void BarrierPort::closeLostPort() {
    if (m_port->Dispatching()) {
        // Inside a handler's own event loop the port cannot close; after it, it can.
        QTimer::singleShot(1, m_port.get(), [this] { closeLostPort(); });
        return;
    }
    if (!m_port->Connected()) {
        return;
    }
    m_runPort->close();
    setStatusText(QStringLiteral("Verbindung zu %1 unterbrochen").arg(comPortListText(m_port->Port())));
    if (m_portEvent)
        m_portEvent(PortEvent::Lost, comPortListText(m_port->Port()), m_statusText);
}

void BarrierPort::setStatusText(const QString& text) {
    if (text == m_statusText) {
        return;
    }
    m_statusText = text;
    if (m_showStatus) {
        m_showStatus(text);
    }
}

void BarrierPort::setEventHandler(PortEventHandler handler) {
    m_portEvent = std::move(handler);
    m_runPort->setFailureHandler([this](const QString& text) {
        if (m_portEvent)
            m_portEvent(PortEvent::Failed, comPortListText(m_port->Port()), text);
    });
}
