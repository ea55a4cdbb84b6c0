// Builds the barrier port with its backends and hands its events to the run controller.

#include "run/barrier_port.h"

#include "io/barrier_wiring.h"
#include "io/com_port.h"
#include "io/port_names.h"
#include "io/serial_backends.h"
#include "io/serial_system_simulated.h"
#include "io/simulated_barrier_box.h"
#include "run/com_port_run_port.h"
#include "run/run_controller.h"

#include <QTimer>

namespace {

constexpr int takeBackDelay = 50; // ms after the borrower's port has let go of the line

} // namespace

BarrierPort::BarrierPort(EventCounterReader readCounter, const QString& simulatorSocketPath, SerialSystem* lines)
    : m_box(std::make_unique<SimulatedBarrierBox>(readCounter, simulatorSocketPath)),
      m_simulator(lines ? std::make_unique<SimulatedSerialSystem>(m_box.get()) : nullptr),
      m_backends(lines ? std::make_unique<SerialBackends>(lines, m_simulator.get())
                       : std::make_unique<SerialBackends>(m_box.get())),
      m_port(std::make_unique<TComPort>(m_backends.get(), readCounter)),
      m_runPort(std::make_unique<ComPortRunPort>(*m_port, [this](const QString& reason) {
          setStatusText(QStringLiteral("%1 kann nicht geöffnet werden: %2").arg(portText(), reason));
      })) {
    m_takeBack.setSingleShot(true);
    m_takeBack.setInterval(takeBackDelay);
    QObject::connect(&m_takeBack, &QTimer::timeout, [this] {
        // Outside a run the barrier port is open without handshaking: L1 and L2 powered, lamp lit.
        if (portNumber() != 0)
            m_runPort->open(false);
    });
}

BarrierPort::~BarrierPort() = default;

RunPort& BarrierPort::runPort() const {
    return *m_runPort;
}

void BarrierPort::setPortNumber(int port) {
    m_portNumber = port;
    // A number beyond a byte is no port the program knows; it must not wrap onto one (320
    // would be 64, the simulated box), so the component gets 255, which names no device.
    m_port->setPort(port >= 0 && port <= 255 ? quint8(port) : quint8(255));
}

int BarrierPort::portNumber() const {
    return m_portNumber;
}

void BarrierPort::lend() {
    // A take-back still pending from the last lending would take the line from the borrower.
    m_takeBack.stop();
    if (!m_lent) {
        m_lent = true;
        m_openWhenLent = m_port->Connected();
    }
    m_runPort->close();
}

void BarrierPort::takeBackLater() {
    if (m_lent && m_openWhenLent)
        m_takeBack.start();
    m_lent = false;
}

void BarrierPort::connectTo(RunController& controller) {
    RunController* c = &controller;
    // Each barrier's handler on the port event of its input line.
    using Handler = void (RunController::*)(qint64, quint32);
    const std::array<Handler, barrierCount> handlers{&RunController::ComPortStart, &RunController::ComPortStartSpeed,
                                                     &RunController::ComPortFinishSpeed, &RunController::ComPortStop};
    for (Barrier b : allBarriers) {
        const Handler handler = handlers[barrierIndex(b)];
        lineEvent(*m_port, wiringOf(b).line) = [c, handler](TComPort* p) {
            (c->*handler)(p->EventStamp(), p->EventModemStatus());
        };
    }
    m_port->OnOpen = [this, c](TComPort* p) {
        setStatusText({});
        c->ComPortOpen(p->FlowControl() == fcRtsCts);
    };
    m_port->OnClose = [c](TComPort*) { c->ComPortClose(); };
    // Never closed inside one of the port's own handlers, this one included.
    m_port->OnLost = [this](TComPort*) { QTimer::singleShot(0, m_port.get(), [this] { closeLostPort(); }); };
}

TNotifyEvent& BarrierPort::lineEvent(TComPort& port, quint32 line) {
    switch (line) {
    case MS_DSR_ON:
        return port.OnDSR;
    case MS_RLSD_ON:
        return port.OnRLSD;
    case MS_CTS_ON:
        return port.OnCTS;
    default:
        return port.OnRing;
    }
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
    setStatusText(QStringLiteral("Verbindung zu %1 unterbrochen").arg(portText()));
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

QString BarrierPort::portText() const {
    return comPortListText(m_portNumber);
}
