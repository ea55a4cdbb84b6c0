// The German texts of the track's state and of the port for status panel 2.

#include "run/track_state_text.h"

#include "io/port_names.h"

QString trackStateText(RunState state, bool afterAccident, bool trapFitted) {
    switch (state) {
    case RunState::Idle:
        return afterAccident ? QStringLiteral("Unfall – Lauf abgebrochen, nicht freigegeben")
                             : QStringLiteral("Nicht freigegeben");
    case RunState::Armed:
        return QStringLiteral("Freigegeben – wartet auf den Start");
    case RunState::RunningSplitPending:
        return QStringLiteral("Lauf – wartet auf die Zw.Zeit");
    case RunState::RunningSplitTaken:
        return trapFitted ? QStringLiteral("Lauf – wartet auf Vmax") : QStringLiteral("Lauf – wartet auf das Ziel");
    case RunState::RunningInTrap:
        return QStringLiteral("Lauf – in der Vmax-Messung, wartet auf das Ziel");
    case RunState::Finished:
        return QStringLiteral("Im Ziel – F9 für den nächsten Starter");
    }
    return {};
}

QString portStateText(int portNumber, bool open) {
    if (portNumber <= 0)
        return QStringLiteral("kein Port gewählt");
    return comPortListText(portNumber) + (open ? QStringLiteral(" offen") : QStringLiteral(" geschlossen"));
}

bool AccidentWatch::update(RunState state) {
    const bool wasRunning = m_last == RunState::RunningSplitPending || m_last == RunState::RunningSplitTaken ||
                            m_last == RunState::RunningInTrap;
    if (wasRunning && state == RunState::Idle)
        m_afterAccident = true;
    else if (state != RunState::Idle)
        m_afterAccident = false;
    m_last = state;
    return m_afterAccident;
}
