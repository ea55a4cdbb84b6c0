// Renders the display state into a window's digits and separator labels.

#pragma once

#include "display/display_state.h"

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

// The digits and separator labels of a window's display panel, named alike in both
// windows. Each window makes them, as children of its own panel, in its constructor.
struct DisplayDigitWidgets {
    // Upper row: minutes . seconds , thousandths.
    TDigit* Digit10M = nullptr;
    TDigit* Digit4 = nullptr;
    QLabel* LabMin = nullptr;
    TDigit* Digit5 = nullptr;
    TDigit* Digit6 = nullptr;
    QLabel* LabSec = nullptr;
    TDigit* Digit7 = nullptr;
    TDigit* Digit8 = nullptr;
    TDigit* Digit9 = nullptr;

    // Lower row: seconds (up to 999) , thousandths, or a speed.
    TDigit* Digit1 = nullptr;
    TDigit* Digit2 = nullptr;
    TDigit* Digit3 = nullptr;
    QLabel* LabSec2 = nullptr;
    TDigit* Digit0 = nullptr;
    TDigit* Digit10 = nullptr;
    TDigit* Digit20 = nullptr;

    // The digits in DigitId order and the separators, for rendering the display state.
    DisplayDigits displayDigits() const;
};

// Writes every digit's value, colour and visibility and the separators' colours
// into the controls. Writes that change nothing cost nothing, so it is cheap
// enough for every clock tick. GUI thread only.
void renderDisplayState(const DisplayState& state, const DisplayDigits& controls);

// A digit as both windows' panels make it: black, lit in colour (0x00BBGGRR), 45 x 89
// at (left, top), segments 5 thick and 1 apart.
TDigit* makeDisplayDigit(QWidget* parent, quint32 colour, int left = 0, int top = 0);

// Sets one role of the widget's palette to a 0x00BBGGRR colour.
void setBgrColour(QWidget* widget, QPalette::ColorRole role, quint32 colour);
