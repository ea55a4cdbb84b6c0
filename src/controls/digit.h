// One seven-segment digit of the main window's and the spectator window's time displays.

#pragma once

#include <QColor>
#include <QWidget>

// One seven-segment digit with an optional point, drawn on the parent's surface
// (no native window) and opaque over its whole rectangle. Writes of Value,
// ValueBinary, the segment colours and BorderStyle that change something are on
// the screen when the write returns; unchanged writes cost nothing, so a clock can
// refresh a whole row of digits cheaply. GUI thread only.
class TDigit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(QColor ColorOff READ ColorOff WRITE setColorOff)
    Q_PROPERTY(QColor ColorOn READ ColorOn WRITE setColorOn)
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(quint8 ValueBinary READ ValueBinary WRITE setValueBinary)
    Q_PROPERTY(int Thickness READ Thickness WRITE setThickness)
    Q_PROPERTY(int Separation READ Separation WRITE setSeparation)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TDigit(QWidget* parent = nullptr);

    // Stored only; the drawing does not use it.
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(TBorderStyle style);

    QColor ColorOff() const { return m_colorOff; }
    void setColorOff(const QColor& colour);

    QColor ColorOn() const { return m_colorOn; }
    void setColorOn(const QColor& colour);

    // 0 to 9. Any other number shows 0 and emits OnOverflow.
    int Value() const { return m_value; }
    void setValue(int value);

    // Segment pattern actually drawn, bit 0 top bar ... bit 7 point.
    quint8 ValueBinary() const { return m_valueBinary; }
    void setValueBinary(quint8 pattern);

    // Half the bar width; ignored when larger than half the current width or height.
    int Thickness() const { return m_thickness; }
    void setThickness(int thickness);

    // Gap between neighbouring segments.
    int Separation() const { return m_separation; }
    void setSeparation(int separation);

    // Background and segment outline colour.
    QColor Color() const { return m_color; }
    void setColor(const QColor& colour);

signals:
    void OnOverflow(TDigit* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void repaintNow();

    TBorderStyle m_borderStyle = bsSingle;
    QColor m_colorOff = Qt::black;
    QColor m_colorOn = QColor(255, 255, 0);
    QColor m_color = Qt::black;
    int m_value = 0;
    quint8 m_valueBinary = 125;
    int m_thickness = 2;
    int m_separation = 1;
};
