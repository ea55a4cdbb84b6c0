#include "controls/bgr_color.h"
#include "controls/lb_speed_button_geometry.h"

#include <QTest>

Q_DECLARE_METATYPE(TLbSpeedButtonLayout)

namespace {

// Every character 7 pixels wide, one line 13 pixels high.
LbCaptionMeasure fixedMeasure() {
    return {[](const QString& text) { return 7 * int(text.size()); },
            [](const QString& text, int) { return QSize(7 * int(text.size()), 13); }};
}

} // namespace

class TestLbSpeedButtonGeometry : public QObject {
    Q_OBJECT

private slots:
    void colorFromBgrWords_data() {
        QTest::addColumn<quint32>("bgr");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("START green") << quint32(0x008000) << QColor(0, 0x80, 0);
        QTest::newRow("FINISH red") << quint32(0x0000FF) << QColor(0xFF, 0, 0);
        QTest::newRow("Zw.Zeit") << quint32(0x01BEB0) << QColor(0xB0, 0xBE, 0x01);
        QTest::newRow("none") << BgrNone << QColor();
    }
    void colorFromBgrWords() {
        QFETCH(quint32, bgr);
        QFETCH(QColor, expected);
        QCOMPARE(colorFromBgr(bgr), expected);
    }

    void mixTruncatesEachComponent_data() {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QColor>("hot");
        QTest::addColumn<int>("level");
        QTest::addColumn<QColor>("expected");
        const QColor green(0, 0x80, 0);
        const QColor light(0x80, 0xFF, 0x80);
        QTest::newRow("unlit") << green << light << 0 << green;
        QTest::newRow("full") << green << light << 8 << light;
        // 0x80*3/8 = 48; (0x80*5 + 0xFF*3)/8 = 175.6
        QTest::newRow("level 3") << green << light << 3 << QColor(48, 175, 48);
        // 255 * 7/8 = 223.1; 255 / 8 = 31.9
        QTest::newRow("falling") << QColor(255, 255, 0) << QColor(0, 0, 255) << 1 << QColor(223, 223, 31);
    }
    void mixTruncatesEachComponent() {
        QFETCH(QColor, color);
        QFETCH(QColor, hot);
        QFETCH(int, level);
        QFETCH(QColor, expected);
        QCOMPARE(lbMixColor(color, hot, level), expected);
    }

    void faceColour_data() {
        QTest::addColumn<QColor>("hot");
        QTest::addColumn<QColor>("whenDown");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<QColor>("expected");
        const QColor red(255, 0, 0);
        const QColor blue(0, 0, 255);
        QTest::newRow("lit") << red << QColor() << true << false << red;
        QTest::newRow("no hot colour") << QColor() << QColor() << true << false << QColor(Qt::gray);
        QTest::newRow("disabled stays unlit") << red << QColor() << false << false << QColor(Qt::gray);
        QTest::newRow("pressed keeps lit face") << red << QColor() << true << true << red;
        QTest::newRow("pressed colour wins") << red << blue << true << true << blue;
    }
    void faceColour() {
        QFETCH(QColor, hot);
        QFETCH(QColor, whenDown);
        QFETCH(bool, enabled);
        QFETCH(bool, pressed);
        QFETCH(QColor, expected);
        QCOMPARE(lbFaceColor(QColor(Qt::gray), hot, whenDown, LbFullLight, enabled, pressed), expected);
    }

    void gradientBandsOfFullSpan() {
        // span 31: each band starts one row lower and is two rows high.
        const auto bands = lbGradientBands(2, 33, QColor(0, 0, 0), QColor(31, 62, 255));
        QCOMPARE(bands.size(), 32);
        QCOMPARE(bands[0].top, 2);
        QCOMPARE(bands[0].height, 2);
        QCOMPARE(bands[0].color, QColor(0, 0, 0));
        QCOMPARE(bands[10].top, 12);
        QCOMPARE(bands[10].color, QColor(10, 20, 82)); // 255*10/31 = 82.3
        QCOMPARE(bands[30].top, 32);
        QCOMPARE(bands[30].height, 1); // cut at the bottom
        QCOMPARE(bands[31].top, 33);
        QCOMPARE(bands[31].height, 0);
        QCOMPARE(bands[31].color, QColor(31, 62, 255));
    }

    void gradientColourTruncatesTheWholeValue() {
        // 255 - 255/31 = 246.8: the whole value is truncated, not the step.
        const auto bands = lbGradientBands(0, 31, QColor(255, 255, 255), QColor(0, 0, 0));
        QCOMPARE(bands[1].color, QColor(246, 246, 246));
    }

    // The rows of a run button's upper gradient (height 33: y 2 to 8): every
    // row gets exactly the colour of the last band that starts on it.
    void gradientOfShortSpanCoversEveryRowOnce() {
        const auto bands = lbGradientBands(2, 8, QColor(0, 0, 0), QColor(0, 0, 248));
        QList<int> lastBandOfRow(10, -1);
        for (int i = 0; i < bands.size(); ++i) {
            for (int y = bands[i].top; y < bands[i].top + bands[i].height; ++y)
                lastBandOfRow[y] = i;
        }
        const QList<int> expected{-1, -1, 5, 10, 15, 20, 25, 30, -1, -1};
        QCOMPARE(lastBandOfRow, expected);
        QCOMPARE(bands[30].color, QColor(0, 0, 240));
    }

    void gradientOfEmptySpanPaintsNothing() {
        for (const auto& band : lbGradientBands(2, 1, Qt::white, Qt::black))
            QCOMPARE(band.height, 0);
    }

    void glyphCell_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<int>("numGlyphs");
        QTest::addColumn<int>("cell");
        QTest::newRow("no picture") << true << false << false << 0 << -1;
        QTest::newRow("normal") << true << false << false << 4 << 0;
        QTest::newRow("hot") << true << true << false << 4 << 3;
        QTest::newRow("hot, three cells") << true << true << false << 3 << 0;
        QTest::newRow("pressed") << true << false << true << 3 << 2;
        QTest::newRow("pressed, two cells") << true << false << true << 2 << 0;
        QTest::newRow("pressed wins over hot") << true << true << true << 4 << 2;
        QTest::newRow("disabled") << false << false << false << 2 << 1;
        QTest::newRow("disabled wins") << false << true << true << 4 << 1;
        QTest::newRow("disabled, one cell") << false << false << false << 1 << -1;
    }
    void glyphCell() {
        QFETCH(bool, enabled);
        QFETCH(bool, hot);
        QFETCH(bool, pressed);
        QFETCH(int, numGlyphs);
        QFETCH(int, cell);
        QCOMPARE(lbGlyphCell(enabled, hot, pressed, numGlyphs), cell);
    }

    void captionAndGlyphPlacement_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("hasGlyph");
        QTest::addColumn<TLbSpeedButtonLayout>("layout");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<int>("pressOffset");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QRect>("textRect");
        QTest::addColumn<QPoint>("glyphPos");
        const auto left = TLbSpeedButtonLayout::blGlyphLeft;
        const auto right = TLbSpeedButtonLayout::blGlyphRight;
        const int l = Qt::AlignLeft;
        const int r = Qt::AlignRight;
        const int c = Qt::AlignHCenter;
        // Button 33 high, cells 16 x 16: text top (33-13)/2 = 10, picture top 8.
        // "Vmax" is 28 wide, so gap = 32; with a picture room = w - 8 - 20.
        QTest::newRow("run button") << 92 << "START" << false << left << c << false << 0 << "START"
                                    << QRect(4, 10, 84, 13) << QPoint(4, 8);
        QTest::newRow("pressed") << 92 << "START" << false << left << c << false << 1 << "START" << QRect(5, 11, 84, 13)
                                 << QPoint(5, 9);
        QTest::newRow("cut to room") << 40 << "ABCDEFGH" << false << left << l << false << 0 << "ABCD"
                                     << QRect(4, 10, 32, 13) << QPoint(4, 8);
        QTest::newRow("word wrap keeps all") << 40 << "ABCDEFGH" << false << left << l << true << 0 << "ABCDEFGH"
                                             << QRect(4, 10, 32, 13) << QPoint(4, 8);
        QTest::newRow("glyph left, left")
            << 92 << "Vmax" << true << left << l << false << 0 << "Vmax" << QRect(24, 10, 64, 13) << QPoint(4, 8);
        QTest::newRow("glyph left, right")
            << 92 << "Vmax" << true << left << r << false << 0 << "Vmax" << QRect(24, 10, 64, 13) << QPoint(40, 8);
        QTest::newRow("glyph left, centre")
            << 92 << "Vmax" << true << left << c << false << 0 << "Vmax" << QRect(24, 10, 64, 13) << QPoint(22, 8);
        QTest::newRow("glyph left, centre, pressed")
            << 92 << "Vmax" << true << left << c << false << 1 << "Vmax" << QRect(25, 11, 64, 13) << QPoint(23, 9);
        QTest::newRow("glyph left, wrap ignores alignment")
            << 92 << "Vmax" << true << left << r << true << 0 << "Vmax" << QRect(24, 10, 64, 13) << QPoint(4, 8);
        QTest::newRow("glyph right, left")
            << 92 << "Vmax" << true << right << l << false << 0 << "Vmax" << QRect(4, 10, 64, 13) << QPoint(36, 8);
        QTest::newRow("glyph right, right")
            << 92 << "Vmax" << true << right << r << false << 0 << "Vmax" << QRect(4, 10, 64, 13) << QPoint(72, 8);
        QTest::newRow("glyph right, centre")
            << 92 << "Vmax" << true << right << c << false << 0 << "Vmax" << QRect(4, 10, 64, 13) << QPoint(54, 8);
        QTest::newRow("glyph right, wrap")
            << 92 << "Vmax" << true << right << r << true << 0 << "Vmax" << QRect(4, 10, 64, 13) << QPoint(36, 8);
        QTest::newRow("no caption, centred glyph")
            << 92 << "" << true << right << c << false << 0 << "" << QRect(4, 10, 64, 13) << QPoint(38, 8);
        QTest::newRow("room never negative")
            << 10 << "AB" << true << left << l << false << 0 << "" << QRect(24, 10, 0, 13) << QPoint(4, 8);
    }
    void captionAndGlyphPlacement() {
        QFETCH(int, width);
        QFETCH(QString, caption);
        QFETCH(bool, hasGlyph);
        QFETCH(TLbSpeedButtonLayout, layout);
        QFETCH(int, alignment);
        QFETCH(bool, wordWrap);
        QFETCH(int, pressOffset);
        QFETCH(QString, shown);
        QFETCH(QRect, textRect);
        QFETCH(QPoint, glyphPos);
        LbContentInput in;
        in.size = QSize(width, 33);
        in.caption = caption;
        in.cell = QSize(16, 16);
        in.hasGlyph = hasGlyph;
        in.layout = layout;
        in.alignment = Qt::Alignment(alignment);
        in.wordWrap = wordWrap;
        in.pressOffset = pressOffset;
        const LbContentLayout out = lbContentLayout(in, fixedMeasure());
        QCOMPARE(out.caption, shown);
        QCOMPARE(out.textRect, textRect);
        if (hasGlyph)
            QCOMPARE(out.glyphPos, glyphPos);
    }
};

QTEST_GUILESS_MAIN(TestLbSpeedButtonGeometry)
#include "test_lb_speed_button_geometry.moc"
