// The run buttons' drawn push button: lights up under the mouse pointer and fades back
// slowly, with the colours the run controller gives it.

#pragma once

#include "controls/lb_speed_button_geometry.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

class QPainter;

// Drawing style; the other styles of the original control family are not used.
enum class TLbSpeedButtonStyle { bsNormal, bsModern };

// Drawn push button that lights up while the mouse pointer is over it and, with
// SlowDecease, fades back in eight steps after the pointer leaves. It paints
// through an off-screen image; whatever it leaves unpainted (the corners of a
// bsModern button, the whole background of a Transparent one) shows the parent.
// Colours are QColors; an invalid QColor is "none" (see colorFromBgr): no
// lighting, no pressed face, and a frame or outline line in that colour is
// not drawn (a disabled run button has no outline).
// GUI thread only: the fade runs on a GUI-thread timer.
class TLbSpeedButton : public QWidget {
    Q_OBJECT

public:
    static constexpr int FadeIntervalMs = 30;

    explicit TLbSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool allowAllUp) { m_allowAllUp = allowAllUp; }
    QColor Color() const { return m_color; }
    void setColor(const QColor& color);
    QColor ColorWhenDown() const { return m_colorWhenDown; }
    void setColorWhenDown(const QColor& color);
    bool Down() const { return m_down; }
    void setDown(bool down);
    bool Flat() const { return m_flat; }
    void setFlat(bool flat);
    QPixmap Glyph() const { return m_glyph; }
    void setGlyph(const QPixmap& glyph);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int groupIndex) { m_groupIndex = groupIndex; }
    QColor HotTrackColor() const { return m_hotTrackColor; }
    void setHotTrackColor(const QColor& color);
    QFont HotTrackFont() const { return m_hotTrackFont; }
    void setHotTrackFont(const QFont& font);
    TLbSpeedButtonLayout Layout() const { return m_layout; }
    using QWidget::setLayout;
    void setLayout(TLbSpeedButtonLayout layout);
    QColor LightColor() const { return m_lightColor; }
    void setLightColor(const QColor& color);
    int NumGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int numGlyphs);
    QColor ShadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor& color);
    bool SlowDecease() const { return m_slowDecease; }
    void setSlowDecease(bool slowDecease);
    TLbSpeedButtonStyle Style() const { return m_style; }
    using QWidget::setStyle;
    void setStyle(TLbSpeedButtonStyle style);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent);
    bool UseHotTrackFont() const { return m_useHotTrackFont; }
    void setUseHotTrackFont(bool use);
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wordWrap);

    // Caption colour with HotTrackFont; invalid = the normal caption colour,
    // which is the palette's ButtonText.
    QColor hotTrackTextColor() const { return m_hotTrackTextColor; }
    void setHotTrackTextColor(const QColor& color);

    bool isHot() const { return m_hot; }
    int lightLevel() const { return m_lightLevel; }
    bool isFading() const { return m_fadeTimer.isActive(); }

    // Fires OnClick, as a click with the mouse or the accelerator key does.
    void click();
    // One step of the fade; the fade timer calls it every FadeIntervalMs.
    void fadeStep();

    QSize sizeHint() const override { return {100, 23}; }

signals:
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseEnter();
    void OnMouseExit();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void press(QMouseEvent* event);
    void accelerate();
    void paintButton(QPainter& painter) const;
    void paintNormalFrame(QPainter& painter, bool pressed) const;
    void paintModernFace(QPainter& painter, const QColor& face, int pressOffset) const;
    void paintModernFrame(QPainter& painter, const QColor& face, bool pressed) const;
    bool parentShowing() const;
    void releaseGroupSiblings();
    void updateAccelerator();
    void updateDrawnGlyph();
    void changeAppearance();

    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_allowAllUp = false;
    QColor m_color;
    QColor m_colorWhenDown;
    bool m_down = false;
    bool m_flat = false;
    QPixmap m_glyph;
    QPixmap m_drawnGlyph; // m_glyph with its transparent colour masked out
    int m_groupIndex = 0;
    QColor m_hotTrackColor;
    QFont m_hotTrackFont;
    QColor m_hotTrackTextColor;
    TLbSpeedButtonLayout m_layout = TLbSpeedButtonLayout::blGlyphLeft;
    QColor m_lightColor = Qt::white;
    int m_numGlyphs = 0;
    QColor m_shadowColor = Qt::black;
    bool m_slowDecease = false;
    TLbSpeedButtonStyle m_style = TLbSpeedButtonStyle::bsNormal;
    bool m_transparent = false;
    bool m_useHotTrackFont = false;
    bool m_wordWrap = false;

    bool m_hot = false;
    int m_lightLevel = 0;
    bool m_clickArmed = false; // a left press inside, waiting for its release
    int m_acceleratorId = 0;
    QTimer m_fadeTimer;
};
