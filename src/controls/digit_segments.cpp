// The pointed bars of a seven-segment digit, sized from the digit's width, height, bar
// thickness and gaps.

#include "controls/digit_segments.h"

namespace {

// Bar with pointed ends, lying horizontally with its top edge at `top`.
QPolygon horizontalBar(int w, int top, int t, int s) {
    return QPolygon({QPoint(s + t, top + t), QPoint(2 * t + s, top), QPoint(w - 2 * t - s, top),
                     QPoint(w - t - s, top + t), QPoint(w - 2 * t - s, top + 2 * t), QPoint(2 * t + s, top + 2 * t)});
}

// Bar with pointed ends, standing upright with its left edge at `left`, spanning
// half the digit's height from `top`.
QPolygon verticalBar(int left, int top, int m, int t, int s) {
    return QPolygon({QPoint(left, top + 2 * t + s), QPoint(left + t, top + t + s),
                     QPoint(left + 2 * t, top + 2 * t + s), QPoint(left + 2 * t, top + m - t - s),
                     QPoint(left + t, top + m - s), QPoint(left, top + m - t - s)});
}

} // namespace

std::array<QPolygon, DigitSegmentCount> digitSegmentPolygons(int width, int height, int thickness, int separation) {
    // Last pixel column and row, so the shapes reach the edges without leaving them.
    const int w = width - 1;
    const int h = height - 1;
    const int t = thickness;
    const int s = separation;
    const int m = h / 2;
    const int right = w - 2 * t;
    const int lower = m - t;

    std::array<QPolygon, DigitSegmentCount> segments;
    segments[SegmentTop] = horizontalBar(w, 0, t, s);
    segments[SegmentMiddle] = horizontalBar(w, m - t, t, s);
    segments[SegmentBottom] = horizontalBar(w, h - 2 * t, t, s);
    segments[SegmentUpperLeft] = verticalBar(0, 0, m, t, s);
    segments[SegmentUpperRight] = verticalBar(right, 0, m, t, s);
    segments[SegmentLowerLeft] = verticalBar(0, lower, m, t, s);
    segments[SegmentLowerRight] = verticalBar(right, lower, m, t, s);
    segments[SegmentPoint] = QPolygon({QPoint(w, h), QPoint(w - 2 * t + s, h), QPoint(w, h - 2 * t + s)});
    return segments;
}
