// How the spectator window copies the main window's digit panel at another size: the
// rectangles and font sizes, computed without widgets.

#pragma once

#include "display/display_state.h"

#include <QRect>
#include <QSize>

#include <array>

// The separator labels of a digit panel, in panel order.
enum class SeparatorId { LabMin, LabSec, LabSec2 };
inline constexpr int separatorCount = 3;

// The main window's digit panel as the spectator window copies it, read from the
// main window's controls at layout time. Rectangles are in panel pixels, font sizes
// in points.
struct MonitorLayoutSource {
    int panelWidth = 0; // the left edge of the right-hand frame minus the width of the left-hand one
    std::array<QRect, digitCount> digits{}; // DigitId order
    std::array<int, digitCount> thickness{};
    std::array<QRect, separatorCount> separators{}; // SeparatorId order
    std::array<int, separatorCount> separatorFontSize{};
    int captionFontSize = 0; // the main window's result caption
};

// Where everything of the spectator window goes for one window size: the scaled
// copy of the main panel, its digit rows stretched to the window's height.
// Font sizes are in points.
struct MonitorLayout {
    double scale = 1.0;      // ScaleX and ScaleY alike
    int captionFontSize = 0; // PanelTitle, PanelLab1, PanelLab2
    QRect PanelTitle;
    QRect PanelLab1;
    QRect PanelLab2;
    std::array<QRect, digitCount> digits{};
    std::array<int, digitCount> thickness{};
    std::array<QRect, separatorCount> separators{};
    std::array<int, separatorCount> separatorFontSize{};
};

// x taken to the nearest integer, halves to even.
int nearestEven(double x);
// Pixels of a font of `points` at the 96 dots per inch the panel was designed for.
int fontPixels(int points);
// Left and right times scaleX, top and bottom times scaleY, each to the nearest (halves to even).
QRect scaledRect(const QRect& rect, double scaleX, double scaleY);
// Lays the spectator window out for a window of `size` (the monitor's size).
MonitorLayout layoutMonitor(const MonitorLayoutSource& source, QSize size);
