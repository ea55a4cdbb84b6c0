// The system calls a serial line needs, as an interface over the real tty layer, the
// simulated box or a test's fake.

#pragma once

#include <QByteArray>
#include <QString>

#include <pthread.h>

struct termios2;

// Transition counts of the four modem-status inputs, as the driver keeps them.
struct LineCounters {
    int cts = 0;
    int dsr = 0;
    int rng = 0;
    int dcd = 0;
    friend bool operator==(const LineCounters&, const LineCounters&) = default;
};

// The system calls a serial line needs, one method each, so that the open sequence and the
// watcher can run against the real tty layer, the simulated barrier box, or a test's fake.
// Every method returns 0 on success or the errno value of the failure. Implementations must
// allow calls from the GUI thread and the watcher thread at the same time.
class SerialSystem {
public:
    virtual ~SerialSystem() = default;

    virtual int openDevice(const QByteArray& path, int flags, int* fd) = 0; // open(2)
    virtual int closeDevice(int fd) = 0;                                    // close(2)
    virtual int setExclusive(int fd) = 0;                                   // TIOCEXCL
    virtual int clearExclusive(int) { return 0; }                           // TIOCNXCL
    virtual int lockDevice(int fd) = 0;                                     // flock(LOCK_EX | LOCK_NB)
    virtual int getAttributes(int fd, termios2* settings) = 0;              // TCGETS2
    virtual int setAttributes(int fd, const termios2& settings) = 0;        // TCSETS2
    virtual int getModemLines(int fd, int* lines) = 0;                      // TIOCMGET
    virtual int raiseModemLines(int fd, int lines) = 0;                     // TIOCMBIS
    virtual int lowerModemLines(int fd, int lines) = 0;                     // TIOCMBIC
    virtual int getLineCounters(int fd, LineCounters* counters) = 0;        // TIOCGICOUNT
    // TIOCMIWAIT: returns 0 once a counter of `lines` differs from `seen`, the counts the caller
    // read just before; EINTR when interrupted, and after `timeoutUs` microseconds unless that
    // is negative. A change between the caller's read and the start of the wait must not be
    // slept through.
    virtual int waitModemChange(int fd, int lines, const LineCounters& seen, int timeoutUs) = 0;
    virtual int inputQueue(int fd, int* bytes) = 0; // TIOCINQ
    virtual int flushInput(int fd) = 0;             // TCFLSH TCIFLUSH
    virtual int setLowLatency(int fd) = 0;          // TIOCGSERIAL/TIOCSSERIAL
    // TIOCGSERIAL: the UART type the serial core reports (PORT_*); 0 for a device that is no
    // UART of the serial core (USB adapters).
    virtual int uartType(int fd, int* type) = 0;

    // Kernel driver behind a device path ("ftdi_sio", ...), empty when unknown.
    virtual QString driverName(const QByteArray& path) = 0;

    // Makes a waitModemChange running on `thread` return EINTR soon. The caller
    // repeats it until the thread has ended, so a wake-up that comes just before the wait
    // begins may be lost.
    virtual void interruptWait(pthread_t thread) = 0;
};
