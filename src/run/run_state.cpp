// The moves of a run's state machine.

#include "run/run_state.h"

bool isRunning(RunState state) {
    return state == RunState::RunningSplitPending || state == RunState::RunningSplitTaken ||
           state == RunState::RunningInTrap;
}

RunState nextRunState(RunState state, RunEvent event) {
    switch (event) {
    case RunEvent::Arm:
        return state == RunState::Idle ? RunState::Armed : state;
    case RunEvent::Disarm:
        return state == RunState::Armed ? RunState::Idle : state;
    case RunEvent::Start:
        return RunState::RunningSplitPending;
    case RunEvent::Split:
        // A split after the trap lights Vmax again: the trap can be taken once more.
        return isRunning(state) ? RunState::RunningSplitTaken : state;
    case RunEvent::Trap:
        return isRunning(state) ? RunState::RunningInTrap : state;
    case RunEvent::Finish:
        return isRunning(state) ? RunState::Finished : state;
    case RunEvent::Reset:
        // A reset always disarms.
        return RunState::Idle;
    }
    return state;
}
