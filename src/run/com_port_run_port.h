// Adapts TComPort to the run's port seam (RunPort).

#pragma once

#include "run/run_port.h"

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

private:
    TComPort& m_port;
};
