// Adapts TComPort to the run's port seam (RunPort).

#pragma once

#include "run/run_port.h"

#include <QString>

#include <functional>

class TComPort;

// The run controller's view of the main window's barrier port: opening with or
// without RTS/CTS handshaking and closing. A failed open is handed to `openFailed`
// with the component's text and goes no further (the barriers then simply stay dead
// until the next try). GUI thread only, like the port.
class ComPortRunPort : public RunPort {
public:
    ComPortRunPort(TComPort& port, std::function<void(const QString&)> openFailed)
        : m_port(port), m_openFailed(std::move(openFailed)) {}

    void open(bool rtsCts) override;
    void close() override;
    int portNumber() const override;

private:
    TComPort& m_port;
    std::function<void(const QString&)> m_openFailed;
};
