// Thread priorities and classes turned into Linux nice values and real-time policies, and the
// caller's scheduling saved, raised for calibration and restored.

#include "timing/thread_scheduling.h"

#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace {

int niceFor(TThreadPriority priority) {
    switch (priority) {
    case TThreadPriority::tpIdle:
        return 19;
    case TThreadPriority::tpLowest:
        return 10;
    case TThreadPriority::tpLower:
        return 5;
    case TThreadPriority::tpNormal:
        return 0;
    case TThreadPriority::tpHigher:
        return -5;
    case TThreadPriority::tpHighest:
        return -10;
    case TThreadPriority::tpTimeCritical:
        return -20;
    }
    return 0;
}

int fifoPriorityFor(TThreadPriority priority) {
    const int low = sched_get_priority_min(SCHED_FIFO);
    const int high = sched_get_priority_max(SCHED_FIFO);
    const int middle = (low + high) / 2;
    switch (priority) {
    case TThreadPriority::tpIdle:
        return low;
    case TThreadPriority::tpTimeCritical:
        return high;
    default:
        // tpLowest .. tpHighest sit around the middle, one step apart.
        return middle - niceFor(priority) / 5;
    }
}

} // namespace

SchedulingState saveCallerScheduling() {
    SchedulingState state;
    sched_param param{};
    const int policy = sched_getscheduler(0);
    if (policy >= 0 && sched_getparam(0, &param) == 0) {
        state.hasPolicy = true;
        state.policy = policy;
        state.rtPriority = param.sched_priority;
    }
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (errno == 0) {
        state.hasNice = true;
        state.nice = nice;
    }
    return state;
}

void raiseCallerScheduling() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    sched_setscheduler(0, SCHED_FIFO, &param);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -20);
}

void restoreCallerScheduling(const SchedulingState& state) {
    if (state.hasNice)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), state.nice);
    if (state.hasPolicy) {
        sched_param param{};
        param.sched_priority = state.rtPriority;
        sched_setscheduler(0, state.policy, &param);
    }
}

void applyThreadScheduling(qint64 threadId, TThreadClass threadClass, TThreadPriority priority) {
    if (threadId <= 0)
        return;
    const auto tid = static_cast<pid_t>(threadId);
    sched_param param{};
    switch (threadClass) {
    case TThreadClass::tcIdle:
        sched_setscheduler(tid, SCHED_IDLE, &param);
        break;
    case TThreadClass::tcNormal:
    case TThreadClass::tcHigh:
        sched_setscheduler(tid, SCHED_OTHER, &param);
        break;
    case TThreadClass::tcRealTime:
        param.sched_priority = fifoPriorityFor(priority);
        sched_setscheduler(tid, SCHED_FIFO, &param);
        break;
    }
    const int boost = threadClass == TThreadClass::tcHigh ? -5 : 0;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), std::clamp(niceFor(priority) + boost, -20, 19));
}
