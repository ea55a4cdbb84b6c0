// Which system calls a port number leads to: the simulated box or a real serial line.

#pragma once

#include <QByteArray>

#include <memory>

class SerialSystem;
class SimulatedBarrierBox;

// Where a port number leads: the system calls to use and the device path.
struct SerialBackend {
    SerialSystem* system = nullptr;
    QByteArray devicePath;
};

// The one place that chooses by port number: COM64 is the simulated barrier box, every other
// number a real serial line. Used on the GUI thread.
class SerialBackends {
public:
    // Real lines through the tty layer, COM64 through `box` (none when null).
    explicit SerialBackends(SimulatedBarrierBox* box);
    // Both systems supplied by the caller, who keeps them alive.
    SerialBackends(SerialSystem* lines, SerialSystem* simulator);
    virtual ~SerialBackends();

    virtual SerialBackend forPort(int port);

private:
    std::unique_ptr<SerialSystem> m_ownedLines;
    std::unique_ptr<SerialSystem> m_ownedSimulator;
    SerialSystem* m_lines = nullptr;
    SerialSystem* m_simulator = nullptr;
};
