#include "controls/digit_segments.h"

#include <QTest>

using Points = QList<QPoint>;

class TestDigitSegments : public QObject {
    Q_OBJECT

private slots:
    void shapes_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("thickness");
        QTest::addColumn<int>("separation");
        QTest::addColumn<int>("segment");
        QTest::addColumn<Points>("points");

        // The main window's digit: 45 x 89, thickness 5, separation 1.
        auto big = [](const char* name, DigitSegment segment, const Points& points) {
            QTest::newRow(name) << 45 << 89 << 5 << 1 << int(segment) << points;
        };
        big("45x89 top", SegmentTop, {{6, 5}, {11, 0}, {33, 0}, {38, 5}, {33, 10}, {11, 10}});
        big("45x89 middle", SegmentMiddle, {{6, 44}, {11, 39}, {33, 39}, {38, 44}, {33, 49}, {11, 49}});
        big("45x89 bottom", SegmentBottom, {{6, 83}, {11, 78}, {33, 78}, {38, 83}, {33, 88}, {11, 88}});
        big("45x89 upper left", SegmentUpperLeft, {{0, 11}, {5, 6}, {10, 11}, {10, 38}, {5, 43}, {0, 38}});
        big("45x89 upper right", SegmentUpperRight, {{34, 11}, {39, 6}, {44, 11}, {44, 38}, {39, 43}, {34, 38}});
        big("45x89 lower left", SegmentLowerLeft, {{0, 50}, {5, 45}, {10, 50}, {10, 77}, {5, 82}, {0, 77}});
        big("45x89 lower right", SegmentLowerRight, {{34, 50}, {39, 45}, {44, 50}, {44, 77}, {39, 82}, {34, 77}});
        big("45x89 point", SegmentPoint, {{44, 88}, {35, 88}, {44, 79}});

        // A narrow digit with an odd last row: last column 39 differs from the
        // half height 44, which 45 x 89 cannot tell apart, and 89 / 2 truncates.
        auto narrow = [](const char* name, DigitSegment segment, const Points& points) {
            QTest::newRow(name) << 40 << 90 << 4 << 2 << int(segment) << points;
        };
        narrow("40x90 top", SegmentTop, {{6, 4}, {10, 0}, {29, 0}, {33, 4}, {29, 8}, {10, 8}});
        narrow("40x90 middle", SegmentMiddle, {{6, 44}, {10, 40}, {29, 40}, {33, 44}, {29, 48}, {10, 48}});
        narrow("40x90 bottom", SegmentBottom, {{6, 85}, {10, 81}, {29, 81}, {33, 85}, {29, 89}, {10, 89}});
        narrow("40x90 upper left", SegmentUpperLeft, {{0, 10}, {4, 6}, {8, 10}, {8, 38}, {4, 42}, {0, 38}});
        narrow("40x90 upper right", SegmentUpperRight, {{31, 10}, {35, 6}, {39, 10}, {39, 38}, {35, 42}, {31, 38}});
        narrow("40x90 lower left", SegmentLowerLeft, {{0, 50}, {4, 46}, {8, 50}, {8, 78}, {4, 82}, {0, 78}});
        narrow("40x90 lower right", SegmentLowerRight, {{31, 50}, {35, 46}, {39, 50}, {39, 78}, {35, 82}, {31, 78}});
        narrow("40x90 point", SegmentPoint, {{39, 89}, {33, 89}, {39, 83}});
    }
    void shapes() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, thickness);
        QFETCH(int, separation);
        QFETCH(int, segment);
        QFETCH(Points, points);
        const auto segments = digitSegmentPolygons(width, height, thickness, separation);
        QCOMPARE(Points(segments[std::size_t(segment)]), points);
    }
};

QTEST_GUILESS_MAIN(TestDigitSegments)
#include "test_digit_segments.moc"
