// One open serial device over a SerialSystem: how it is opened and set up, and how its
// modem-status lines are read and waited for.

#pragma once

#include "io/com_types.h"
#include "io/serial_system.h"

#include <QByteArray>

struct termios2;

// What Open puts into the line.
struct LineSettings {
    qint32 baudRate = 9600;
    int dataBits = 8;
    TParity parity = prNone;
    TStopBits stopBits = sbOneStopBit;
    TFlowControl flowControl = fcNone;
    bool enableDtr = true;
    char xonChar = 0x11;
    char xoffChar = 0x13;
};

// Modem-status word and transition counts read together.
struct LineSnapshot {
    quint32 modemStatus = 0;
    LineCounters counters;
    friend bool operator==(const LineSnapshot&, const LineSnapshot&) = default;
};

// Raw 8-bit line from `current` with the given speed, framing and handshake.
termios2 rawTermios(const termios2& current, const LineSettings& settings);

// Modem-status bits (MS_*) of a TIOCMGET word.
quint32 modemStatusOf(int tiocmLines);

// How a port's driver counts RING (and wakes a wait for it). The 8250 family counts only the
// trailing edge, when RING goes idle; USB adapters count both; other UARTs of the serial core
// may count none.
enum class RingCounting { BothEdges, TrailingEdgeOnly, Unknown };

// From what TIOCGSERIAL said: `error`, else the UART `type`.
RingCounting ringCountingOf(int error, int type);

// One open serial device: the open sequence, the line levels and the waits, over a
// SerialSystem. Open and close on the GUI thread; reads and waits may run on the watcher
// thread at the same time.
class SerialLine {
public:
    explicit SerialLine(SerialSystem& system);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Opens, locks and configures the device. Throws EComHandle or EComState; a failure
    // leaves the device closed again.
    void open(const QByteArray& path, const LineSettings& settings);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    QByteArray path() const { return m_path; }

    int modemStatus(quint32* status);
    // Raises and lowers output lines (TIOCM_RTS, TIOCM_DTR); 0 or the errno of the failure.
    int changeOutputs(int raiseTiocm, int lowerTiocm);
    int counters(LineCounters* counters);
    // Status and counters that belong together: no transition between the two reads.
    int snapshot(LineSnapshot* snapshot);
    // Until a count of `tiocmLines` differs from `seen`; see SerialSystem::waitModemChange.
    int waitChange(int tiocmLines, const LineCounters& seen, int timeoutUs);
    int inputQueue(int* bytes);
    void purgeInput();

    // Told by the kind of UART, not by the driver's name: on kernels with the serial-base bus
    // every built-in port names the same generic driver.
    RingCounting ringCounting() const { return m_ringCounting; }

    SerialSystem& system() { return m_system; }

private:
    void release(int fd);

    SerialSystem& m_system;
    int m_fd = -1;
    QByteArray m_path;
    RingCounting m_ringCounting = RingCounting::Unknown;
};
