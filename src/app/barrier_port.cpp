#include "app/barrier_port.h"

#include "app/com_port_run_port.h"
#include "app/run_controller.h"
#include "io/com_port.h"
#include "io/serial_backends.h"
#include "io/simulated_barrier_box.h"

BarrierPort::BarrierPort(std::function<qint64()> readCounter, const QString& simulatorSocketPath)
    : m_box(std::make_unique<SimulatedBarrierBox>(readCounter, simulatorSocketPath)),
      m_backends(std::make_unique<SerialBackends>(m_box.get())),
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
    m_port->OnOpen = [c](TComPort* p) { c->ComPortOpen(p->FlowControl() == fcRtsCts); };
    m_port->OnClose = [c](TComPort*) { c->ComPortClose(); };
}
