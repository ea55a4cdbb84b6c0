// Adapts TComPort to the run's port seam (RunPort).

#pragma once

#include "io/com_types.h"
#include "run/run_port.h"

#include <QString>

#include <functional>

class TComPort;

// The line changes the run waits for with the port open with (`rtsCts`) or without handshaking,
// where L4 (RING) counts at `finishLevel`: without RTS L4 has no power and RING cannot change;
// with it, only RING's change to the finish level matters.
NeededChanges barrierLineChanges(bool rtsCts, int finishLevel);

// The run controller's view of the main window's barrier port: opening with or
// without RTS/CTS handshaking and closing. A failed open leaves the barriers dead
// until the next try; its text goes to the failure handler. GUI thread only, like the port.
class ComPortRunPort : public RunPort {
public:
    explicit ComPortRunPort(TComPort& port) : m_port(port) {}

    bool open(bool rtsCts) override;
    void close() override;
    int portNumber() const override;

    // The level at which L4 counts, asked at every open (the settings may have changed).
    void setFinishLevel(std::function<int()> level) { m_finishLevel = std::move(level); }
    // Told the component's text of every failed open, e.g. "Unable to open com port: ...".
    void setFailureHandler(std::function<void(const QString&)> show) { m_showFailure = std::move(show); }

private:
    TComPort& m_port;
    std::function<int()> m_finishLevel;
    std::function<void(const QString&)> m_showFailure;
};
