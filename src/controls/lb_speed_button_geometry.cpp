// The lit button's arithmetic: colour mixes by light level, gradient bands and where the
// picture and the caption go.

#include "controls/lb_speed_button_geometry.h"

#include <algorithm>

namespace {

enum class Horizontal { Left, Right, Centre };

Horizontal horizontalOf(Qt::Alignment alignment) {
    if (alignment & Qt::AlignRight)
        return Horizontal::Right;
    if (alignment & Qt::AlignHCenter)
        return Horizontal::Centre;
    return Horizontal::Left;
}

// start + i/31 of the way to end; the numerator is never negative, so the
// integer division truncates.
int bandComponent(int start, int end, int i) {
    return (start * 31 + i * (end - start)) / 31;
}

} // namespace

QColor lbMixColor(const QColor& color, const QColor& hotTrackColor, int lightLevel) {
    const int level = std::clamp(lightLevel, 0, LbFullLight);
    const auto mix = [level](int c, int h) { return (c * (LbFullLight - level) + h * level) / LbFullLight; };
    return QColor(mix(color.red(), hotTrackColor.red()), mix(color.green(), hotTrackColor.green()),
                  mix(color.blue(), hotTrackColor.blue()));
}

QColor lbFaceColor(const QColor& color, const QColor& hotTrackColor, const QColor& colorWhenDown, int lightLevel,
                   bool enabled, bool pressed) {
    QColor face = color;
    if (enabled && hotTrackColor.isValid() && color.isValid())
        face = lbMixColor(color, hotTrackColor, lightLevel);
    if (pressed && colorWhenDown.isValid())
        face = colorWhenDown;
    return face;
}

QList<LbGradientBand> lbGradientBands(int topY, int bottomY, const QColor& from, const QColor& to) {
    QList<LbGradientBand> bands;
    bands.reserve(32);
    const int span = bottomY - topY;
    for (int i = 0; i < 32; ++i) {
        LbGradientBand band;
        band.top = topY + i * span / 31;
        const int bottom = std::min(band.top + span / 31 + 1, bottomY);
        band.height = std::max(0, bottom - band.top);
        band.color = QColor(bandComponent(from.red(), to.red(), i), bandComponent(from.green(), to.green(), i),
                            bandComponent(from.blue(), to.blue(), i));
        bands.append(band);
    }
    return bands;
}

int lbGlyphCell(bool enabled, bool hot, bool pressed, int numGlyphs) {
    int cell = 0;
    if (!enabled)
        cell = 1;
    else if (pressed && numGlyphs > 2)
        cell = 2;
    else if (hot && numGlyphs > 3)
        cell = 3;
    return cell < numGlyphs ? cell : -1;
}

LbContentLayout lbContentLayout(const LbContentInput& in, const LbCaptionMeasure& measure) {
    LbContentLayout out;
    const int w = in.size.width();
    const int h = in.size.height();
    const int off = in.pressOffset;
    const int cellWidth = in.hasGlyph ? in.cell.width() : 0;
    const int glyphRoom = in.hasGlyph ? cellWidth + 4 : 0;
    const int room = std::max(0, w - 8 - glyphRoom);

    QString caption = in.caption;
    if (!in.wordWrap) {
        while (!caption.isEmpty() && measure.width(caption) > room)
            caption.chop(1);
    }
    out.caption = caption;

    const QSize text = measure.wrappedSize(caption, room);
    const int gap = caption.isEmpty() ? 0 : text.width() + 4;
    const bool glyphLeft = in.layout == TLbSpeedButtonLayout::blGlyphLeft;

    const int textLeft = off + 4 + (glyphLeft && in.hasGlyph ? glyphRoom : 0);
    out.textRect = QRect(textLeft, (h - text.height()) / 2 + off, room, text.height());

    const int glyphTop = (h - in.cell.height()) / 2 + off;
    int glyphLeftX = 0;
    const Horizontal horizontal = horizontalOf(in.alignment);
    if (glyphLeft) {
        glyphLeftX = off + 4;
        if (!in.wordWrap && horizontal == Horizontal::Right)
            glyphLeftX = w - 4 - cellWidth - gap + off;
        else if (!in.wordWrap && horizontal == Horizontal::Centre)
            glyphLeftX = (w - cellWidth) / 2 + off - gap / 2;
    } else {
        glyphLeftX = textLeft + gap;
        if (!in.wordWrap && horizontal == Horizontal::Right)
            glyphLeftX = w - 4 - cellWidth + off;
        else if (!in.wordWrap && horizontal == Horizontal::Centre)
            glyphLeftX = (w - cellWidth) / 2 + off + gap / 2;
    }
    out.glyphPos = QPoint(glyphLeftX, glyphTop);
    return out;
}

int lbCaptionFlags(Qt::Alignment alignment) {
    int flags = Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignTop;
    switch (horizontalOf(alignment)) {
    case Horizontal::Left:
        flags |= Qt::AlignLeft;
        break;
    case Horizontal::Right:
        flags |= Qt::AlignRight;
        break;
    case Horizontal::Centre:
        flags |= Qt::AlignHCenter;
        break;
    }
    return flags;
}
