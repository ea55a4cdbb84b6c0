// Applies the run controller's look to a run button, with the system colours read from
// the button's palette.

#include "app/button_look.h"

#include "controls/bgr_color.h"
#include "controls/lb_speed_button.h"

#include <QPalette>

namespace {

QColor colourOf(const TLbSpeedButton& button, quint32 colour) {
    const QPalette& palette = button.palette();
    switch (colour) {
    case RunColour::clBtnFace:
        return palette.color(QPalette::Active, QPalette::Button);
    case RunColour::clBtnShadow:
        return palette.color(QPalette::Active, QPalette::Dark);
    default:
        return colorFromBgr(colour); // clNone gives the invalid colour: not drawn
    }
}

} // namespace

void applyButtonLook(TLbSpeedButton& button, const ButtonLook& look) {
    button.setEnabled(look.Enabled);
    button.setColor(colourOf(button, look.Color));
    button.setLightColor(colourOf(button, look.LightColor));
    button.setShadowColor(colourOf(button, look.ShadowColor));
}
