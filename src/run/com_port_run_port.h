// Adapts TComPort to the run's port seam (RunPort).

#pragma once

#include "run/run_port.h"

#include <QString>

#include <functional>

class TComPort;

// The run controller's view of the main window's barrier port: opening with or
// without RTS/CTS handshaking and closing, every failure swallowed (the barriers
// then simply stay dead until the next try). GUI thread only, like the port.
class ComPortRunPort : public RunPort {
public:
    explicit ComPortRunPort(TComPort& port) : m_port(port) {}

    void open(bool rtsCts) override;
    void close() override;
    int portNumber() const override;
    // Told the component's text of a failed opening, which is otherwise swallowed.
    void setFailureHandler(std::function<void(const QString&)> handler) { m_failed = std::move(handler); }

private:
    TComPort& m_port;
    std::function<void(const QString&)> m_failed;
};
