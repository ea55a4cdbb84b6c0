#pragma once

#include <QtGlobal>

#include <optional>

class TLbSpeedButton;

// The look of the run buttons when they are enabled and disabled. GUI thread only.

// Colours of an enabled run button as 0x00BBGGRR words; no shadow means it stays as it is.
struct RunButtonColours {
    quint32 color;
    quint32 lightColor;
    std::optional<quint32> shadowColor;
};

inline constexpr RunButtonColours bStartColours{0x008000, 0xC0FFC0, 0x00C000};
inline constexpr RunButtonColours bStopColours{0x0000FF, 0x9090FF, 0x0000C0};
inline constexpr RunButtonColours bResetColours{0x808080, 0x000000, std::nullopt};
inline constexpr RunButtonColours bAvariaColours{0x008080, 0x00FFFF, std::nullopt};
inline constexpr RunButtonColours bZwZeitColours{0x01BEB0, 0x004A4A, std::nullopt};
inline constexpr RunButtonColours bVmaxColours{0x0473AE, 0x002346, std::nullopt};
// bFreigabe is always enabled and keeps these.
inline constexpr RunButtonColours bFreigabeColours{0x808000, 0xFFFF00, 0x404000};

// Enables or disables the button and sets its colours: enabled ones take `colours`,
// disabled ones the button face, a shadow-coloured light and no outline.
void setButtonState(TLbSpeedButton& button, const RunButtonColours& colours, bool enabled);
