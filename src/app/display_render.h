#pragma once

#include "app/display_state.h"

#include <QPalette>

#include <array>

class QLabel;
class QWidget;
class TDigit;

// The controls one window shows the display state in: the thirteen digits in
// DigitId order and the three separator labels.
struct DisplayDigits {
    std::array<TDigit*, digitCount> digits{};
    QLabel* LabMin = nullptr;
    QLabel* LabSec = nullptr;
    QLabel* LabSec2 = nullptr;
};

// The display controls of a panel that names them as both windows do.
template <typename Panel> DisplayDigits displayDigitsOf(const Panel& p) {
    DisplayDigits controls;
    controls.digits = {p.Digit10M, p.Digit4, p.Digit5, p.Digit6, p.Digit7,  p.Digit8, p.Digit9,
                       p.Digit1,   p.Digit2, p.Digit3, p.Digit0, p.Digit10, p.Digit20};
    controls.LabMin = p.LabMin;
    controls.LabSec = p.LabSec;
    controls.LabSec2 = p.LabSec2;
    return controls;
}

// Writes every digit's value, colour and visibility and the separators' colours
// into the controls. Writes that change nothing cost nothing, so it is cheap
// enough for every clock tick. GUI thread only.
void renderDisplayState(const DisplayState& state, const DisplayDigits& controls);

// A digit as both windows' panels make it: black, lit in colour (0x00BBGGRR), 45 x 89
// at (left, top), segments 5 thick and 1 apart.
TDigit* makeDisplayDigit(QWidget* parent, quint32 colour, int left = 0, int top = 0);

// Sets one role of the widget's palette to a 0x00BBGGRR colour.
void setBgrColour(QWidget* widget, QPalette::ColorRole role, quint32 colour);
