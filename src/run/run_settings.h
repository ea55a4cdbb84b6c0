// The settings the run controller reads.

#pragma once

#include <QtGlobal>

#include <array>

// The settings the run controller reads, named as stored. The owner copies them
// from the settings store at start-up and after the settings dialog.
// Plain value, any thread.
struct RunSettings {
    bool ManyStart = true;                 // every start gets its own protocol row
    bool LuchZwZeit = true;                // split barrier L2 fitted
    bool LuchVmax = true;                  // speed-trap barrier L3 fitted
    qint32 WaitStart = 0;                  // start lock-out in ms; <= 0 means the 200 ms default
    std::array<qint32, 4> Alg{1, 0, 0, 0}; // active level of L1, L2, L3, L4 (0 or 1)
    bool lightEnabled = true;              // traffic-light picture in use
    qint32 Length = 100;                   // start to finish, metres
    qint32 LengthF = 10;                   // speed-trap entry to finish, metres
    bool cbPlatzOn = true;                 // the hidden "Rang o. Rank" switch: rank (true) or empty "Platz"
};
