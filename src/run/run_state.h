// The states of one timed run and the moves between them.

#pragma once

// The life of one timed run as the run controller holds it. A run is armed (or not)
// while it waits, runs from its start to its finish, and stays finished until a reset
// or an accident; arming during a run or after its finish leaves the state alone.
enum class RunState { Idle, Armed, RunningSplitPending, RunningSplitTaken, RunningInTrap, Finished };

// What moves the state: the arming check box, and the steps of a run. Split and Trap
// also come outside a run (a key pressed while idle); they move nothing then.
enum class RunEvent { Arm, Disarm, Start, Split, Trap, Finish, Reset };

bool isRunning(RunState state);

// The state after event; every move of a run's state is decided here.
RunState nextRunState(RunState state, RunEvent event);
