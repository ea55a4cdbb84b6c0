// The moves of a run's state and the gates that follow from it.

#include "run/run_state.h"

bool isRunning(RunPhase phase) {
    return phase == RunPhase::SplitPending || phase == RunPhase::SplitTaken || phase == RunPhase::InTrap;
}

RunStatus nextRunStatus(const RunStatus& status, RunEvent event) {
    RunStatus next = status;
    const bool running = isRunning(status.phase);
    switch (event) {
    case RunEvent::Arm:
    case RunEvent::Disarm:
        next.armed = event == RunEvent::Arm;
        next.disarmedByFinish = false;
        break;
    case RunEvent::Start:
        if (status.phase != RunPhase::Waiting)
            break;
        next.phase = RunPhase::SplitPending;
        next.resetOpenSinceStartUp = false;
        next.vmaxLitByKey = next.stopLitByKey = false;
        break;
    case RunEvent::Split:
        // A split after the trap lights Vmax again: the trap can be taken once more.
        if (running)
            next.phase = RunPhase::SplitTaken;
        else
            next.vmaxLitByKey = true;
        break;
    case RunEvent::Trap:
        if (running) {
            next.phase = RunPhase::InTrap;
        } else {
            next.vmaxLitByKey = false;
            next.stopLitByKey = true;
        }
        break;
    case RunEvent::Finish:
        if (running) {
            next.phase = RunPhase::Finished;
            next.disarmedByFinish = status.armed;
            next.armed = false;
        }
        break;
    case RunEvent::Reset:
        // A reset always ends disarmed.
        next = RunStatus{};
        next.resetOpenSinceStartUp = false;
        break;
    }
    return next;
}

RunGates runGates(const RunStatus& s) {
    const bool waiting = s.phase == RunPhase::Waiting;
    const bool running = isRunning(s.phase);
    const bool finished = s.phase == RunPhase::Finished;
    RunGates g;
    g.cbFreigabe = s.armed;
    g.mStart = waiting;
    g.bStart = waiting && s.armed;
    g.mStop = running;
    g.bStop = running || s.stopLitByKey;
    g.bZwZeit = s.phase == RunPhase::SplitPending;
    g.bVmax = s.phase == RunPhase::SplitPending || s.phase == RunPhase::SplitTaken || (!running && s.vmaxLitByKey);
    g.bAvaria = running;
    g.mReset = finished || (waiting && s.resetOpenSinceStartUp);
    g.bReset = finished;
    g.clock = running;
    // The dialog would take the port from a running run.
    g.bCFG = !running;
    // The number a run started under stays on show until the reset.
    g.editStartN1 = waiting;
    return g;
}

RunState runState(const RunStatus& s) {
    switch (s.phase) {
    case RunPhase::Waiting:
        return s.armed ? RunState::Armed : RunState::Idle;
    case RunPhase::SplitPending:
        return RunState::RunningSplitPending;
    case RunPhase::SplitTaken:
        return RunState::RunningSplitTaken;
    case RunPhase::InTrap:
        return RunState::RunningInTrap;
    case RunPhase::Finished:
        return RunState::Finished;
    }
    return RunState::Idle;
}
