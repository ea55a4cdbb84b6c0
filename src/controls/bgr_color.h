// Colours as the settings and the run controller store them, 0x00BBGGRR words, and the
// value that means "no colour".

#pragma once

#include <QColor>

// The colour value that means "no colour" in stored 0x00BBGGRR colour words.
inline constexpr quint32 BgrNone = 0x1FFFFFFF;

// Converts a 0x00BBGGRR colour word into a QColor. BgrNone becomes an invalid
// QColor, which the drawn controls read as "none" (not drawn / not used).
// Only plain RGB words are meaningful; the high byte is otherwise ignored.
QColor colorFromBgr(quint32 bgr);
