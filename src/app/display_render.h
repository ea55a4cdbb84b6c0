#pragma once

#include "app/display_state.h"

#include <array>

class QLabel;
class TDigit;

// The controls one window shows the display state in: the thirteen digits in
// DigitId order and the three separator labels.
struct DisplayDigits {
    std::array<TDigit*, digitCount> digits{};
    QLabel* LabMin = nullptr;
    QLabel* LabSec = nullptr;
    QLabel* LabSec2 = nullptr;
};

// Writes every digit's value, colour and visibility and the separators' colours
// into the controls. Writes that change nothing cost nothing, so it is cheap
// enough for every clock tick. GUI thread only.
void renderDisplayState(const DisplayState& state, const DisplayDigits& controls);
