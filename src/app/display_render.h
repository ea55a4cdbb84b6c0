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

// Writes every digit's value, colour and visibility and the separators' colours
// into the controls. Writes that change nothing cost nothing, so it is cheap
// enough for every clock tick. GUI thread only.
void renderDisplayState(const DisplayState& state, const DisplayDigits& controls);

// A digit as both windows' panels make it: black, lit in colour (0x00BBGGRR), 45 x 89
// at (left, top), segments 5 thick and 1 apart.
TDigit* makeDisplayDigit(QWidget* parent, quint32 colour, int left = 0, int top = 0);

// Sets one role of the widget's palette to a 0x00BBGGRR colour.
void setBgrColour(QWidget* widget, QPalette::ColorRole role, quint32 colour);
