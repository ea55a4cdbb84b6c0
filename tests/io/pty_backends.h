#pragma once

// A pseudo-terminal behind every port number, for the tests and the benchmark that run the real
// tty backend with the fake modem driver (fake_modem_preload.c) preloaded.

#include "io/serial_backends.h"
#include "io/serial_system_posix.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

// Every port number leads to the pty.
class PtyBackends : public SerialBackends {
public:
    explicit PtyBackends(QByteArray path) : SerialBackends(nullptr, nullptr), m_path(std::move(path)) {}
    SerialBackend forPort(int) override { return {&m_system, m_path}; }
    void setPath(QByteArray path) { m_path = std::move(path); }

private:
    PosixSerialSystem m_system;
    QByteArray m_path;
};

// Opens a new pty: its master descriptor (-1 on failure), its slave's path into `slave`.
inline int openPty(QByteArray* slave) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
        *slave = ptsname(master);
    }
    return master;
}
