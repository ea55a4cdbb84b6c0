// The program's settings with their built-in defaults: read once at start, changed by the
// settings dialog, written once at a normal end.

#pragma once

#include "io/barrier_wiring.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

inline constexpr int mainWindowMinWidth = 850;
inline constexpr int mainWindowMinHeight = 572;

inline constexpr int webPortPreset = 8080;

// The program-wide settings with their built-in defaults. They are read once at
// start, changed only by the settings dialog and written once at a normal end.
// A plain value; owned by the main window and used on the GUI thread only.
struct Settings {
    std::optional<int> Left; // unset: the window system places the main window
    std::optional<int> Top;
    int Width = mainWindowMinWidth;
    int Height = mainWindowMinHeight;
    bool Sound = true;
    int Port = 0; // light-barrier port number n of "COM" n; 0 = none; one the program does not know stays as stored
    int FilterInd = 1;
    int Length = 0; // none stored; the settings dialog makes it 100
    int Monitor = 0;
    QString Title = QStringLiteral("Tarvolt");
    int LengthF = 10;
    int LengthS = 50;
    int WaitStart = 0;
    bool ColSpeed0 = false;
    bool ColSpeed1 = true;
    bool ManyStart = true;
    int Param2 = 0;
    bool ShowPlatz = true;
    AlgLevels Alg{1, 0, 0, 0};
    bool LuchVmax = true;
    bool LuchZwZeit = true;
    // Written as "ColSpeed2" but never read: the traffic-light click is on at every start.
    bool lightEnabled = true;
    // The live results on the local network: off until the official turns them on.
    bool WebOn = false;
    int WebPort = webPortPreset; // 0: any free port (for tests)
    QString WebInterface;        // the one network interface to serve on ("wlan0"); empty: every one
    // How the standings count a competitor's runs: 1 the best run, 2 or 3 the sum of the best.
    int Wertung = 1;

    bool operator==(const Settings&) const = default;
};

// Track length preset of the settings dialog's length field.
inline constexpr int lengthPreset = 100;

// A track length of 0 means none was stored; the settings dialog's creation gives it the preset.
int lengthWithPreset(int length);

// The spectator monitor index, kept within the attached screens (0 when it no longer fits).
int checkedMonitorIndex(int monitor, int screenCount);
