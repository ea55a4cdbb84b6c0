// The numbers behind the lit button's painting, kept free of widgets so that each can be
// checked on its own.

#pragma once

#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

// Picture position relative to the caption.
enum class TLbSpeedButtonLayout { blGlyphLeft, blGlyphRight };

// The pure arithmetic behind TLbSpeedButton's painting: face colour, gradient
// bands, picture cell and caption/picture rectangles. Kept free of widgets so
// every number can be checked on its own.

// Light level of a fully lit button; 0 is unlit.
inline constexpr int LbFullLight = 8;

// Mix of color and hotTrackColor at a light level 0..8, per component
// (1 - level/8) * color + level/8 * hot, truncated.
QColor lbMixColor(const QColor& color, const QColor& hotTrackColor, int lightLevel);

// The face colour of a button. Invalid colours mean "none": no lighting without
// hotTrackColor, the normal face without colorWhenDown.
QColor lbFaceColor(const QColor& color, const QColor& hotTrackColor, const QColor& colorWhenDown, int lightLevel,
                   bool enabled, bool pressed);

struct LbGradientBand {
    int top = 0;
    int height = 0; // already cut at the gradient's bottom; may be 0
    QColor color;
};

// The 32 bands of a vertical gradient from `from` at topY to `to` at bottomY
// (bottomY itself is not covered).
QList<LbGradientBand> lbGradientBands(int topY, int bottomY, const QColor& from, const QColor& to);

// Index of the picture cell to draw, or -1 when that cell does not exist
// (no picture at all, or a disabled button whose picture has one cell).
int lbGlyphCell(bool enabled, bool hot, bool pressed, int numGlyphs);

// How a caption is measured in the button's font.
struct LbCaptionMeasure {
    std::function<int(const QString&)> width;                   // one line, as drawn
    std::function<QSize(const QString&, int room)> wrappedSize; // with word breaks, room wide
};

struct LbContentInput {
    QSize size;
    QString caption;
    QSize cell;            // one picture cell; ignored unless hasGlyph
    bool hasGlyph = false; // a picture with at least one cell
    TLbSpeedButtonLayout layout = TLbSpeedButtonLayout::blGlyphLeft;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool wordWrap = false;
    int pressOffset = 0;
};

struct LbContentLayout {
    QString caption; // cut to the room unless word wrap is on
    QRect textRect;
    QPoint glyphPos; // meaningful only with a picture
};

LbContentLayout lbContentLayout(const LbContentInput& in, const LbCaptionMeasure& measure);

// Text flags the caption is drawn (and measured) with.
int lbCaptionFlags(Qt::Alignment alignment);
