// The state of one timed run, the moves between its states, and the gates that follow from it.

#pragma once

// Where a run stands: waiting for its start (armed or not), running with its split still to
// come, after the split, in the speed trap, or finished until the reset.
enum class RunPhase { Waiting, SplitPending, SplitTaken, InTrap, Finished };

// What the track is doing, in the words of the state table: Idle and Armed are the two
// sides of Waiting.
enum class RunState { Idle, Armed, RunningSplitPending, RunningSplitTaken, RunningInTrap, Finished };

// What moves the state: the arming check box, and the steps of a run. Split and Trap also
// come outside a run (a key pressed while waiting or finished); they move no phase then.
enum class RunEvent { Arm, Disarm, Start, Split, Trap, Finish, Reset };

// The run's state: the one source of every gate the run controller shows. Arming is its
// own fact because a run can be disarmed (F4) while it runs and keeps running.
struct RunStatus {
    RunPhase phase = RunPhase::Waiting;
    bool armed = false;
    // The finish disarms the track (its port closes after it); the reset still carries out
    // the disarming steps then.
    bool disarmedByFinish = false;
    // From program start until the first start or reset, F9 is open although nothing ran.
    bool resetOpenSinceStartUp = true;
    // F6 or F7 outside a run light Vmax or FINISH (only the look: their items stay shut).
    bool vmaxLitByKey = false;
    bool stopLitByKey = false;

    friend bool operator==(const RunStatus&, const RunStatus&) = default;
};

// Which commands, buttons and fields are open. A menu item's handler runs only while its
// item is open; a button also needs its own Enabled.
struct RunGates {
    bool cbFreigabe = false;
    bool mStart = false;
    bool bStart = false;
    bool mStop = false;
    bool bStop = false;
    bool bZwZeit = false;
    bool bVmax = false;
    bool bAvaria = false;
    bool mReset = false;
    bool bReset = false;
    bool clock = false; // the running clock
    bool bCFG = false;  // the settings dialog
    bool editStartN1 = false;

    friend bool operator==(const RunGates&, const RunGates&) = default;
};

bool isRunning(RunPhase phase);

// The state after event; every move of a run's state is decided here.
RunStatus nextRunStatus(const RunStatus& status, RunEvent event);

// The gates that follow from a state.
RunGates runGates(const RunStatus& status);

// The state in the state table's words.
RunState runState(const RunStatus& status);
