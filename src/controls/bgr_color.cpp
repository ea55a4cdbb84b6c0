// Turns a stored 0x00BBGGRR colour word into a QColor.

#include "controls/bgr_color.h"

QColor colorFromBgr(quint32 bgr) {
    if (bgr == BgrNone)
        return {};
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
