// The colours and enabled state the run controller gives a run button, put on the button.

#pragma once

#include "run/run_controller.h"

class TLbSpeedButton;

// Shows a run button as the run controller wants it: enabled state and colours,
// the system colours taken from the button's palette. GUI thread only.
void applyButtonLook(TLbSpeedButton& button, const ButtonLook& look);

// bFreigabe is always enabled and keeps its own teal colours.
inline constexpr ButtonLook bFreigabeLook{true, 0x808000, 0xFFFF00, 0x404000};
