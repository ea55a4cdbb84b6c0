#include "app/run_buttons.h"

#include "controls/bgr_color.h"
#include "controls/lb_speed_button.h"

#include <QPalette>

void setButtonState(TLbSpeedButton& button, const RunButtonColours& colours, bool enabled) {
    button.setEnabled(enabled);
    if (!enabled) {
        const QPalette palette = button.palette();
        button.setColor(palette.color(QPalette::Active, QPalette::Button));
        button.setLightColor(palette.color(QPalette::Active, QPalette::Dark));
        button.setShadowColor(colorFromBgr(BgrNone));
        return;
    }
    button.setColor(colorFromBgr(colours.color));
    button.setLightColor(colorFromBgr(colours.lightColor));
    if (colours.shadowColor)
        button.setShadowColor(colorFromBgr(*colours.shadowColor));
}
