// Where the main window opens: its stored bounds, kept within reach on today's screens.

#pragma once

#include "settings/settings.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the main window opens: the stored bounds, kept within reach on the
// current screens. Pure function of its inputs, any thread.
struct WindowPlacement {
    std::optional<QPoint> position; // unset: let the window system place the window
    QSize size;
};

// screens: the geometries of the attached screens, primary first. The size is at most
// the desktop's (all screens together) and at least the main window's minimum; a
// window whose top edge cannot be grabbed on any screen is moved onto the primary
// screen, as near to its stored place as fits.
WindowPlacement mainWindowPlacement(const Settings& settings, const QList<QRect>& screens);
