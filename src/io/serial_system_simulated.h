// The serial system calls of COM64, answered by the simulated barrier box instead of a device.

#pragma once

#include "io/serial_system.h"

#include <mutex>

class SimulatedBarrierBox;

// The system calls of a tty, answered by the simulated barrier box: one device at
// simulatedDevicePath, held by one opener at a time. Thread-safe like the box.
class SimulatedSerialSystem : public SerialSystem {
public:
    static constexpr const char* simulatedDevicePath = "simulator:COM64";

    explicit SimulatedSerialSystem(SimulatedBarrierBox* box);

    int openDevice(const QByteArray& path, int flags, int* fd) override;
    int closeDevice(int fd) override;
    int setExclusive(int fd) override;
    int lockDevice(int fd) override;
    int getAttributes(int fd, termios2* settings) override;
    int setAttributes(int fd, const termios2& settings) override;
    int getModemLines(int fd, int* lines) override;
    int raiseModemLines(int fd, int lines) override;
    int lowerModemLines(int fd, int lines) override;
    int getLineCounters(int fd, LineCounters* counters) override;
    int waitModemChange(int fd, int lines, const LineCounters& seen, int timeoutUs) override;
    int inputQueue(int fd, int* bytes) override;
    int flushInput(int fd) override;
    int setLowLatency(int fd) override;
    int uartType(int fd, int* type) override;
    QString driverName(const QByteArray& path) override;
    void interruptWait(pthread_t thread) override;

private:
    int check(int fd) const;

    SimulatedBarrierBox* const m_box;
    mutable std::mutex m_mutex;
    int m_openFd = -1;
    int m_nextFd = 1000;
};
