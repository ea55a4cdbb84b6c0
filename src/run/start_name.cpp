// Follows the start number and the protocol's names to keep the display's start name right.

#include "run/start_name.h"

#include "controls/sort_grid_data.h"
#include "display/display_state.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

StartNameFollower::StartNameFollower(const RunController& controller, const SortGridData& grid, DisplayState& display,
                                     QObject* parent)
    : QObject(parent), m_controller(controller), m_grid(grid), m_display(display) {
    connect(&controller, &RunController::stateChanged, this, &StartNameFollower::update);
    // Results written during a run do not change who is on the track.
    connect(&grid, &SortGridData::cellChanged, this, [this](int col, int) {
        if (col <= colGruppe)
            update();
    });
    connect(&grid, &SortGridData::gridReset, this, &StartNameFollower::update);
    update();
}

void StartNameFollower::update() {
    m_display.setStartName(competitorOf(m_grid, m_controller.startNumberText()).name);
}
