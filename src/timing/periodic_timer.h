// The timer thread's periodic wake-up as an interface, so that tests tick it by hand.

#pragma once

#include <QtGlobal>

// A periodic wake-up for the timer thread. start, stop and wait are called by
// that thread only; wake may be called from any thread.
class PeriodicTimer {
public:
    virtual ~PeriodicTimer() = default;

    // Arms or re-arms the timer; a period of 0 disarms it.
    virtual void start(quint32 periodMs, quint32 accuracyMs) = 0;
    virtual void stop() = 0;
    // Blocks until the timer expires (true) or wake() is called (false).
    // Expiries missed meanwhile count as one.
    virtual bool wait() = 0;
    // Makes the current or the next wait() return false.
    virtual void wake() = 0;
};
