// The timer thread's periodic wake-up on Linux: a timerfd, with the accuracy as timer slack.

#pragma once

#include "timing/periodic_timer.h"

// PeriodicTimer on a timerfd of CLOCK_MONOTONIC, with an eventfd to wake the
// waiting thread. The accuracy becomes the timer thread's timer slack.
class TimerfdPeriodicTimer : public PeriodicTimer {
public:
    TimerfdPeriodicTimer();
    ~TimerfdPeriodicTimer() override;
    TimerfdPeriodicTimer(const TimerfdPeriodicTimer&) = delete;
    TimerfdPeriodicTimer& operator=(const TimerfdPeriodicTimer&) = delete;

    void start(quint32 periodMs, quint32 accuracyMs) override;
    void stop() override;
    bool wait() override;
    void wake() override;

private:
    int m_timerFd = -1;
    int m_wakeFd = -1;
};
