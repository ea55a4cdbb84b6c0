// The resize arithmetic: the fixed protocol columns, the text columns sharing the rest 2:1:1,
// and the window-size caption.

#include "app/resize_rule.h"

#include <algorithm>
#include <numeric>

std::array<int, protocolColumnCount> protocolColumnWidths(int gridClientWidth, bool showPlatz, int numberWidth) {
    std::array<int, protocolColumnCount> widths{std::max(28, numberWidth), 0, 96, 110, 67, 57, 57, 57, 67,
                                                42 * int(showPlatz) - 1};
    const int fixed = std::accumulate(widths.begin(), widths.end(), 0); // column 1 is still 0
    widths[1] = gridClientWidth - fixed - protocolColumnCount;
    // A grid narrower than its fixed columns gives the three text columns nothing rather than
    // negative widths, which would hide them.
    const int shared = std::max(0, widths[1] + widths[2] + widths[3]);
    widths[1] = shared * 50 / 100;
    widths[2] = shared * 25 / 100;
    widths[3] = shared * 25 / 100;
    return widths;
}

QString windowSizeCaption(QSize windowSize) {
    return QStringLiteral(" %1x%2       ").arg(windowSize.width()).arg(windowSize.height());
}

int statusPanel2Width(int statusClientWidth, int panel0Width, int panel1Width, int panel3Width) {
    return statusClientWidth - panel0Width - panel1Width - panel3Width - 30;
}
