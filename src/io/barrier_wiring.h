// Which light barrier sits on which modem-status line: the one table the run, the port, the
// settings dialog, the stored levels and the window's icons read.

#pragma once

#include "io/com_types.h"

#include <QtGlobal>

#include <array>
#include <cstddef>

// The four light barriers, in the order of the "Alg" levels and of the icons.
enum class Barrier { L1, L2, L3, L4 };
inline constexpr int barrierCount = 4;
inline constexpr std::array<Barrier, barrierCount> allBarriers{Barrier::L1, Barrier::L2, Barrier::L3, Barrier::L4};

// One barrier's wiring: its contact joins an output line (DTR, or RTS once the port is open
// with RTS/CTS) to an input line of the modem-status word.
struct BarrierWiring {
    quint32 line;            // MS_*_ON bit of the input line
    bool poweredByRts;       // L3 and L4: live only after the split's reopen with RTS/CTS
    const char* dialogLabel; // the settings dialog's row label with the connector pins
    const char* iconName;    // the main window's icon beside the run button
    const char* iconHint;
};

inline constexpr std::array<BarrierWiring, barrierCount> barrierWirings{{
    {MS_DSR_ON, false, "START  [4+6]:", "ImageLSstart", "[F11] L1 On/Off"},
    {MS_RLSD_ON, false, "Zw.Zeit  [1+4]:", "ImageLSreakt", "L2 On/Off"},
    {MS_CTS_ON, true, "Vmax.  [7+8]:", "ImageLSmax", "L3 On/Off"},
    {MS_RING_ON, true, "STOPP  [7+9]:", "ImageLSstop", "[F12] L4 On/Off"},
}};

constexpr std::size_t barrierIndex(Barrier b) {
    return std::size_t(b);
}

constexpr const BarrierWiring& wiringOf(Barrier b) {
    return barrierWirings[barrierIndex(b)];
}

// Active line level (0 off, 1 on) of each barrier, stored as "Alg".
using AlgLevels = std::array<qint32, barrierCount>;
