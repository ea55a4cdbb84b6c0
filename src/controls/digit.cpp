// Paints one seven-segment digit and repaints it only when a write changed something.

#include "controls/digit.h"

#include "controls/digit_segments.h"

#include <QPainter>

#include <array>

namespace {

// Segment pattern of each digit (see digit_segments.h for the bit order).
constexpr std::array<quint8, 10> digitPatterns = {125, 80, 55, 87, 90, 79, 111, 81, 127, 95};

} // namespace

TDigit::TDigit(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted, so nothing behind the digit needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(16, 32);
}

void TDigit::setBorderStyle(TBorderStyle style) {
    if (style == m_borderStyle)
        return;
    m_borderStyle = style;
    repaintNow();
}

void TDigit::setColorOff(const QColor& colour) {
    if (colour == m_colorOff)
        return;
    m_colorOff = colour;
    repaintNow();
}

void TDigit::setColorOn(const QColor& colour) {
    if (colour == m_colorOn)
        return;
    m_colorOn = colour;
    repaintNow();
}

void TDigit::setValue(int value) {
    if (value == m_value)
        return;
    if (value >= 0 && value <= 9) {
        m_value = value;
    } else {
        m_value = 0;
        emit OnOverflow(this);
    }
    m_valueBinary = digitPatterns[static_cast<std::size_t>(m_value)];
    repaintNow();
}

void TDigit::setValueBinary(quint8 pattern) {
    if (pattern == m_valueBinary)
        return;
    m_valueBinary = pattern;
    repaintNow();
}

void TDigit::setThickness(int thickness) {
    if (thickness == m_thickness)
        return;
    if (thickness > width() / 2 || thickness > height() / 2)
        return;
    m_thickness = thickness;
    update();
}

void TDigit::setSeparation(int separation) {
    m_separation = separation;
    update();
}

void TDigit::setColor(const QColor& colour) {
    if (colour == m_color)
        return;
    m_color = colour;
    update();
}

void TDigit::repaintNow() {
    // repaint() paints synchronously; a hidden digit is painted when it is shown.
    if (isVisible())
        repaint();
}

void TDigit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The pen keeps the background colour, so each segment gets a one-pixel outline of it.
    painter.setPen(QPen(m_color));
    painter.fillRect(rect(), m_color);
    const auto segments = digitSegmentPolygons(width(), height(), m_thickness, m_separation);
    for (int i = 0; i < DigitSegmentCount; ++i) {
        const bool lit = (m_valueBinary & (1u << i)) != 0;
        painter.setBrush(lit ? m_colorOn : m_colorOff);
        painter.drawPolygon(segments[static_cast<std::size_t>(i)]);
    }
}
