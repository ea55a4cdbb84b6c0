// The light-barrier port the run reads: serial backends, the simulated box and the port, wired to the
// controller.

#pragma once

#include "io/com_types.h"
#include "timing/counter_reader.h"

#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class ComPortRunPort;
class RunController;
class RunPort;
class SerialBackends;
class SerialSystem;
class SimulatedBarrierBox;
class TComPort;

// The main window's light-barrier port with what stands behind it: the serial
// backends (real lines, and the simulated barrier box as COM64), the port
// ComPort itself, and the run controller's view of it. GUI thread only, like the port.
class BarrierPort {
public:
    // readCounter stamps the barrier events; an empty socket path gives the box no socket;
    // `lines` are the real serial lines (null: the tty layer), kept alive by the caller.
    BarrierPort(EventCounterReader readCounter, const QString& simulatorSocketPath, SerialSystem* lines = nullptr);
    ~BarrierPort();
    BarrierPort(const BarrierPort&) = delete;
    BarrierPort& operator=(const BarrierPort&) = delete;

    TComPort& ComPort() const { return *m_port; }
    SimulatedBarrierBox& box() const { return *m_box; }
    // Where a port number leads; also for the settings dialog's own port.
    SerialBackends* backends() const { return m_backends.get(); }
    RunPort& runPort() const;
    // The port "COM" n the barriers are wired to; 0 for none. A number the program does not
    // know (also one beyond a byte) stays unknown: opening it fails.
    void setPortNumber(int port);
    int portNumber() const;

    // The settings dialog borrows the line to show it live: lend() closes the port now;
    // takeBackLater() opens it again without handshaking 50 ms later (the dialog's own port
    // has let go by then), but only when it was open at the first lend() (opening lights
    // the start lamp, which an unarmed track must never show) and there is a port by then.
    void lend();
    void takeBackLater();
    bool isTakeBackPending() const { return m_takeBack.isActive(); }

    // Hands the port's line events (with the stamp and status word of the wake-up) and
    // its open and close notifications to the controller. A lost device (adapter pulled) is
    // closed from the event loop, so that its number is free when the adapter comes back;
    // the controller sees an ordinary close.
    void connectTo(RunController& controller);

    // What the status bar should say about the port: that it could not be opened or that
    // the connection was lost, until the next successful open; empty otherwise. Told to `show` whenever it changes.
    QString statusText() const { return m_statusText; }
    void setStatusHandler(std::function<void(const QString&)> show) { m_showStatus = std::move(show); }

private:
    // The port's event of an input line (MS_*_ON).
    static TNotifyEvent& lineEvent(TComPort& port, quint32 line);
    void closeLostPort();
    void setStatusText(const QString& text);
    QString portText() const; // "COM17 (ttyUSB0)", "COM320"

    std::unique_ptr<SimulatedBarrierBox> m_box;
    std::unique_ptr<SerialSystem> m_simulator; // only beside lines given by the caller
    std::unique_ptr<SerialBackends> m_backends;
    std::unique_ptr<TComPort> m_port;
    std::unique_ptr<ComPortRunPort> m_runPort;
    QTimer m_takeBack;
    int m_portNumber = 0;
    bool m_lent = false;
    bool m_openWhenLent = false;
    QString m_statusText;
    std::function<void(const QString&)> m_showStatus;
};
