// How the timing threads are scheduled on Linux: priority classes as nice values and
// real-time policies, and the caller raised while the counter is calibrated.

#pragma once

#include <QtGlobal>

enum class TThreadClass { tcIdle, tcNormal, tcHigh, tcRealTime };
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The calling thread's scheduling as saved before calibration. Fields that
// could not be read are not restored.
struct SchedulingState {
    bool hasPolicy = false;
    int policy = 0;
    int rtPriority = 0;
    bool hasNice = false;
    int nice = 0;
};

// Scheduling of the calling thread (Linux schedules threads, not processes):
// the policy stands for the priority class, the nice value for the thread
// priority. Every failure is ignored; an unprivileged user simply keeps the
// normal priority.
SchedulingState saveCallerScheduling();
void raiseCallerScheduling(); // highest: SCHED_FIFO at its top priority, nice -20
void restoreCallerScheduling(const SchedulingState& state);

// Applies class and priority to one thread, given by its kernel thread id.
// Only that thread is affected, never the whole program: tcIdle is SCHED_IDLE,
// tcNormal and tcHigh are SCHED_OTHER (tcHigh five nice steps higher), and
// tcRealTime is SCHED_FIFO with a priority following ThreadPriority.
void applyThreadScheduling(qint64 threadId, TThreadClass threadClass, TThreadPriority priority);
