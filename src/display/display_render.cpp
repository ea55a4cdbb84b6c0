// Writing the display state into the digit controls of either window.

#include "display/display_render.h"

#include "controls/bgr_color.h"
#include "controls/digit.h"

#include <QLabel>

namespace {

void setTextColour(QLabel* label, quint32 bgr) {
    if (!label)
        return;
    const QColor colour = colorFromBgr(bgr);
    if (label->palette().color(QPalette::WindowText) == colour)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

DisplayDigits DisplayDigitWidgets::displayDigits() const {
    DisplayDigits controls;
    controls.digits = {Digit10M, Digit4, Digit5, Digit6, Digit7,  Digit8, Digit9,
                       Digit1,   Digit2, Digit3, Digit0, Digit10, Digit20};
    controls.LabMin = LabMin;
    controls.LabSec = LabSec;
    controls.LabSec2 = LabSec2;
    return controls;
}

void renderDisplayState(const DisplayState& state, const DisplayDigits& controls) {
    for (int i = 0; i < digitCount; ++i) {
        TDigit* digit = controls.digits[static_cast<std::size_t>(i)];
        if (!digit)
            continue;
        const DigitState& shown = state.digit(DigitId(i));
        digit->setValue(shown.value);
        digit->setColorOn(colorFromBgr(shown.colorOn));
        if (digit->isVisibleTo(digit->parentWidget()) != shown.visible)
            digit->setVisible(shown.visible);
    }
    setTextColour(controls.LabMin, state.LabMinColor());
    setTextColour(controls.LabSec, state.LabSecColor());
    setTextColour(controls.LabSec2, DisplayState::LabSec2Color());
}

TDigit* makeDisplayDigit(QWidget* parent, quint32 colour, int left, int top) {
    auto* digit = new TDigit(parent);
    digit->setGeometry(left, top, 45, 89);
    digit->setColor(Qt::black);
    digit->setColorOff(Qt::black);
    digit->setColorOn(colorFromBgr(colour));
    digit->setThickness(5);
    digit->setSeparation(1);
    return digit;
}

void setBgrColour(QWidget* widget, QPalette::ColorRole role, quint32 colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colorFromBgr(colour));
    widget->setPalette(palette);
}
