// The seam between the run controller and the barrier port, so tests can put a fake behind it.

#pragma once

// The little the run controller needs of the barrier port. The main window
// adapts TComPort to it; tests use a fake. The port's OnOpen/OnClose are
// forwarded to RunController::ComPortOpen/ComPortClose by whoever owns the port.
// GUI thread only; never called from inside one of the port's own events when
// the call would close or reopen it (those go through the 1 ms timers).
class RunPort {
public:
    virtual ~RunPort() = default;

    // Closes the port, sets the flow control (RTS/CTS raises RTS and so powers
    // L3 and L4) and opens it. False when it failed: the port stays closed, and
    // the owner has shown why.
    virtual bool open(bool rtsCts) = 0;
    // Closes the port if open; a failure is swallowed.
    virtual void close() = 0;
    // The configured port number; 0 means no port.
    virtual int portNumber() const = 0;
};
