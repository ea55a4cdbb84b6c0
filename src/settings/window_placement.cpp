// Keeps the main window's stored place reachable: its title strip must lie on a screen far
// enough to grab, else it moves onto the primary screen.

#include "settings/window_placement.h"

#include <algorithm>
#include <limits>

namespace {

// How much of the window's top strip (its title bar) must lie on one screen
// for the official to find and drag the window.
constexpr int grabWidth = 100;
constexpr int grabHeight = 30;

bool reachable(const QRect& window, const QList<QRect>& screens) {
    const QRect topStrip(window.topLeft(), QSize(window.width(), grabHeight));
    return std::any_of(screens.begin(), screens.end(), [&topStrip](const QRect& screen) {
        const QRect visible = topStrip & screen;
        return visible.width() >= grabWidth && visible.height() >= grabHeight;
    });
}

// Keeps [start, start + length) inside [low, low + span) where it fits, else starts at low.
int clampedStart(int start, int length, int low, int span) {
    return std::max(low, std::min(start, low + span - length));
}

} // namespace

WindowPlacement mainWindowPlacement(const Settings& settings, const QList<QRect>& screens) {
    WindowPlacement placement;
    // A hand-edited size larger than the whole desktop would cost gigabytes of window memory.
    int widest = std::numeric_limits<int>::max();
    int tallest = std::numeric_limits<int>::max();
    if (!screens.isEmpty()) {
        QRect desktop;
        for (const QRect& screen : screens)
            desktop |= screen;
        widest = desktop.width();
        tallest = desktop.height();
    }
    placement.size = QSize(std::max(std::min(settings.Width, widest), mainWindowMinWidth),
                           std::max(std::min(settings.Height, tallest), mainWindowMinHeight));
    if (!settings.Left || !settings.Top)
        return placement;
    const QRect window(QPoint(*settings.Left, *settings.Top), placement.size);
    if (screens.isEmpty() || reachable(window, screens)) {
        placement.position = window.topLeft();
        return placement;
    }
    const QRect& primary = screens.first();
    placement.position = QPoint(clampedStart(window.left(), window.width(), primary.left(), primary.width()),
                                clampedStart(window.top(), window.height(), primary.top(), primary.height()));
    return placement;
}
