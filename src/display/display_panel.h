// The main window's black digit panel, holding the controls the display state is rendered into.

#pragma once

#include "display/display_render.h"

#include <QFrame>

class DisplayState;
class QComboBox;
class QLabel;
class QSpinBox;
class TDigit;

// The main window's black display panel PanelDisplay (410 x 283): the start-number
// fields, the upper digit row (running and final time), the result selector and
// the lower digit row (split time, end time or speed), at their fixed design
// positions. It only holds the controls; what they show is rendered into them
// (the digits and separators are its DisplayDigitWidgets).
// GUI thread only.
class DisplayPanel : public QFrame, public DisplayDigitWidgets {
    Q_OBJECT

public:
    static constexpr int panelWidth = 410;
    static constexpr int panelHeight = 283;

    explicit DisplayPanel(QWidget* parent = nullptr);

    QLabel* const LabelStartN1; // "Start-Nr.:"
    QSpinBox* const editStartN1;
    QLabel* const LabelStartN2; // "Bereit:"
    QSpinBox* const editStartN2;

    QComboBox* const cbParam2;
    QLabel* const LabelTime2; // "Zwischenzeit:", always hidden here

    // The competitor on "Start-Nr." by name, under the field; empty when unknown.
    QLabel* const LabelStartName;
    // Beside the selector, what the lower digits show (the split during a run, the chosen
    // result after it): the selector alone names the result also while the split is shown.
    QLabel* const LabelLowerShows;

    // The texts of the display state this panel shows besides the digits.
    void renderCaptions(const DisplayState& state);
};
