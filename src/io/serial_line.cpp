// One open serial line: the raw termios it is put into, its levels and counts, how its driver
// counts RING, and the waits for a change.

#include "io/serial_line.h"

#include "io/com_errors.h"

#include <asm/termbits.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>

termios2 rawTermios(const termios2& current, const LineSettings& settings) {
    termios2 t = current;
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    // CLOCAL: a carrier drop must not hang the tty up; L2 switches carrier detect.
    t.c_cflag |= CLOCAL | CREAD | HUPCL | BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = t.c_ospeed = speed_t(settings.baudRate);

    switch (qBound(5, settings.dataBits, 8)) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }
    switch (settings.parity) {
    case prNone:
        break;
    case prOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case prEven:
        t.c_cflag |= PARENB;
        break;
    case prMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case prSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // The tty layer knows no 1.5 stop bits; a 16550 sends 1.5 for CSTOPB with 5 data bits.
    if (settings.stopBits != sbOneStopBit) {
        t.c_cflag |= CSTOPB;
    }
    switch (settings.flowControl) {
    case fcNone:
        break;
    case fcRtsCts:
        t.c_cflag |= CRTSCTS;
        break;
    case fcXonXoff:
        t.c_iflag |= IXON | IXOFF;
        break;
    }
    t.c_cc[VSTART] = cc_t(settings.xonChar);
    t.c_cc[VSTOP] = cc_t(settings.xoffChar);
    // Reads return at once with what is queued.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return t;
}

quint32 modemStatusOf(int tiocmLines) {
    quint32 status = 0;
    if (tiocmLines & TIOCM_CTS) {
        status |= MS_CTS_ON;
    }
    if (tiocmLines & TIOCM_DSR) {
        status |= MS_DSR_ON;
    }
    if (tiocmLines & TIOCM_RNG) {
        status |= MS_RING_ON;
    }
    if (tiocmLines & TIOCM_CAR) {
        status |= MS_RLSD_ON;
    }
    return status;
}

RingCounting ringCountingOf(int error, int type) {
    // PORT_8250 (1) to PORT_16550A_FSL64 (30): UARTs driven by the 8250 core, whose ring
    // indicator interrupt is the trailing edge (UART_MSR_TERI).
    constexpr int first8250 = 1;
    constexpr int last8250 = 30;
    if (error) {
        return RingCounting::Unknown;
    }
    if (type == 0) {
        return RingCounting::BothEdges;
    }
    if (type >= first8250 && type <= last8250) {
        return RingCounting::TrailingEdgeOnly;
    }
    return RingCounting::Unknown;
}

SerialLine::SerialLine(SerialSystem& system) : m_system(system) {}

SerialLine::~SerialLine() {
    close();
}

void SerialLine::open(const QByteArray& path, const LineSettings& settings) {
    close();
    int fd = -1;
    if (path.isEmpty()) {
        throw openError(ENOENT);
    }
    if (const int error = m_system.openDevice(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, &fd)) {
        throw openError(error, path);
    }
    auto fail = [&](auto error) {
        release(fd);
        throw error;
    };
    // Another program on the same line would see our barriers as its own; refuse to share.
    if (const int error = m_system.setExclusive(fd)) {
        fail(openError(error));
    }
    if (const int error = m_system.lockDevice(fd)) {
        fail(openError(error == EWOULDBLOCK ? EBUSY : error));
    }
    termios2 current{};
    if (const int error = m_system.getAttributes(fd, &current)) {
        fail(stateError(error));
    }
    if (settings.baudRate <= 0) {
        // Speed 0 would mean "hang up" to the tty layer.
        fail(stateError(EINVAL));
    }
    if (const int error = m_system.setAttributes(fd, rawTermios(current, settings))) {
        fail(stateError(error));
    }
    // The tty layer raised DTR and RTS on open; set both as the handshake asks.
    const int dtrError =
        settings.enableDtr ? m_system.raiseModemLines(fd, TIOCM_DTR) : m_system.lowerModemLines(fd, TIOCM_DTR);
    if (dtrError) {
        fail(stateError(dtrError));
    }
    const int rtsError = settings.flowControl == fcRtsCts ? m_system.raiseModemLines(fd, TIOCM_RTS)
                                                          : m_system.lowerModemLines(fd, TIOCM_RTS);
    if (rtsError) {
        fail(stateError(rtsError));
    }
    // ftdi adapters otherwise batch status changes for up to 16 ms.
    if (m_system.driverName(path) == QLatin1String("ftdi_sio")) {
        m_system.setLowLatency(fd);
    }
    int uartType = 0;
    const int uartError = m_system.uartType(fd, &uartType);
    m_system.flushInput(fd);
    m_fd = fd;
    m_path = path;
    m_ringCounting = ringCountingOf(uartError, uartType);
}

void SerialLine::close() {
    if (m_fd >= 0) {
        release(m_fd);
        m_fd = -1;
    }
}

void SerialLine::release(int fd) {
    // The exclusive mark belongs to the tty, not to our descriptor: where the tty outlives it
    // (another opener, a pty) it would refuse every later open, our own reopen included.
    m_system.clearExclusive(fd);
    m_system.closeDevice(fd);
}

int SerialLine::changeOutputs(int raiseTiocm, int lowerTiocm) {
    if (raiseTiocm) {
        if (const int error = m_system.raiseModemLines(m_fd, raiseTiocm)) {
            return error;
        }
    }
    return lowerTiocm ? m_system.lowerModemLines(m_fd, lowerTiocm) : 0;
}

int SerialLine::modemStatus(quint32* status) {
    int lines = 0;
    if (const int error = m_system.getModemLines(m_fd, &lines)) {
        return error;
    }
    *status = modemStatusOf(lines);
    return 0;
}

int SerialLine::counters(LineCounters* counters) {
    return m_system.getLineCounters(m_fd, counters);
}

int SerialLine::snapshot(LineSnapshot* snapshot) {
    LineCounters before;
    if (const int error = counters(&before)) {
        return error;
    }
    constexpr int attempts = 4;
    for (int attempt = 1;; ++attempt) {
        quint32 status = 0;
        if (const int error = modemStatus(&status)) {
            return error;
        }
        LineCounters after;
        if (const int error = counters(&after)) {
            return error;
        }
        if (after == before || attempt == attempts) {
            // On a line that never settles, keep the counts read before the status: a
            // transition they miss shows up in the next snapshot instead of being lost.
            *snapshot = {status, before};
            return 0;
        }
        before = after;
    }
}

int SerialLine::waitChange(int tiocmLines, const LineCounters& seen, int timeoutUs) {
    return m_system.waitModemChange(m_fd, tiocmLines, seen, timeoutUs);
}

int SerialLine::inputQueue(int* bytes) {
    return m_system.inputQueue(m_fd, bytes);
}

void SerialLine::purgeInput() {
    if (m_fd >= 0) {
        m_system.flushInput(m_fd);
    }
}
