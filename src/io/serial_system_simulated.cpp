// The tty calls answered by the simulated box: open, line levels, counts and the wait for a
// change, on the one simulated device.

#include "io/serial_system_simulated.h"

#include "io/simulated_barrier_box.h"

#include <asm/termbits.h>
#include <cerrno>

SimulatedSerialSystem::SimulatedSerialSystem(SimulatedBarrierBox* box) : m_box(box) {}

int SimulatedSerialSystem::check(int fd) const {
    std::lock_guard lock(m_mutex);
    return fd >= 0 && fd == m_openFd ? 0 : EBADF;
}

int SimulatedSerialSystem::openDevice(const QByteArray& path, int, int* fd) {
    *fd = -1;
    if (!m_box || path != simulatedDevicePath) {
        return ENOENT;
    }
    if (!m_box->acquire()) {
        return EBUSY;
    }
    std::lock_guard lock(m_mutex);
    m_openFd = m_nextFd++;
    *fd = m_openFd;
    return 0;
}

int SimulatedSerialSystem::closeDevice(int fd) {
    {
        std::lock_guard lock(m_mutex);
        if (fd < 0 || fd != m_openFd) {
            return EBADF;
        }
        m_openFd = -1;
    }
    m_box->release();
    return 0;
}

int SimulatedSerialSystem::setExclusive(int fd) {
    return check(fd);
}

int SimulatedSerialSystem::lockDevice(int fd) {
    return check(fd);
}

int SimulatedSerialSystem::getAttributes(int fd, termios2* settings) {
    *settings = {};
    settings->c_cflag = CS8 | CREAD | B9600;
    return check(fd);
}

int SimulatedSerialSystem::setAttributes(int fd, const termios2&) {
    return check(fd);
}

int SimulatedSerialSystem::getModemLines(int fd, int* lines) {
    if (const int error = check(fd)) {
        return error;
    }
    *lines = m_box->modemLines();
    return 0;
}

int SimulatedSerialSystem::raiseModemLines(int fd, int lines) {
    if (const int error = check(fd)) {
        return error;
    }
    m_box->changeOutputs(lines, 0);
    return 0;
}

int SimulatedSerialSystem::lowerModemLines(int fd, int lines) {
    if (const int error = check(fd)) {
        return error;
    }
    m_box->changeOutputs(0, lines);
    return 0;
}

int SimulatedSerialSystem::getLineCounters(int fd, LineCounters* counters) {
    if (const int error = check(fd)) {
        return error;
    }
    *counters = m_box->counters();
    return 0;
}

int SimulatedSerialSystem::waitModemChange(int fd, int lines, const LineCounters& seen, int timeoutUs) {
    if (const int error = check(fd)) {
        return error;
    }
    return m_box->waitForChange(lines, seen, timeoutUs);
}

int SimulatedSerialSystem::inputQueue(int fd, int* bytes) {
    *bytes = 0;
    return check(fd);
}

int SimulatedSerialSystem::flushInput(int fd) {
    return check(fd);
}

int SimulatedSerialSystem::setLowLatency(int fd) {
    return check(fd);
}

int SimulatedSerialSystem::uartType(int fd, int* type) {
    *type = 0; // counts every transition of every line, as a USB adapter does
    return check(fd);
}

QString SimulatedSerialSystem::driverName(const QByteArray&) {
    return QStringLiteral("simulator");
}

void SimulatedSerialSystem::interruptWait(pthread_t) {
    if (m_box) {
        m_box->interruptWaiters();
    }
}
