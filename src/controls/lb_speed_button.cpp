// The lit push button's painting through its off-screen image, the pointer's light that fades
// in eight steps, and its mouse handling.

#include "controls/lb_speed_button.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QImage>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>

namespace {

const QColor DisabledText(0x80, 0x80, 0x80);

void fillIfValid(QPainter& painter, const QRect& rect, const QColor& color) {
    if (color.isValid() && rect.width() > 0 && rect.height() > 0)
        painter.fillRect(rect, color);
}

} // namespace

TLbSpeedButton::TLbSpeedButton(QWidget* parent) : QWidget(parent) {
    m_color = palette().color(QPalette::Button);
    m_hotTrackFont = window()->font();
    setMouseTracking(true);
    resize(100, 23);
    m_fadeTimer.setInterval(FadeIntervalMs);
    m_fadeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_fadeTimer, &QTimer::timeout, this, &TLbSpeedButton::fadeStep);
}

void TLbSpeedButton::changeAppearance() {
    update();
}

void TLbSpeedButton::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    updateAccelerator();
    changeAppearance();
}

void TLbSpeedButton::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    changeAppearance();
}

void TLbSpeedButton::setColor(const QColor& color) {
    m_color = color;
    changeAppearance();
}

void TLbSpeedButton::setColorWhenDown(const QColor& color) {
    m_colorWhenDown = color;
    changeAppearance();
}

void TLbSpeedButton::setDown(bool down) {
    if (down && m_groupIndex != 0)
        releaseGroupSiblings();
    if (down == m_down)
        return;
    m_down = down;
    changeAppearance();
}

void TLbSpeedButton::releaseGroupSiblings() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const auto siblings = parent->findChildren<TLbSpeedButton*>(Qt::FindDirectChildrenOnly);
    for (TLbSpeedButton* sibling : siblings) {
        if (sibling != this && sibling->m_groupIndex == m_groupIndex)
            sibling->setDown(false);
    }
}

void TLbSpeedButton::setFlat(bool flat) {
    m_flat = flat;
    changeAppearance();
}

void TLbSpeedButton::setGlyph(const QPixmap& glyph) {
    m_glyph = glyph;
    updateDrawnGlyph();
    changeAppearance();
}

// A picture without an alpha channel is drawn with the colour of its bottom
// left pixel as the transparent colour, as classic button bitmaps expect.
void TLbSpeedButton::updateDrawnGlyph() {
    m_drawnGlyph = m_glyph;
    if (m_glyph.isNull() || m_glyph.hasAlphaChannel())
        return;
    const QImage image = m_glyph.toImage();
    const QColor key = image.pixelColor(0, image.height() - 1);
    m_drawnGlyph.setMask(m_glyph.createMaskFromColor(key, Qt::MaskInColor));
}

void TLbSpeedButton::setHotTrackColor(const QColor& color) {
    m_hotTrackColor = color;
    changeAppearance();
}

void TLbSpeedButton::setHotTrackFont(const QFont& font) {
    m_hotTrackFont = font;
    changeAppearance();
}

void TLbSpeedButton::setHotTrackTextColor(const QColor& color) {
    m_hotTrackTextColor = color;
    changeAppearance();
}

void TLbSpeedButton::setLayout(TLbSpeedButtonLayout layout) {
    m_layout = layout;
    changeAppearance();
}

void TLbSpeedButton::setLightColor(const QColor& color) {
    m_lightColor = color;
    changeAppearance();
}

void TLbSpeedButton::setNumGlyphs(int numGlyphs) {
    m_numGlyphs = std::max(0, numGlyphs);
    changeAppearance();
}

void TLbSpeedButton::setShadowColor(const QColor& color) {
    m_shadowColor = color;
    changeAppearance();
}

void TLbSpeedButton::setSlowDecease(bool slowDecease) {
    m_slowDecease = slowDecease;
    if (!slowDecease) {
        m_fadeTimer.stop();
        m_lightLevel = 0;
        update();
    }
}

void TLbSpeedButton::setStyle(TLbSpeedButtonStyle style) {
    // The gradient is unreadable on palette displays.
    if (style == TLbSpeedButtonStyle::bsModern && depth() > 0 && depth() <= 8)
        style = TLbSpeedButtonStyle::bsNormal;
    m_style = style;
    changeAppearance();
}

void TLbSpeedButton::setTransparent(bool transparent) {
    m_transparent = transparent;
    changeAppearance();
}

void TLbSpeedButton::setUseHotTrackFont(bool use) {
    m_useHotTrackFont = use;
    changeAppearance();
}

void TLbSpeedButton::setWordWrap(bool wordWrap) {
    m_wordWrap = wordWrap;
    changeAppearance();
}

void TLbSpeedButton::updateAccelerator() {
    if (m_acceleratorId != 0) {
        releaseShortcut(m_acceleratorId);
        m_acceleratorId = 0;
    }
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_acceleratorId = grabShortcut(key);
}

void TLbSpeedButton::click() {
    emit OnClick();
}

void TLbSpeedButton::fadeStep() {
    if (--m_lightLevel <= 0) {
        m_lightLevel = 0;
        m_fadeTimer.stop();
    }
    repaint();
}

bool TLbSpeedButton::parentShowing() const {
    const QWidget* parent = parentWidget();
    return !parent || parent->isVisible();
}

bool TLbSpeedButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (m_acceleratorId != 0 && shortcut->shortcutId() == m_acceleratorId) {
            accelerate();
            return true;
        }
    }
    return QWidget::event(event);
}

void TLbSpeedButton::accelerate() {
    if (!isEnabled() || !isVisible())
        return;
    const bool wasDown = m_down;
    m_down = true;
    repaint();
    const QPointer<TLbSpeedButton> alive(this);
    click();
    if (!alive)
        return;
    m_down = wasDown;
    update();
}

void TLbSpeedButton::changeEvent(QEvent* event) {
    // A button disabled between press and release never sees the release.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_clickArmed) {
        m_clickArmed = false;
        if (m_groupIndex == 0)
            m_down = false;
    }
    QWidget::changeEvent(event);
}

void TLbSpeedButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (!isEnabled() || !isVisible() || !parentShowing())
        return;
    // Back under the pointer: stay lit instead of finishing the fade.
    m_fadeTimer.stop();
    m_hot = true;
    m_lightLevel = LbFullLight;
    update();
    emit OnMouseEnter();
}

void TLbSpeedButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    m_hot = false;
    if (m_slowDecease) {
        if (!m_fadeTimer.isActive())
            m_fadeTimer.start();
    } else {
        m_lightLevel = 0;
        update();
    }
    if (isEnabled() && isVisible() && parentShowing())
        emit OnMouseExit();
}

void TLbSpeedButton::mousePressEvent(QMouseEvent* event) {
    press(event);
}

// The second press of a double click arrives as a double click event.
void TLbSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) {
    press(event);
}

void TLbSpeedButton::press(QMouseEvent* event) {
    event->accept();
    const QPointer<TLbSpeedButton> alive(this);
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
    // The handler may have disabled (or hidden) the button: then it takes no press.
    if (!alive || !isEnabled() || event->button() != Qt::LeftButton)
        return;
    m_clickArmed = true;
    if (m_groupIndex == 0 || !m_down)
        setDown(true);
    else if (m_allowAllUp)
        setDown(false);
}

void TLbSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const QPoint pos = event->position().toPoint();
    bool clicked = false;
    if (event->button() == Qt::LeftButton) {
        clicked = m_clickArmed && rect().contains(pos);
        m_clickArmed = false;
        if (m_groupIndex == 0)
            setDown(false);
    }
    const QPointer<TLbSpeedButton> alive(this);
    if (clicked)
        click();
    if (alive)
        emit OnMouseUp(event->button(), event->modifiers(), pos);
}

void TLbSpeedButton::mouseMoveEvent(QMouseEvent* event) {
    emit OnMouseMove(event->modifiers(), event->position().toPoint());
}

void TLbSpeedButton::paintEvent(QPaintEvent*) {
    // Drawn off-screen first so gradient, frame and caption appear at once. The
    // image starts fully transparent: pixels left unpainted show the parent.
    const qreal ratio = devicePixelRatioF();
    QImage frame(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(ratio);
    frame.fill(Qt::transparent);
    {
        QPainter painter(&frame);
        paintButton(painter);
    }
    QPainter(this).drawImage(0, 0, frame);
}

void TLbSpeedButton::paintButton(QPainter& painter) const {
    const bool enabled = isEnabled();
    const bool pressed = enabled && m_down;
    const int pressOffset = pressed ? 1 : 0;
    const QColor face = lbFaceColor(m_color, m_hotTrackColor, m_colorWhenDown, m_lightLevel, enabled, pressed);
    const bool modern = m_style == TLbSpeedButtonStyle::bsModern;

    if (!m_transparent) {
        if (modern)
            paintModernFace(painter, face, pressOffset);
        else
            fillIfValid(painter, rect(), face);
    }
    if (modern)
        paintModernFrame(painter, face, pressed);
    else if (enabled ? (!m_flat || m_hot || pressed) : !m_flat)
        paintNormalFrame(painter, pressed);

    const bool hotFont = m_hot && m_useHotTrackFont;
    painter.setFont(hotFont ? m_hotTrackFont : font());

    const bool hasGlyph = m_numGlyphs > 0 && !m_glyph.isNull();
    const QSize glyphSize = m_glyph.deviceIndependentSize().toSize();
    const QSize cell = hasGlyph ? QSize(glyphSize.width() / m_numGlyphs, glyphSize.height()) : QSize();

    const QFontMetrics metrics = painter.fontMetrics();
    const LbCaptionMeasure measure{
        [&metrics](const QString& text) { return metrics.size(Qt::TextShowMnemonic, text).width(); },
        [&metrics](const QString& text, int room) {
            return metrics.boundingRect(QRect(0, 0, room, 0), lbCaptionFlags(Qt::AlignLeft), text).size();
        }};
    LbContentInput input;
    input.size = size();
    input.caption = m_caption;
    input.cell = cell;
    input.hasGlyph = hasGlyph;
    input.layout = m_layout;
    input.alignment = m_alignment;
    input.wordWrap = m_wordWrap;
    input.pressOffset = pressOffset;
    const LbContentLayout content = lbContentLayout(input, measure);

    const int glyphCell = hasGlyph ? lbGlyphCell(enabled, m_hot, pressed, m_numGlyphs) : -1;
    if (glyphCell >= 0) {
        const qreal glyphRatio = m_glyph.devicePixelRatio();
        const QRectF source(glyphCell * cell.width() * glyphRatio, 0, cell.width() * glyphRatio,
                            cell.height() * glyphRatio);
        painter.drawPixmap(QRectF(content.glyphPos, cell), m_drawnGlyph, source);
    }

    if (!content.caption.isEmpty()) {
        QColor text = palette().color(QPalette::Active, QPalette::ButtonText);
        if (!enabled)
            text = DisabledText;
        else if (hotFont && m_hotTrackTextColor.isValid())
            text = m_hotTrackTextColor;
        painter.setPen(text);
        painter.drawText(content.textRect, lbCaptionFlags(m_alignment), content.caption);
    }
}

// Left and top edge in the light colour, right and bottom edge in the shadow
// colour (swapped while pressed), as one outline drawn from the bottom left.
void TLbSpeedButton::paintNormalFrame(QPainter& painter, bool pressed) const {
    const int w = width();
    const int h = height();
    const QColor topLeft = pressed ? m_shadowColor : m_lightColor;
    const QColor bottomRight = pressed ? m_lightColor : m_shadowColor;
    fillIfValid(painter, QRect(0, 0, 1, h), topLeft);
    fillIfValid(painter, QRect(0, 0, w - 1, 1), topLeft);
    fillIfValid(painter, QRect(w - 1, 0, 1, h), bottomRight);
    fillIfValid(painter, QRect(1, h - 1, w - 1, 1), bottomRight);
}

// Two vertical gradients between x 2 and width - 2: edge colour down to the face
// at a quarter of the height, then back to the edge colour at the bottom.
void TLbSpeedButton::paintModernFace(QPainter& painter, const QColor& face, int pressOffset) const {
    if (!face.isValid())
        return;
    const QColor edge = m_lightColor.isValid() ? m_lightColor : face;
    const int middle = height() / 4 + pressOffset;
    const int left = 2;
    const int bandWidth = width() - 4;
    for (const LbGradientBand& band : lbGradientBands(2, middle, edge, face))
        fillIfValid(painter, QRect(left, band.top, bandWidth, band.height), band.color);
    for (const LbGradientBand& band : lbGradientBands(middle, height() - 1, face, edge))
        fillIfValid(painter, QRect(left, band.top, bandWidth, band.height), band.color);
}

// An inner rectangle one pixel in, then the outline with 6 x 6 rounded corners.
// Both are drawn pixel by pixel so the corners come out exactly the same on
// every platform; the three pixels of each corner outside the curve stay
// unpainted.
void TLbSpeedButton::paintModernFrame(QPainter& painter, const QColor& face, bool pressed) const {
    const int w = width();
    const int h = height();
    const QColor inner = pressed ? m_shadowColor : face;
    fillIfValid(painter, QRect(1, 1, w - 2, 1), inner);
    fillIfValid(painter, QRect(1, h - 2, w - 2, 1), inner);
    fillIfValid(painter, QRect(1, 1, 1, h - 2), inner);
    fillIfValid(painter, QRect(w - 2, 1, 1, h - 2), inner);

    const QColor outline = m_shadowColor;
    fillIfValid(painter, QRect(2, 0, w - 4, 1), outline);
    fillIfValid(painter, QRect(2, h - 1, w - 4, 1), outline);
    fillIfValid(painter, QRect(0, 2, 1, h - 4), outline);
    fillIfValid(painter, QRect(w - 1, 2, 1, h - 4), outline);
    fillIfValid(painter, QRect(1, 1, 1, 1), outline);
    fillIfValid(painter, QRect(w - 2, 1, 1, 1), outline);
    fillIfValid(painter, QRect(1, h - 2, 1, 1), outline);
    fillIfValid(painter, QRect(w - 2, h - 2, 1, 1), outline);
}
