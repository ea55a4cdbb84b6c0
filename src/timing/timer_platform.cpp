// The real timer platform: CLOCK_MONOTONIC, RDTSC, sleeps that survive signals and the
// timerfd timer.

#include "timing/timer_platform.h"

#include "timing/time_stamp_counter.h"
#include "timing/timerfd_periodic_timer.h"

#include <cerrno>
#include <ctime>

namespace {

constexpr qint64 nanosecondsPerSecond = 1000000000;

void sleepMilliseconds(quint32 ms) {
    timespec remaining{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

} // namespace

qint64 readMonotonicNanoseconds(const void*) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
}

TimerPlatform systemTimerPlatform() {
    TimerPlatform platform;
    platform.performanceCounter = {&readMonotonicNanoseconds, nullptr};
    platform.timeStampCounter = {&readTimeStampCounter, nullptr};
    platform.performanceFrequency = [] { return nanosecondsPerSecond; };
    platform.detectTsc = &detectTsc;
    platform.sleep = &sleepMilliseconds;
    platform.saveScheduling = &saveCallerScheduling;
    platform.raiseScheduling = &raiseCallerScheduling;
    platform.restoreScheduling = &restoreCallerScheduling;
    platform.applyThreadScheduling = &applyThreadScheduling;
    platform.createPeriodicTimer = [] { return std::make_unique<TimerfdPeriodicTimer>(); };
    return platform;
}
