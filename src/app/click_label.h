// A picture or lettering in the main window that acts on a click: the barrier pictures, the
// spectator display's switches, the start light and the maker's name.

#pragma once

#include <QLabel>

// A picture or lettering that reacts to a click: `clicked` fires when the left
// button is pressed and released over it, and `pressed` as soon as any button goes
// down. Disabled or hidden, it fires nothing. GUI thread only.
class ClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_armed = false;
};
