// Scales the main window's digit panel to the spectator window's size, rectangles and fonts
// rounded half to even.

#include "monitor/monitor_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int nearestEven(double x) {
    // The default rounding mode rounds halves to even.
    return static_cast<int>(std::nearbyint(x));
}

int fontPixels(int points) {
    return nearestEven(points * 96.0 / 72.0);
}

QRect scaledRect(const QRect& rect, double scaleX, double scaleY) {
    const int left = nearestEven(rect.x() * scaleX);
    const int top = nearestEven(rect.y() * scaleY);
    const int right = nearestEven((rect.x() + rect.width()) * scaleX);
    const int bottom = nearestEven((rect.y() + rect.height()) * scaleY);
    return QRect(left, top, right - left, bottom - top);
}

MonitorLayout layoutMonitor(const MonitorLayoutSource& source, QSize size) {
    MonitorLayout layout;
    const int width = size.width();
    const int height = size.height();
    if (source.panelWidth > 0)
        layout.scale = double(width) / source.panelWidth;
    const double scale = layout.scale;

    // The caption lines and the title take their height from a font scaled off the main caption.
    layout.captionFontSize = nearestEven(source.captionFontSize * scale * 0.9);
    const int captionPixels = fontPixels(layout.captionFontSize);
    const int lineHeight = nearestEven(captionPixels * 1.3);
    const int titleHeight = std::abs(nearestEven(captionPixels * 1.15));

    // Both digit rows share what the three lines and the title leave.
    const int digitHeight = std::max(0, (height - lineHeight - titleHeight - 2 * lineHeight) / 2);
    const int upperTop = titleHeight + lineHeight;
    const int lowerTop = height - digitHeight - lineHeight / 2;

    for (int i = 0; i < digitCount; ++i) {
        const std::size_t k = std::size_t(i);
        const QRect scaled = scaledRect(source.digits[k], scale, scale);
        const bool upper = i <= int(DigitId::Digit9);
        layout.digits[k] = QRect(scaled.x(), upper ? upperTop : lowerTop, scaled.width(), digitHeight);
        layout.thickness[k] = nearestEven(source.thickness[k] * scale);
    }

    for (int i = 0; i < separatorCount; ++i) {
        const std::size_t k = std::size_t(i);
        layout.separators[k] = scaledRect(source.separators[k], scale, scale);
        layout.separatorFontSize[k] = nearestEven(source.separatorFontSize[k] * scale);
    }
    // The upper separators sit on the digits' foot as in the main panel; the lower one keeps
    // the same offset from its row.
    QRect& labMin = layout.separators[std::size_t(SeparatorId::LabMin)];
    labMin.moveTop(upperTop + digitHeight - labMin.height() * 73 / 100);
    QRect& labSec = layout.separators[std::size_t(SeparatorId::LabSec)];
    labSec.moveTop(labMin.y());
    layout.separators[std::size_t(SeparatorId::LabSec2)].moveTop(lowerTop + labSec.y() - upperTop);

    layout.PanelTitle = QRect(0, 0, width, titleHeight);
    layout.PanelLab1 = QRect(0, titleHeight, width, lineHeight);
    layout.PanelLab2 = QRect(0, lowerTop - lineHeight, width, lineHeight);
    return layout;
}
