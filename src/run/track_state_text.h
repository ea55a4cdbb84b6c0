// What the track is doing, in the words status panel 2 shows the official.

#pragma once

#include "run/run_state.h"

#include <QString>

// The words for a run state. An accident is no state of its own (the run is idle again
// after it), so the caller says whether the last run ended in one; it stands until the
// next arming or start. Without a speed trap the run waits for the finish after the split.
QString trackStateText(RunState state, bool afterAccident, bool trapFitted);

// The port's part: "COM64 (Simulator) offen", "COM3 (ttyS2) geschlossen", "kein Port gewählt".
QString portStateText(int portNumber, bool open);

// Watches the run's states for the one thing they do not show: that a run ended in an
// accident (a running run that becomes idle again). Plain value, GUI thread.
class AccidentWatch {
public:
    // Feeds the state after every change; true while the last run's end was an accident.
    bool update(RunState state);
    bool afterAccident() const { return m_afterAccident; }

private:
    RunState m_last = RunState::Idle;
    bool m_afterAccident = false;
};
