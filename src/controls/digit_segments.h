// The shapes of a seven-segment digit's bars and point, for a digit of any size.

#pragma once

#include <QPolygon>

#include <array>

// Segment index i of the returned array belongs to bit i of a digit's segment
// pattern: top, middle, bottom, upper left, upper right, lower left, lower right,
// point. Coordinates are relative to the digit's top-left corner.
enum DigitSegment {
    SegmentTop,
    SegmentMiddle,
    SegmentBottom,
    SegmentUpperLeft,
    SegmentUpperRight,
    SegmentLowerLeft,
    SegmentLowerRight,
    SegmentPoint,
    DigitSegmentCount
};

// The eight segment shapes of a seven-segment digit of the given size. `thickness`
// is half the bar width, `separation` the gap between neighbouring segments.
std::array<QPolygon, DigitSegmentCount> digitSegmentPolygons(int width, int height, int thickness, int separation);
