#pragma once

#include "app/display_render.h"

#include <QFrame>

class QComboBox;
class QLabel;
class QSpinBox;
class TDigit;

// The main window's black display panel PanelDisplay (410 x 283): the start-number
// fields, the upper digit row (running and final time), the result selector and
// the lower digit row (split time, end time or speed), at their fixed design
// positions. It only holds the controls; what they show is rendered into them.
// GUI thread only.
class DisplayPanel : public QFrame {
    Q_OBJECT

public:
    static constexpr int panelWidth = 410;
    static constexpr int panelHeight = 283;

    explicit DisplayPanel(QWidget* parent = nullptr);

    // The digits and separators, for rendering the display state.
    DisplayDigits displayDigits() const;

    QLabel* const LabelStartN1; // "Start-Nr.:"
    QSpinBox* const editStartN1;
    QLabel* const LabelStartN2; // "Bereit:"
    QSpinBox* const editStartN2;

    // Upper row: minutes . seconds , thousandths.
    TDigit* const Digit10M;
    TDigit* const Digit4;
    QLabel* const LabMin;
    TDigit* const Digit5;
    TDigit* const Digit6;
    QLabel* const LabSec;
    TDigit* const Digit7;
    TDigit* const Digit8;
    TDigit* const Digit9;

    QComboBox* const cbParam2;
    QLabel* const LabelTime2; // "Zwischenzeit:", always hidden here

    // Lower row: seconds (up to 999) , thousandths.
    TDigit* const Digit1;
    TDigit* const Digit2;
    TDigit* const Digit3;
    QLabel* const LabSec2;
    TDigit* const Digit0;
    TDigit* const Digit10;
    TDigit* const Digit20;
};
