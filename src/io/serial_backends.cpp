// Chooses the simulated box for COM64 and the real tty layer for every other port number.

#include "io/serial_backends.h"

#include "io/port_names.h"
#include "io/serial_system_posix.h"
#include "io/serial_system_simulated.h"

SerialBackends::SerialBackends(SimulatedBarrierBox* box)
    : m_ownedLines(std::make_unique<PosixSerialSystem>()),
      m_ownedSimulator(std::make_unique<SimulatedSerialSystem>(box)), m_lines(m_ownedLines.get()),
      m_simulator(m_ownedSimulator.get()) {}

SerialBackends::SerialBackends(SerialSystem* lines, SerialSystem* simulator) : m_lines(lines), m_simulator(simulator) {}

SerialBackends::~SerialBackends() = default;

SerialBackend SerialBackends::forPort(int port) {
    if (port == simulatorPort) {
        return {m_simulator, SimulatedSerialSystem::simulatedDevicePath};
    }
    return {m_lines, comDevicePath(port)};
}
