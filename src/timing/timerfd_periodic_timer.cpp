// The periodic timer on a timerfd, woken early by an eventfd, or by polling a flag where no
// eventfd could be had.

#include "timing/timerfd_periodic_timer.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

timespec fromMs(quint32 ms) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    return ts;
}

// Without an eventfd nothing could interrupt an endless poll, so the wait
// then looks at the wake flag this often.
constexpr int fallbackPollMs = 50;

} // namespace

TimerfdPeriodicTimer::TimerfdPeriodicTimer()
    : m_timerFd(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)),
      m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TimerfdPeriodicTimer::~TimerfdPeriodicTimer() {
    if (m_timerFd >= 0)
        close(m_timerFd);
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void TimerfdPeriodicTimer::start(quint32 periodMs, quint32 accuracyMs) {
    // Slack 0 restores the default; the call applies to the calling (timer) thread.
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(accuracyMs) * 1000000UL, 0, 0, 0);
    itimerspec period{};
    period.it_interval = fromMs(periodMs);
    period.it_value = fromMs(periodMs);
    if (m_timerFd >= 0)
        timerfd_settime(m_timerFd, 0, &period, nullptr);
}

void TimerfdPeriodicTimer::stop() {
    const itimerspec disarmed{};
    if (m_timerFd >= 0)
        timerfd_settime(m_timerFd, 0, &disarmed, nullptr);
}

bool TimerfdPeriodicTimer::wait() {
    pollfd fds[2] = {{m_timerFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const int timeout = m_wakeFd >= 0 ? -1 : fallbackPollMs;
    for (;;) {
        const int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        std::uint64_t value = 0;
        if (fds[1].revents & POLLIN) {
            // Consumed, so the next wait blocks again.
            [[maybe_unused]] const ssize_t n = read(m_wakeFd, &value, sizeof value);
            return false;
        }
        if (fds[0].revents & POLLIN) {
            if (read(m_timerFd, &value, sizeof value) == static_cast<ssize_t>(sizeof value))
                return true;
            continue;
        }
        if (ready == 0)
            return false; // fallback poll interval: let the caller look at its stop flag
    }
}

void TimerfdPeriodicTimer::wake() {
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0) {
        [[maybe_unused]] const ssize_t n = write(m_wakeFd, &one, sizeof one);
    }
}
