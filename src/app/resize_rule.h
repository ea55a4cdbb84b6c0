// The main window's resize arithmetic: protocol column widths and the status bar
// panels. Pure functions, any thread.

#pragma once

#include "protocol/protocol_table.h"

#include <QSize>
#include <QString>

#include <array>

// Widths of the ten protocol columns for a grid whose client area is gridClientWidth
// pixels wide. "Nr." is 28 px, or numberWidth when the grid's font needs more for a
// four-digit number (a clipped "4308" reads as "308"). "Platz" is 41 px when shown and -1
// (hidden) when not; "Name", "Fahrzeug" and "Gruppe" share whatever the fixed columns
// leave, 2 : 1 : 1.
std::array<int, protocolColumnCount> protocolColumnWidths(int gridClientWidth, bool showPlatz, int numberWidth = 0);

// Text of status panel 3: " 850x572" followed by seven blanks.
QString windowSizeCaption(QSize windowSize);

// Width of status panel 2: what panels 0, 1 and 3 leave of the bar, less 30.
int statusPanel2Width(int statusClientWidth, int panel0Width, int panel1Width, int panel3Width);
