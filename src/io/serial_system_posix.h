// The serial system calls on real Linux ttys.

#pragma once

#include "io/serial_system.h"

// The real tty layer. Interrupts a waiting thread with a signal whose handler does nothing and
// is installed without SA_RESTART, so a blocked TIOCMIWAIT returns EINTR: SIGUSR2, or a free
// real-time signal when something else in the program already handles SIGUSR2. Each waiting
// thread gets a ModemWaitGuard for the moment before the kernel's wait begins.
// Stateless apart from the sysfs root; safe to use from any thread.
class PosixSerialSystem : public SerialSystem {
public:
    explicit PosixSerialSystem(QString sysfsRoot = QStringLiteral("/sys"));

    int openDevice(const QByteArray& path, int flags, int* fd) override;
    int closeDevice(int fd) override;
    int setExclusive(int fd) override;
    int clearExclusive(int fd) override;
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

    // The signal used to interrupt a waiting watcher (installs its handler on first use).
    static int wakeSignal();

private:
    QString m_sysfsRoot;
};
