#include "app/display_render.h"

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
